#include "record/SceneRecorder.h"

#include <cmath>
#include <cstdint>

#include "glyph/InstallPaths.h"
#include "view/CommandIds.h"
#include "view/SceneFile.h"

namespace {

IntPoint along(IntPoint from, IntPoint to, int step, int steps)
{
    const double t = static_cast<double>(step) / steps;
    return {from.x + static_cast<int>(std::lround((to.x - from.x) * t)),
            from.y + static_cast<int>(std::lround((to.y - from.y) * t))};
}

} // namespace

SceneRecorder::SceneRecorder(const RecordOptions& options)
    : m_options(options), m_clock(options.fps), m_window(options.width, options.height),
      m_pool(options.threads > 0 ? options.threads : TaskPool::threadsFromEnvironment())
{
    m_view.attachWindow(&m_window);
    m_view.m_pPool = &m_pool;
    SceneSettings settings = m_view.Settings();
    applyChoices(options.settings, settings);
    m_view.ApplySettings(settings);
    std::string error;
    if (!options.face.empty())
        m_view.ChooseFace(options.face, error);
    // Nozzle without a "words" line: the user picks the sample word file
    // the dialog opens beside.
    m_window.fileAnswer = m_view.m_strWordFileDirectory + "words.txt";
}

bool SceneRecorder::openScene(const std::string& path, std::string& error, std::string& note)
{
    return sceneFile::open(m_view, path, error, note);
}

Rgb SceneRecorder::background(const CLexfallView& view) { return view.m_crBackground.value_or(Rgb{255, 255, 255}); }

bool SceneRecorder::run(const Script& script, const FrameSink& sink, const Progress& progress)
{
    m_sink = &sink;
    m_progress = &progress;
    // The first frame shows the window as it opens.
    if (!takeFrames())
        return false;
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
        case ScriptStep::Action::Setting: {
            SceneSettings settings = m_view.Settings();
            const SettingChoice choice{step.setting, step.path};
            applyChoices({&choice, 1}, settings);
            m_view.ApplySettings(settings);
            break;
        }
        case ScriptStep::Action::Save:
            if (!sceneFile::save(m_view, step.path, m_error)) {
                m_error = std::to_string(step.line) + ": the scene could not be saved: " + m_error;
                return false;
            }
            continue;
        case ScriptStep::Action::Wait:
            for (int i = 0; i < step.ticks; ++i)
                if (!tick())
                    return false;
            continue;
        }
        m_unshown = true;
    }
    // What the last steps did shows once a tick has drawn it and a frame
    // has been taken of that.
    while (m_unshown)
        if (!tick())
            return false;
    return true;
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
    m_view.OnTimer(m_view.m_nTimerID);
    m_unshown = true;
    if (*m_progress)
        (*m_progress)(m_ticks);
    return takeFrames();
}

bool SceneRecorder::takeFrames()
{
    while (m_frames < m_clock.framesAfter(m_ticks)) {
        if (std::int64_t{m_frames} * 1000 < std::int64_t{m_options.fromMilliseconds} * m_clock.fps()) {
            ++m_frames;
            continue;
        }
        // As the desktop program paints: cleared to the background, then
        // the view's own drawing.
        const RasterFrame& frame = m_painter.paint(m_view, m_options.width, m_options.height, background(m_view));
        ++m_frames;
        m_unshown = false;
        if (!(*m_sink)(frame))
            return false;
    }
    return true;
}
