// lexfall-record: runs a script through Lexfall's scene without a window
// and writes what it shows as an animated picture or its last frame.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "platform/TaskPool.h"
#include "record/FrameWriter.h"
#include "record/SceneRecorder.h"
#include "record/SettingOptions.h"
#include "record/Script.h"

namespace {

constexpr int kMinSide = 16;
constexpr int kMaxSide = 4096;
constexpr int kMaxFps = 50; // GIF viewers slow down frames shorter than 2/100 s
constexpr off_t kMaxScriptBytes = 1 << 20;

const char* const Description =
    "Runs SCRIPT through Lexfall's scene, without a window, and writes what it\n"
    "shows to OUT: an animated GIF (OUT.gif), an animated WebP (OUT.webp), a video\n"
    "(OUT.mp4, H.264; OUT.webm, VP9) or the last frame (OUT.png). The same script\n"
    "always gives the same bytes.";

const char* const ScriptHelp =
    "SCRIPT has one command a line; '#' starts a comment:\n"
    "  type TEXT                    each character a key press, one per tick (\\# types '#')\n"
    "  key Esc|Enter|Backspace|Tab  one key press (Esc starts and pauses the physics)\n"
    "  click X Y, dclick X Y        left click or double-click\n"
    "  drag X1 Y1 X2 Y2 [SECONDS]   left-button drag (Nozzle, Manipulate)\n"
    "  rdrag X1 Y1 X2 Y2 [SECONDS]  right-button drag (the compass)\n"
    "  mode keyboard|nozzle|manipulate\n"
    "                               as the Mode menu\n"
    "  font arial|symbol|FAMILY|FILE\n"
    "                               as the Font menu or Other Face\n"
    "  display wireframe|shaded|cursor|compass|animate|smooth\n"
    "                               as the Display menu; the last four toggle\n"
    "  collide on|off               letters collide, or pass through each other\n"
    "  words PATH                   the Nozzle word file, beside SCRIPT if relative\n"
    "  save PATH                    saves the scene as it stands (.lexscene), beside\n"
    "                               SCRIPT if relative\n"
    "  wait SECONDS                 lets the scene run\n"
    "  SETTING VALUE                any setting with an option above, as that option\n"
    "                               takes it (physics sturdy, stiffness 500, smooth on)\n"
    "The scene ticks every 16 ms, 0.01 s of physics each; animation starts\n"
    "paused, as in the program (key Esc starts it). LEXFALL_THREADS=N sets the\n"
    "threads it runs on; the bytes written are the same whatever the number.\n"
    "A saved scene goes on bit for bit as it would have in a window of the size\n"
    "it was saved in.";

int usageError(const std::string& message)
{
    std::cerr << "lexfall-record: " << message << "\nTry 'lexfall-record --help' for more information.\n";
    return 2;
}

int failure(const std::string& message)
{
    std::cerr << "lexfall-record: " << message << "\n";
    return 1;
}

bool wholeNumber(const std::string& text, int low, int high, int& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

// The script's text; only a regular file is read, so a pipe or a device
// named by mistake cannot hang the tool.
bool readScript(const std::string& path, std::string& text, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxScriptBytes;
    if (ok) {
        text.resize(static_cast<std::size_t>(info.st_size));
        ok = ::read(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }
    ::close(fd);
    if (!ok)
        error = "cannot read \"" + path + "\" as a script: a regular file of at most 1 MiB is needed";
    return ok;
}

// Word files are named relative to the script, wherever the tool runs,
// and must give words before any frame is made.
bool prepareWordFiles(Script& script, const std::string& scriptPath, bool utf8, std::string& error)
{
    const std::filesystem::path folder = std::filesystem::path(scriptPath).parent_path();
    for (ScriptStep& step : script.steps) {
        if (step.action != ScriptStep::Action::Words)
            continue;
        if (std::filesystem::path(step.path).is_relative())
            step.path = (folder / step.path).string();
        std::unique_ptr<CLexfallView::WordList> words;
        const int loaded = CLexfallView::LoadWordFile(step.path.c_str(), words, utf8);
        if (loaded != 1) {
            error = scriptPath + ":" + std::to_string(step.line) + ": the word file \"" + step.path + "\" " +
                    (loaded < 0 ? "cannot be read" : "has no words");
            return false;
        }
    }
    return true;
}

// Scenes are saved beside the script when named relative to it.
void prepareSavePaths(Script& script, const std::string& scriptPath)
{
    const std::filesystem::path folder = std::filesystem::path(scriptPath).parent_path();
    for (ScriptStep& step : script.steps)
        if (step.action == ScriptStep::Action::Save && std::filesystem::path(step.path).is_relative())
            step.path = (folder / step.path).string();
}

// Faces are named as the program takes them; a relative file lies beside
// the script. Every face must load before any frame is made.
bool prepareFaces(Script& script, const std::string& scriptPath, std::string& error)
{
    const std::filesystem::path folder = std::filesystem::path(scriptPath).parent_path();
    for (ScriptStep& step : script.steps) {
        if (step.action != ScriptStep::Action::Face)
            continue;
        const std::filesystem::path beside = folder / step.path;
        if (std::filesystem::path(step.path).is_relative() && std::filesystem::is_regular_file(beside))
            step.path = beside.string();
        std::string why;
        if (!CLexfallView::CheckFace(step.path, why)) {
            error = scriptPath + ":" + std::to_string(step.line) + ": " + why;
            return false;
        }
    }
    return true;
}

// "42% (12.6 of 30.0 s, 310 bodies)" on one line, redrawn as the
// percentage changes.
class ProgressLine {
public:
    explicit ProgressLine(int ticks) : m_ticks(ticks), m_shown(isatty(STDERR_FILENO) && ticks > 0) {}
    ~ProgressLine()
    {
        if (m_percent >= 0)
            std::fputc('\n', stderr);
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void operator()(int done, std::size_t bodies)
    {
        if (!m_shown)
            return;
        // The scene may tick a little past the script to show its end.
        const int percent = static_cast<int>(std::min(100LL, 100LL * done / m_ticks));
        if (percent == m_percent)
            return;
        m_percent = percent;
        std::fprintf(stderr, "\rlexfall-record: %3d%% (%.1f of %.1f s, %zu bodies)  ", percent,
                     done * kTickMilliseconds / 1000.0, m_ticks * kTickMilliseconds / 1000.0, bodies);
        std::fflush(stderr);
    }

private:
    int m_ticks;
    bool m_shown;
    int m_percent = -1;
};

} // namespace

int main(int argc, char** argv)
{
    RecordOptions options;
    std::string scriptPath;
    std::string outPath;
    std::string scenePath; // --scene
    std::string size;
    double fromSeconds = 0.0;

    CLI::App app(Description, "lexfall-record");
    app.add_option("--size", size, "the scene's window, " + std::to_string(kMinSide) + " to " + std::to_string(kMaxSide) +
                                       " pixels each way (default 1024x768)")
        ->type_name("WxH")
        ->check([&options](const std::string& value) {
            const auto x = value.find('x');
            if (x != std::string::npos && wholeNumber(value.substr(0, x), kMinSide, kMaxSide, options.width) &&
                wholeNumber(value.substr(x + 1), kMinSide, kMaxSide, options.height))
                return std::string();
            return "needs WxH, each from " + std::to_string(kMinSide) + " to " + std::to_string(kMaxSide) + ", not \"" +
                   value + "\"";
        });
    app.add_option("--fps", options.fps, "frames a second, 1 to " + std::to_string(kMaxFps) + " (default 30)")
        ->type_name("N")
        ->check(CLI::Range(1, kMaxFps).description(""));
    app.add_option("--from", fromSeconds, "leave out the frames before S seconds (default 0)")
        ->type_name("S")
        ->check(CLI::Range(0.0, kMaxScriptSeconds).description(""));
    app.add_option("--face", options.face,
                   "the face of new letters: an installed family (\"DejaVu Serif\") or a TrueType, OpenType or "
                   "Type 1 file, FILE:N for face N of a collection (default: Arial)")
        ->type_name("FAMILY|FILE")
        ->check([](const std::string& face) {
            std::string why;
            return CLexfallView::CheckFace(face, why) ? std::string() : why;
        });
    addSettingOptions(app, options.settings);
    app.add_option("--scene", scenePath,
                   "start from a scene saved by Lexfall (File > Save or the script's save): its letters, settings "
                   "and face replace the options above")
        ->type_name("FILE");
    app.add_option("SCRIPT", scriptPath, "the script to run")->required()->type_name("");
    app.add_option("OUT", outPath, "the picture or video to write")->required()->type_name("");
    app.footer(ScriptHelp);

    const ParsedOptions given = parseOptions(app, std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    switch (given.outcome) {
    case ParsedOptions::Outcome::Help:
    case ParsedOptions::Outcome::Version:
        std::cout << given.text;
        return 0;
    case ParsedOptions::Outcome::Error:
        return usageError(given.text);
    case ParsedOptions::Outcome::Run:
        break;
    }
    options.fromMilliseconds = static_cast<int>(fromSeconds * 1000.0 + 0.5);
    if (const std::string problem = TaskPool::environmentProblem(); !problem.empty())
        std::cerr << "lexfall-record: " << problem << "\n";
    const std::optional<PictureFormat> format = pictureFormatOf(outPath);
    if (!format)
        return usageError("OUT must end in .gif, .webp, .mp4, .webm or .png, not \"" + outPath + "\"");

    std::string text;
    std::string error;
    if (!readScript(scriptPath, text, error))
        return failure(error);
    ParsedScript parsed = parseScript(text);
    if (parsed.error) {
        std::cerr << describeScriptError(*parsed.error, scriptPath) << "\n";
        return 2;
    }
    SceneSettings chosen = SceneSettings::asDesigned();
    applyChoices(options.settings, chosen);
    if (!prepareWordFiles(parsed.script, scriptPath, chosen.utf8Words, error))
        return failure(error);
    if (!prepareFaces(parsed.script, scriptPath, error)) {
        std::cerr << error << "\n";
        return 2;
    }
    prepareSavePaths(parsed.script, scriptPath);

    SceneRecorder recorder(options);
    // --scene: the script goes on from a saved scene.
    if (!scenePath.empty()) {
        std::string note;
        if (!recorder.openScene(scenePath, error, note))
            return failure("cannot open the scene \"" + scenePath + "\": " + error);
        if (!note.empty())
            std::cerr << "lexfall-record: " << note << "\n";
    }

    std::unique_ptr<FrameWriter> writer =
        openFrameWriter(*format, outPath, options.width, options.height, options.fps, error);
    if (!writer)
        return failure(error);
    // A video's encoder costs about what the scene does: on a second
    // processor it takes next to no time of the run.
    if (isVideo(*format))
        writer = writeOnItsOwnThread(std::move(writer));

    bool recorded = false;
    {
        ProgressLine progress(parsed.script.ticks); // ends its line before any message
        recorded = recorder.run(
            parsed.script, [&writer](const RasterFrame& frame) { return writer->add(frame); },
            [&](int done) { progress(done, recorder.view().m_pBodies.size()); });
    }
    if (!recorded || !writer->finish()) {
        const std::string message = recorder.error().empty() ? writer->error() : scriptPath + ":" + recorder.error();
        writer.reset();
        removeUnfinished(outPath);
        return failure(message);
    }
    return 0;
}
