#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/HeadlessWindow.h"
#include "platform/TaskPool.h"
#include "record/FrameClock.h"
#include "record/Script.h"
#include "render/RasterFrame.h"
#include "view/CLexfallView.h"
#include "view/FramePainter.h"
#include "view/SceneSettings.h"

struct RecordOptions {
    int width = 1024;
    int height = 768;
    int fps = 30;
    // Settings other than the program's own, from the start.
    std::vector<SettingChoice> settings{};
    // Threads to tick and paint on; 0: LEXFALL_THREADS, or one a processor.
    // The frames are the same whatever the count.
    int threads = 0;
    std::string face{}; // another face than Arial from the start
    // Frames due before this time are left out: the recording starts there.
    int fromMilliseconds = 0;
};

// Runs a script through the program's own scene view, headless: the view
// gets the window messages the desktop program would send, ticks at the
// program's period, and is drawn into a raster frame as the program
// paints it, at each frame's time (FrameClock). After the script's last
// step the scene ticks on until a frame shows what that step did, so the
// last frame shows everything the script did.
class SceneRecorder {
public:
    // Gets each frame in turn; false stops the recording (the output failed).
    using FrameSink = std::function<bool(const RasterFrame&)>;
    using Progress = std::function<void(int ticksDone)>;

    // The options' face must be one CLexfallView::CheckFace takes.
    explicit SceneRecorder(const RecordOptions& options);
    SceneRecorder(const SceneRecorder&) = delete;
    SceneRecorder& operator=(const SceneRecorder&) = delete;

    // The script starts from a saved scene instead of an empty one: false,
    // with the reason, when the file cannot be opened. `note` tells what
    // came back otherwise than saved.
    bool openScene(const std::string& path, std::string& error, std::string& note);

    // False when the sink stopped it, or a "save" could not write its
    // file (error() says why).
    bool run(const Script& script, const FrameSink& sink, const Progress& progress = {});
    const std::string& error() const { return m_error; }
    const CLexfallView& view() const { return m_view; }
    int ticks() const { return m_ticks; }

    // The background of every frame: the view's colour, or white, the
    // desktop's usual window colour, when the view has none.
    static Rgb background(const CLexfallView& view);

private:
    bool tick();
    // Sends every frame due by now.
    bool takeFrames();
    bool drag(const ScriptStep& step, bool left);

    RecordOptions m_options;
    FrameClock m_clock;
    HeadlessWindow m_window; // declared before the view, which points at it
    TaskPool m_pool;
    CLexfallView m_view;
    FramePainter m_painter;
    const FrameSink* m_sink = nullptr;
    const Progress* m_progress = nullptr;
    int m_ticks = 0;
    int m_frames = 0;
    // Something happened since the last frame was taken.
    bool m_unshown = false;
    std::string m_error;
};
