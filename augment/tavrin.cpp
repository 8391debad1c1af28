#include "augment/tavrin.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

#include "augment/client_launch.h"
#include "augment/failure_launch.h"
#include "augment/failure_notice.h"
#include "augment/log.h"
#include "augment/magnet_link.h"
#include "augment/run.h"
#include "augment/retracker_step.h"
#include "bencoding/reader.h"
#include "platform/ascii_text.h"
#include "platform/file_io.h"
#include "platform/process_files.h"
#include "settings/locations.h"
#include "settings/profile.h"
#include "settings/settings_file.h"
#include "settings/wording.h"

using settings::N_;

namespace {

// The name the changed torrent gets in the output folder: the input's, with
// ".torrent" added unless it ends so in some letter case. The folder may be
// the programs' own, and no torrent may take the name of a program, a script,
// Settings.ini or the log.
std::string outputNameFor(const std::string& inputName) {
    constexpr std::string_view kExtension = ".torrent";
    const bool ends = inputName.size() >= kExtension.size() &&
                      platform::equalsIgnoringAsciiCase(
                          std::string_view(inputName).substr(inputName.size() - kExtension.size()), kExtension);
    return ends ? inputName : inputName + std::string(kExtension);
}

constexpr std::string_view kOutputOption = "--output";
constexpr const char* kOutputUsageLine = N_("--output needs a file, then the torrent or magnet link");

// What the command line asks for:
//   Tavrin INPUT                the result goes to the client
//   Tavrin --output FILE INPUT  the result goes into FILE, nothing is started
//   Tavrin TORRENT FILE         the same for a torrent
// Arguments after a torrent and its output are ignored, as they always were.
// A magnet link takes none: the handler of links is registered as
// "Tavrin" "%1", and on Windows a raw quote in a link splits it there, so
// whatever follows a link came from the link, not from the user.
struct Request {
    std::string input;                  // torrent path, file:// URL or magnet link
    std::optional<std::string> output;  // where to write instead of starting the client
    std::optional<std::string> afterLink;  // the first argument after a magnet link: refused
};

// Nothing when --output lacks its file or the input after it.
std::optional<Request> requestOf(int argc, char** argv) {
    Request request;
    int next = 1;
    if (argv[1] == kOutputOption) {
        if (argc < 4) return std::nullopt;
        request.output = argv[2];
        next = 3;
    }
    request.input = argv[next++];
    if (next < argc) {
        if (isMagnetLink(request.input))
            request.afterLink = argv[next];
        else if (!request.output)
            request.output = argv[next];
    }
    return request;
}

void logWriteFailure(const TavrinRun& run, const std::string& path, int errorCode) {
    run.log.say(N_("Writing of \"%s\" failed with code %s"), {platform::pathForLog(path), decimalString(errorCode)});
}

void logReadFailure(const TavrinRun& run, const std::string& path, int errorCode) {
    run.log.say(N_("Reading of \"%s\" failed with code %s"), {platform::pathForLog(path), decimalString(errorCode)});
}

// A magnet link gets the live retrackers as "tr" parameters, then goes to the
// client (or, with --output, into that file) in place of a torrent.
int augmentMagnetLink(const Request& request, const TavrinRun& run, bool& clientStarted) {
    const std::string& link = request.input;
    if (request.afterLink) {
        run.log.say(N_("Nothing done: \"%s\" follows the magnet link; to write the link to a file, give --output FILE "
                       "before it"),
                    {platform::pathForLog(*request.afterLink)});
        return 1;
    }
    const std::optional<MagnetLink> parsed = parseMagnetLink(link);
    if (!parsed) {
        run.log.say(N_("Bad magnet link"));
        return 1;
    }
    const LiveRetrackers live = resolveLoggingFailures(run);
    if (live.choice.failure != settings::DirectoryFailure::None) {
        if (!request.output) clientStarted = launchOnFailure(run, link);
        return 1;
    }
    // A link has no comment; its size is "xl" when it gives one.
    const std::string augmented = withTrackers(link, *parsed, urlsToAdd(live, parsed->name, parsed->size, ""));
    if (request.output) {
        const std::string& outputPath = *request.output;
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
int augmentTorrent(const Request& request, const TavrinRun& run, bool& clientStarted) {
    const bool outputGiven = request.output.has_value();
    // A file manager may hand over a file:// URL instead of a path.
    const std::optional<FileUrlPath> fromUrl = localPathOfFileUrl(request.input);
    const std::string torrentArgument = fromUrl ? fromUrl->path : request.input;
    if (fromUrl && !fromUrl->usable) {
        logReadFailure(run, torrentArgument, platform::invalidPathCode());
        return 1;
    }

    // The torrent is mapped and stays so until the tree is gone: the tree's
    // byte strings, keys and the bytes of "info" are views of the mapping.
    platform::InputFile input;
    if (!input.open(torrentArgument)) {
        logReadFailure(run, torrentArgument, input.errorCode());
        return 1;
    }
    const auto size = static_cast<int32_t>(input.size());
    int32_t tail = 0;
    std::optional<int64_t> contentSize;
    BValuePtr document = parseDocument(input.data(), size, &tail, &contentSize);
    if (tail != 0) std::printf("Bad torrent: size %d, tail %d\n", size, tail);
    if (!document) {
        run.log.say(N_("Bad torrent"));
        return 1;
    }

    int32_t stepResult = runRetrackerStep(run, *document, contentSize);
    if (stepResult != 0) {
        if (!outputGiven) clientStarted = launchOnFailure(run, torrentArgument);
        return stepResult;
    }

    const std::string outputPath =
        outputGiven ? *request.output
                    : run.paths.outputDirectory + outputNameFor(platform::fileNameOf(torrentArgument));
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
    std::optional<Request> request;
    Log log;
    int exitCode;
    bool clientStarted = true;
    // Read at its first lookup, so after a first Settings.ini is put in place.
    const settings::SettingsSnapshot settingsSnapshot(paths.settingsPath);
    const TavrinRun run{paths, settingsSnapshot, log};
    try {
        settings::prepareSettingsFolder(run.paths);
        settings::prepareOutputFolders(run.paths);
        if (!log.open(run.paths.logPath)) {
            noticeFailure(run, settings::worded(settings::noticeWording(), N_("Tavrin.log cannot be opened in %s"),
                                      {platform::directoryOf(run.paths.logPath)}));
            return 1;
        }
        request = requestOf(argc, argv);
        if (!request) {
            log.say(kOutputUsageLine);
            exitCode = 1;
        } else {
            log.message("Running for torrent \"" + platform::pathForLog(request->input) + "\"");
            exitCode = isMagnetLink(request->input) ? augmentMagnetLink(*request, run, clientStarted)
                                                    : augmentTorrent(*request, run, clientStarted);
        }
    } catch (const BadType&) {
        log.say(N_("Bad type access"));
        exitCode = 1;
    } catch (const BadInput& bad) {
        log.say(N_("Bad input data"));
        if (!bad.message.empty()) log.message(bad.message);
        exitCode = 1;
    } catch (...) {
        log.say(N_("Shit happens"));
        exitCode = 1;
    }
    if (exitCode != 0 || !clientStarted) {
        try {
            const std::string input = request ? request->input : std::string(argv[1]);
            noticeFailure(run, request || argv[1] != kOutputOption
                                   ? settings::worded(settings::noticeWording(), N_("Running for torrent \"%s\" failed"),
                                            {escapedForLog(platform::pathForLog(input))})
                                   : settings::noticeWording().message(kOutputUsageLine));
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
