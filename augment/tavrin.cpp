#include "augment/tavrin.h"

#include <cstdio>

#include "augment/client_launch.h"
#include "augment/log.h"
#include "augment/magnet_link.h"
#include "augment/run.h"
#include "augment/retracker_step.h"
#include "bencoding/reader.h"
#include "platform/file_io.h"
#include "platform/process_files.h"
#include "settings/locations.h"
#include "settings/profile.h"
#include "settings/settings_file.h"

namespace {

constexpr size_t kHugePageTorrent = size_t{1} << 20;

void logWriteFailure(const TavrinRun& run, const std::string& path, int errorCode) {
    run.log.message("Writing of \"" + path + "\" failed with code " + decimalString(errorCode));
}

// A magnet link gets the live retrackers as "tr" parameters, then goes to the
// client (or, with a second argument, into that file) in place of a torrent.
int augmentMagnetLink(int argc, char** argv, const TavrinRun& run) {
    const std::string link = argv[1];
    const std::optional<MagnetLink> parsed = parseMagnetLink(link);
    if (!parsed) {
        run.log.message("Bad magnet link");
        return 1;
    }
    const LiveRetrackers live = resolveLiveRetrackers(run.paths.settingsPath);
    if (live.choice.failure != settings::DirectoryFailure::None) {
        run.log.message(failureLine(live.choice));
        return 1;
    }
    // A link has no comment; its size is "xl" when it gives one.
    const std::string augmented = withTrackers(link, *parsed, urlsToAdd(live, parsed->name, parsed->size, ""));
    if (argc > 2) {
        const std::string outputPath = argv[2];
        const std::string line = augmented + "\n";
        const platform::ReplaceResult written = platform::replaceFile(outputPath, line.data(), line.size());
        if (!written.ok) {
            logWriteFailure(run, outputPath, written.errorCode);
            return 1;
        }
        return 0;
    }
    runClientLaunch(run, augmented);
    return 0;
}

// Steps after the log is open. Returns the exit code; exceptions go to the caller.
int augmentTorrent(int argc, char** argv, const TavrinRun& run) {
    const bool outputGiven = argc > 2;
    // A file manager may hand over a file:// URL instead of a path.
    const std::string torrentArgument = localPathOfFileUrl(argv[1]).value_or(argv[1]);

    // The torrent is mapped, and the pages the reader has passed are dropped
    // as it goes, so the document and its tree are not both resident in full.
    platform::InputFile input;
    if (!input.open(torrentArgument)) {
        run.log.message("Reading of \"" + torrentArgument + "\" failed with code " + decimalString(input.errorCode()));
        return 1;
    }
    // A large torrent's tree takes its slabs and long byte strings from
    // huge-page blocks; a small one stays on the ordinary heap, where a huge
    // page would only add memory.
    if (input.size() >= kHugePageTorrent) setBMemorySource({platform::obtainLargeBlock, platform::giveBackLargeBlock});
    BReadProgress progress{[](const char* end, void* file) { static_cast<platform::InputFile*>(file)->release(end); },
                           &input};
    BValuePtr document = parseDocument(input.data(), static_cast<int32_t>(input.size()), progress);
    input.close();  // the tree holds copies of every byte string
    if (!document) {
        run.log.message("Bad torrent");
        return 1;
    }

    int32_t stepResult = runRetrackerStep(run, *document);
    if (stepResult != 0) return stepResult;

    const std::string outputPath = outputGiven
                                       ? std::string(argv[2])
                                       : run.paths.outputDirectory + platform::fileNameOf(torrentArgument);
    // Never truncate the target first: when the torrent lies in the output
    // folder it is also the output, and a failed write must not lose it.
    // The document goes out in pieces straight from the tree; no copy of it
    // is held in memory.
    platform::ReplaceResult written{};
    {
        platform::FileReplacement replacement(outputPath);
        struct FileSink : BSink {
            platform::FileReplacement& file;
            explicit FileSink(platform::FileReplacement& f) : file(f) {}
            bool put(const char* data, size_t size) override { return file.write(data, size); }
        } sink(replacement);
        written = writeDocument(*document, sink) ? replacement.commit()
                                                 : platform::ReplaceResult{false, replacement.errorCode()};
    }
    if (!written.ok) {
        logWriteFailure(run, outputPath, written.errorCode);
        return 1;
    }
    document.reset();

    if (!outputGiven) runClientLaunch(run, outputPath);
    return 0;
}

}  // namespace

int tavrinMain(int argc, char** argv) {
    if (argc < 2) return 0;

    Log log;
    int exitCode;
    try {
        const TavrinRun run{settings::runPathsFor(platform::executablePath()), log};
        settings::prepareSettingsFolder(run.paths);
        settings::prepareOutputFolders(run.paths);
        if (!log.open(run.paths.logPath)) return 1;
        log.message("Running for torrent \"" + std::string(argv[1]) + "\"");
        exitCode = isMagnetLink(argv[1]) ? augmentMagnetLink(argc, argv, run) : augmentTorrent(argc, argv, run);
    } catch (const BadType&) {
        log.message("Bad type access");
        exitCode = 1;
    } catch (const BadInput&) {
        log.message("Bad input data");
        exitCode = 1;
    } catch (...) {
        log.message("Shit happens");
        exitCode = 1;
    }
    log.close();
    return exitCode;
}
