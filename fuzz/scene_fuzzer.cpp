// libFuzzer target for the scene reader: the input bytes are a scene file.
// A scene it takes must also run: it ticks, paints, collides and is saved
// again. A crash, a sanitizer report or a stall is a finding.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/HeadlessWindow.h"
#include "render/RasterDrawContext.h"
#include "render/RasterFrame.h"
#include "view/CLexfallView.h"
#include "view/SceneFile.h"

namespace {

// Scenes larger than this are read but not run: a run of the largest
// scenes takes seconds, which says nothing about the reader.
constexpr int kMostParticlesRun = 20000;

int particles(const CLexfallView& view)
{
    int n = 0;
    for (const auto& body : view.m_pBodies)
        n += body->particleCount();
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    HeadlessWindow window(320, 240);
    CLexfallView view;
    view.attachWindow(&window);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error, note;
    if (!sceneFile::decode(bytes, view, error, note) || particles(view) > kMostParticlesRun)
        return 0;

    view.m_bAnimate = true;
    for (int i = 0; i < 3; ++i)
        view.OnTimer(view.m_nTimerID);
    RasterFrame frame;
    frame.resize(320, 240);
    frame.clear(Rgb{255, 255, 255});
    RasterDrawContext dc(frame);
    view.OnDraw(dc);
    view.OnChar('a', 1, 0);
    view.SetCollide(!view.m_bCollide);
    for (int i = 0; i < 2; ++i)
        view.OnTimer(view.m_nTimerID);
    std::string again;
    sceneFile::encode(view, again, error);
    return 0;
}
