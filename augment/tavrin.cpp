#include "augment/tavrin.h"

#include <cstdio>

#include "augment/client_launch.h"
#include "augment/log.h"
#include "augment/retracker_step.h"
#include "bencoding/reader.h"
#include "platform/file_io.h"
#include "platform/process_files.h"
#include "settings/profile.h"
#include "settings/settings_file.h"

std::string settingsPath;

namespace {

constexpr size_t kHugePageTorrent = size_t{1} << 20;

void closeLog() {
    if (logFile) std::fclose(logFile);
    logFile = nullptr;
}

// Steps after the log is open. Returns the exit code; exceptions go to the caller.
int augmentTorrent(int argc, char** argv, const std::string& executablePath) {
    const bool outputGiven = argc > 2;
    const std::string torrentArgument = argv[1];
    settingsPath = settings::settingsPathFor(executablePath);

    // The torrent is mapped and stays so until the tree is gone: the tree's
    // long byte strings and the bytes of "info" are read from the mapping.
    platform::InputFile input;
    if (!input.open(torrentArgument)) return 1;
    // A large torrent's nodes take their slabs from huge-page blocks; a small
    // one stays on the ordinary heap, where a huge page would only add memory.
    if (input.size() >= kHugePageTorrent) setBMemorySource({platform::obtainLargeBlock, platform::giveBackLargeBlock});
    const auto size = static_cast<int32_t>(input.size());
    int32_t tail = 0;
    BValuePtr document = parseDocumentInPlace(input.data(), size, &tail);
    if (tail != 0) std::printf("Bad torrent: size %d, tail %d\n", size, tail);
    if (!document) {
        logMessage("Bad torrent");
        return 1;
    }

    int32_t stepResult = runRetrackerStep(*document);
    if (stepResult != 0) return stepResult;

    const std::string outputPath = outputGiven
                                       ? std::string(argv[2])
                                       : platform::directoryOf(executablePath) + platform::fileNameOf(torrentArgument);
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
        logMessage("Writing of \"" + outputPath + "\" failed with code " + decimalString(written.errorCode));
        return 1;
    }
    document.reset();
    input.close();

    if (!outputGiven) runClientLaunch(outputPath);
    return 0;
}

}  // namespace

int tavrinMain(int argc, char** argv) {
    if (argc < 2) return 0;

    int exitCode;
    try {
        const std::string executablePath = platform::executablePath();
        logFile = platform::openLogForAppend(platform::directoryOf(executablePath) + "Tavrin.log");
        if (!logFile) return 1;
        logMessage("Running for torrent \"" + std::string(argv[1]) + "\"");
        exitCode = augmentTorrent(argc, argv, executablePath);
    } catch (const BadType&) {
        logMessage("Bad type access");
        exitCode = 1;
    } catch (const BadInput&) {
        logMessage("Bad input data");
        exitCode = 1;
    } catch (...) {
        logMessage("Shit happens");
        exitCode = 1;
    }
    closeLog();
    return exitCode;
}
