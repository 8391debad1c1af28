#include "augment/tavrin.h"

#include <cstdio>

#include "augment/client_launch.h"
#include "augment/failure_launch.h"
#include "augment/failure_notice.h"
#include "augment/log.h"
#include "augment/run.h"
#include "augment/retracker_step.h"
#include "bencoding/reader.h"
#include "platform/file_io.h"
#include "platform/process_files.h"
#include "settings/profile.h"
#include "settings/settings_file.h"

namespace {

constexpr size_t kHugePageTorrent = size_t{1} << 20;

// Steps after the log is open. Returns the exit code; exceptions go to the
// caller. `clientStarted` turns false when the client was to start and did not.
int augmentTorrent(int argc, char** argv, const TavrinRun& run, bool& clientStarted) {
    const bool outputGiven = argc > 2;
    const std::string torrentArgument = argv[1];

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
    if (stepResult != 0) {
        if (!outputGiven) clientStarted = launchOnFailure(run, torrentArgument);
        return stepResult;
    }

    const std::string outputPath = outputGiven
                                       ? std::string(argv[2])
                                       : run.paths.executableDirectory + platform::fileNameOf(torrentArgument);
    // Never truncate the target first: when the torrent lies beside the
    // executable it is also the output, and a failed write must not lose it.
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
        run.log.message("Writing of \"" + outputPath + "\" failed with code " + decimalString(written.errorCode));
        return 1;
    }
    document.reset();

    if (!outputGiven) clientStarted = runClientLaunch(run, outputPath);
    return 0;
}

}  // namespace

int tavrinMain(int argc, char** argv) {
    if (argc < 2) return 0;

    Log log;
    int exitCode;
    bool clientStarted = true;
    const TavrinRun run{settings::runPathsFor(platform::executablePath()), log};
    try {
        if (!log.open(run.paths.executableDirectory + "Tavrin.log")) {
            noticeFailure(run, "Tavrin.log cannot be opened in " + run.paths.executableDirectory);
            return 1;
        }
        log.message("Running for torrent \"" + std::string(argv[1]) + "\"");
        exitCode = augmentTorrent(argc, argv, run, clientStarted);
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
    if (exitCode != 0 || !clientStarted) noticeFailure(run, "Running for torrent \"" + std::string(argv[1]) + "\" failed");
    log.close();
    return exitCode;
}
