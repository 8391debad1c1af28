#include "augment/tavrin.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "augment/client_launch.h"
#include "augment/failure_launch.h"
#include "augment/failure_notice.h"
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

void logWriteFailure(const TavrinRun& run, const std::string& path, int errorCode) {
    run.log.message("Writing of \"" + platform::pathForLog(path) + "\" failed with code " + decimalString(errorCode));
}

// A magnet link gets the live retrackers as "tr" parameters, then goes to the
// client (or, with a second argument, into that file) in place of a torrent.
int augmentMagnetLink(int argc, char** argv, const TavrinRun& run, bool& clientStarted) {
    const std::string link = argv[1];
    const std::optional<MagnetLink> parsed = parseMagnetLink(link);
    if (!parsed) {
        run.log.message("Bad magnet link");
        return 1;
    }
    const LiveRetrackers live = resolveLoggingFailures(run);
    if (live.choice.failure != settings::DirectoryFailure::None) {
        if (argc <= 2) clientStarted = launchOnFailure(run, link);
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
    clientStarted = runClientLaunch(run, augmented);
    return 0;
}

// Steps after the log is open. Returns the exit code; exceptions go to the
// caller. `clientStarted` turns false when the client was to start and did not.
int augmentTorrent(int argc, char** argv, const TavrinRun& run, bool& clientStarted) {
    const bool outputGiven = argc > 2;
    // A file manager may hand over a file:// URL instead of a path.
    const std::string torrentArgument = localPathOfFileUrl(argv[1]).value_or(argv[1]);

    // The torrent is mapped and stays so until the tree is gone: the tree's
    // byte strings, keys and the bytes of "info" are views of the mapping.
    platform::InputFile input;
    if (!input.open(torrentArgument)) {
        run.log.message("Reading of \"" + platform::pathForLog(torrentArgument) + "\" failed with code " +
                        decimalString(input.errorCode()));
        return 1;
    }
    const auto size = static_cast<int32_t>(input.size());
    int32_t tail = 0;
    std::optional<int64_t> contentSize;
    BValuePtr document = parseDocument(input.data(), size, &tail, &contentSize);
    if (tail != 0) std::printf("Bad torrent: size %d, tail %d\n", size, tail);
    if (!document) {
        run.log.message("Bad torrent");
        return 1;
    }

    int32_t stepResult = runRetrackerStep(run, *document, contentSize);
    if (stepResult != 0) {
        if (!outputGiven) clientStarted = launchOnFailure(run, torrentArgument);
        return stepResult;
    }

    const std::string outputPath = outputGiven
                                       ? std::string(argv[2])
                                       : run.paths.outputDirectory + platform::fileNameOf(torrentArgument);
    // Never truncate the target first: when the torrent lies in the output
    // folder it is also the output, and a failed write must not lose it.
    // The document goes out in pieces straight from the tree; no copy of it
    // is held in memory. A long run of the torrent's own bytes ("info",
    // above all) is copied from its file by the system.
    platform::ReplaceResult written{};
    {
        platform::FileReplacement replacement(outputPath);
        struct FileSink : BSink {
            platform::FileReplacement& file;
            const platform::InputFile& input;
            FileSink(platform::FileReplacement& f, const platform::InputFile& i) : file(f), input(i) {}
            bool put(const char* data, size_t size) override {
                const auto offset = reinterpret_cast<uintptr_t>(data) - reinterpret_cast<uintptr_t>(input.data());
                if (offset <= input.size() && size <= input.size() - offset) return file.copyFrom(input, offset, size);
                return file.write(data, size);
            }
        } sink(replacement, input);
        written = writeDocument(*document, sink) ? replacement.commit()
                                                 : platform::ReplaceResult{false, replacement.errorCode()};
    }
    if (!written.ok) {
        logWriteFailure(run, outputPath, written.errorCode);
        return 1;
    }
    document.reset();
    input.close();

    if (!outputGiven) clientStarted = runClientLaunch(run, outputPath);
    return 0;
}

// The run once its paths are found. Returns the exit code.
int runWithPaths(int argc, char** argv, const settings::RunPaths& paths) {
    Log log;
    int exitCode;
    bool clientStarted = true;
    const TavrinRun run{paths, log};
    try {
        settings::prepareSettingsFolder(run.paths);
        settings::prepareOutputFolders(run.paths);
        if (!log.open(run.paths.logPath)) {
            noticeFailure(run, "Tavrin.log cannot be opened in " + platform::directoryOf(run.paths.logPath));
            return 1;
        }
        log.message("Running for torrent \"" + platform::pathForLog(argv[1]) + "\"");
        exitCode = isMagnetLink(argv[1]) ? augmentMagnetLink(argc, argv, run, clientStarted)
                                          : augmentTorrent(argc, argv, run, clientStarted);
    } catch (const BadType&) {
        log.message("Bad type access");
        exitCode = 1;
    } catch (const BadInput& bad) {
        log.message("Bad input data");
        if (!bad.message.empty()) log.message(bad.message);
        exitCode = 1;
    } catch (...) {
        log.message("Shit happens");
        exitCode = 1;
    }
    if (exitCode != 0 || !clientStarted) {
        try {
            noticeFailure(run, "Running for torrent \"" + platform::pathForLog(argv[1]) + "\" failed");
        } catch (...) {
            // The log holds the failure already; the notice is a courtesy.
        }
    }
    log.close();
    return exitCode;
}

}  // namespace

int tavrinMain(int argc, char** argv) {
    if (argc < 2) return 0;
    settings::RunPaths paths;
    try {
        paths = settings::runPathsFor(platform::executablePath());
    } catch (...) {
        return 1;  // out of memory before any log could be opened
    }
    return runWithPaths(argc, argv, paths);
}
