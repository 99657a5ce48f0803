#include "ViewFixture.h"

void addFoldingLetters(CLexfallView& view)
{
    view.m_bNozzleMode = true;
    view.m_bLeftDown = true;
    for (const char* line : {"Lexfall gW", "soft bodies", "tumble & fall"}) {
        view.m_vInsert = Vector3{10.0, 80.0 + 90.0 * (line[0] % 3), 0.0};
        for (const char* c = line; *c; ++c)
            view.AddCharacter(*c);
    }
    view.m_bLeftDown = false;
    view.m_bAnimate = true;
    view.m_bShowCompass = true;
    view.m_ptNeedle = IntPoint{331, 352};
    for (int tick = 0; tick < 40; ++tick)
        view.OnTimer(view.m_nTimerID);
}

SceneRig::SceneRig(int width, int height) : window(width, height)
{
    view.attachWindow(&window);
}

void SceneRig::tick(int n)
{
    for (int i = 0; i < n; ++i)
        view.OnTimer(view.m_nTimerID);
}

void SceneRig::type(std::string_view text)
{
    for (char c : text) {
        view.OnChar(static_cast<unsigned char>(c), 1, 0);
        tick();
    }
}

void SceneRig::add(std::string_view text)
{
    for (char c : text)
        view.AddCharacter(c);
}

int SceneRig::triangleEntries() const
{
    int total = 0;
    for (const auto& list : view.m_pBodyTriangles)
        total += static_cast<int>(list->size());
    return total;
}

std::map<const Particle*, int> SceneRig::entryCounts() const
{
    std::map<const Particle*, int> counts;
    for (const auto& list : view.m_pBodyTriangles)
        for (const Particle* p : *list)
            ++counts[p];
    return counts;
}
