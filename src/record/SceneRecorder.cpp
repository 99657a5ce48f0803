#include "record/SceneRecorder.h"

#include <cmath>
#include <cstdint>

#include "glyph/InstallPaths.h"
#include "view/CommandIds.h"

namespace {

// Whether frame `frame` (due at frame / fps seconds) is due before the
// time of tick `tick` (tick * 16 ms), or at it with `orAt`; in whole
// numbers, so that no rounding can take or drop a frame.
bool frameDue(int frame, int tick, int fps, bool orAt)
{
    const std::int64_t frameTime = std::int64_t{frame} * 1000;
    const std::int64_t tickTime = std::int64_t{tick} * kTickMilliseconds * fps;
    return orAt ? frameTime <= tickTime : frameTime < tickTime;
}

IntPoint along(IntPoint from, IntPoint to, int step, int steps)
{
    const double t = static_cast<double>(step) / steps;
    return {from.x + static_cast<int>(std::lround((to.x - from.x) * t)),
            from.y + static_cast<int>(std::lround((to.y - from.y) * t))};
}

} // namespace

int recordedFrames(int ticks, int fps)
{
    return static_cast<int>(std::int64_t{ticks} * kTickMilliseconds * fps / 1000) + 1;
}

SceneRecorder::SceneRecorder(const RecordOptions& options)
    : m_options(options), m_window(options.width, options.height),
      m_pool(options.threads > 0 ? options.threads : TaskPool::threadsFromEnvironment())
{
    m_view.attachWindow(&m_window);
    m_view.m_pPool = &m_pool;
    m_view.ChoosePreset(options.preset);
    m_view.SetCollide(options.collide);
    SceneSettings settings = m_view.Settings();
    settings.utf8Words = options.utf8Words;
    m_view.ApplySettings(settings);
    std::string error;
    if (!options.face.empty())
        m_view.ChooseFace(options.face, error);
    m_view.m_bSmooth = options.smooth;
    // Nozzle without a "words" line: the user picks the sample word file
    // the dialog opens beside.
    m_window.fileAnswer = m_view.m_strWordFileDirectory + "words.txt";
}

Rgb SceneRecorder::background(const CLexfallView& view) { return view.m_crBackground.value_or(Rgb{255, 255, 255}); }

bool SceneRecorder::run(const Script& script, const FrameSink& sink, const Progress& progress)
{
    m_sink = &sink;
    m_progress = &progress;
    for (const ScriptStep& step : script.steps) {
        switch (step.action) {
        case ScriptStep::Action::Keys:
            // A fast typist's keys: one right after each tick, so the view,
            // which takes one character a tick, takes every one.
            for (unsigned code : step.codes) {
                if (!tick())
                    return false;
                m_view.OnChar(code, 1, 0);
            }
            break;
        case ScriptStep::Action::Click:
            m_view.OnLButtonDown(0, step.from);
            m_view.OnLButtonUp(0, step.from);
            break;
        case ScriptStep::Action::DoubleClick:
            // The order in which the toolkit reports a double-click.
            m_view.OnLButtonDown(0, step.from);
            m_view.OnLButtonUp(0, step.from);
            m_view.OnLButtonDblClk(0, step.from);
            m_view.OnLButtonUp(0, step.from);
            break;
        case ScriptStep::Action::Drag:
        case ScriptStep::Action::RightDrag:
            if (!drag(step, step.action == ScriptStep::Action::Drag))
                return false;
            break;
        case ScriptStep::Action::Command:
            m_view.OnCommand(step.command);
            break;
        case ScriptStep::Action::Collide:
            m_view.SetCollide(step.on);
            break;
        case ScriptStep::Action::Words:
            m_window.fileAnswer = step.path;
            m_view.OnCommand(ID_FILE_OPEN);
            break;
        case ScriptStep::Action::Face: {
            std::string error; // the tool checked every face beforehand
            m_view.ChooseFace(step.path, error);
            break;
        }
        case ScriptStep::Action::Wait:
            for (int i = 0; i < step.ticks; ++i)
                if (!tick())
                    return false;
            break;
        }
    }
    return framesBefore(m_ticks, true);
}

bool SceneRecorder::drag(const ScriptStep& step, bool left)
{
    const unsigned button = left ? 0x0001 : 0x0002;
    if (left)
        m_view.OnLButtonDown(button, step.from);
    else
        m_view.OnRButtonDown(button, step.from);
    // One move a tick, each before its tick, so that Manipulate pushes
    // with every step of the way.
    const int steps = step.ticks > 0 ? step.ticks : 1;
    for (int i = 1; i <= steps; ++i) {
        m_view.OnMouseMove(button, along(step.from, step.to, i, steps));
        if (i <= step.ticks && !tick())
            return false;
    }
    if (left)
        m_view.OnLButtonUp(0, step.to);
    else
        m_view.OnRButtonUp(0, step.to);
    return true;
}

bool SceneRecorder::tick()
{
    ++m_ticks;
    if (!framesBefore(m_ticks, false))
        return false;
    m_view.OnTimer(m_view.m_nTimerID);
    if (*m_progress)
        (*m_progress)(m_ticks);
    return true;
}

bool SceneRecorder::framesBefore(int tick, bool last)
{
    while (frameDue(m_frames, tick, m_options.fps, last)) {
        // As the desktop program paints: cleared to the background, then
        // the view's own drawing.
        const RasterFrame& frame = m_painter.paint(m_view, m_options.width, m_options.height, background(m_view));
        ++m_frames;
        if (!(*m_sink)(frame))
            return false;
    }
    return true;
}
