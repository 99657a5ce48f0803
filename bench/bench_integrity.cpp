// Do letters stay letters? "The quick brown fox" is typed into a 1024x768
// window at several paces (or in Manipulate mode, without spin), then Esc
// starts the animation. At 1, 3, 5 and 8 seconds of the program's time
// (62.5 ticks a second) the table gives the share of triangles that keep
// their orientation and stay within half to twice the area they were built
// with. Triangles built with no area at all (a corner merged into another,
// or three in a line) have no orientation to keep and are left out. Then
// the tick of 2,000 bodies of real words under each preset.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

#include "WordScene.h"
#include "platform/HeadlessWindow.h"
#include "view/CLexfallView.h"
#include "view/CommandIds.h"

namespace {

constexpr const char* kText = "The quick brown fox";
constexpr double kTicksPerSecond = 62.5;
constexpr int kCheckpoints[] = {1, 3, 5, 8};

double signedArea(const Particle* a, const Particle* b, const Particle* c)
{
    return 0.5 * ((b->position.x - a->position.x) * (c->position.y - a->position.y) -
                  (c->position.x - a->position.x) * (b->position.y - a->position.y));
}

struct Scenario {
    const char* name;
    int ticksPerKey; // 0: Manipulate mode, one key per tick
};

// The share (in percent) of sound triangles at each checkpoint.
std::vector<double> run(PhysicsPreset preset, const Scenario& scenario)
{
    HeadlessWindow window(1024, 768);
    CLexfallView view;
    view.attachWindow(&window);
    view.ChoosePreset(preset);
    if (scenario.ticksPerKey == 0)
        view.OnCommand(ID_MODE_MANIPULATE);
    for (const char* c = kText; *c; ++c) {
        view.OnChar(static_cast<unsigned char>(*c), 1, 0);
        for (int t = 0; t < std::max(1, scenario.ticksPerKey); ++t)
            view.OnTimer(view.m_nTimerID);
    }

    // Every body's triangles and the areas they were built with; the
    // animation is off while typing, so nothing has moved yet.
    std::map<const ParticleSystem*, std::vector<double>> built;
    std::size_t total = 0;
    for (std::size_t b = 0; b < view.m_pBodies.size(); ++b) {
        const auto& list = *view.m_pBodyTriangles[b];
        auto& areas = built[view.m_pBodies[b].get()];
        for (std::size_t i = 0; i + 2 < list.size(); i += 3) {
            areas.push_back(signedArea(list[i], list[i + 1], list[i + 2]));
            total += areas.back() != 0.0;
        }
    }

    view.OnChar(27, 1, 0);
    std::vector<double> shares;
    int ticks = 0;
    for (int second : kCheckpoints) {
        for (; ticks < static_cast<int>(second * kTicksPerSecond); ++ticks)
            view.OnTimer(view.m_nTimerID);
        // The triangles of bodies that left the window count as broken.
        int sound = 0;
        for (std::size_t b = 0; b < view.m_pBodies.size(); ++b) {
            const auto& list = *view.m_pBodyTriangles[b];
            const std::vector<double>& areas = built.at(view.m_pBodies[b].get());
            for (std::size_t i = 0; i + 2 < list.size(); i += 3) {
                if (areas[i / 3] == 0.0)
                    continue;
                const double ratio = signedArea(list[i], list[i + 1], list[i + 2]) / areas[i / 3];
                sound += ratio >= 0.5 && ratio <= 2.0;
            }
        }
        shares.push_back(total == 0 ? 0.0 : 100.0 * sound / static_cast<double>(total));
    }
    return shares;
}

double medianTick(PhysicsPreset preset)
{
    std::vector<double> times;
    WordScene scene(1024, 768, 2000, preset);
    for (int i = 0; i < 100; ++i) {
        const auto start = std::chrono::steady_clock::now();
        scene.tick();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + 50, times.end());
    return times[50];
}

} // namespace

int main()
{
    const Scenario scenarios[] = {
        {"typed at 120 ms a key (spin as typed)", 8},
        {"typed at 500 ms a key", 31},
        {"typed at 1 s a key", 62},
        {"Manipulate mode (no spin), dropped", 0},
    };
    for (PhysicsPreset preset : {PhysicsPreset::AsDesigned, PhysicsPreset::Sturdy}) {
        std::printf("%s: sound triangles, %%\n\n| scenario | 1 s | 3 s | 5 s | 8 s |\n|---|---|---|---|---|\n",
                    preset == PhysicsPreset::Sturdy ? "Sturdy" : "As designed");
        for (const Scenario& scenario : scenarios) {
            std::printf("| %s |", scenario.name);
            for (double share : run(preset, scenario))
                std::printf(" %.1f%% |", share);
            std::printf("\n");
        }
        std::printf("\n");
    }

    // Side by side, twice each, to see the machine's noise.
    for (int round = 0; round < 2; ++round) {
        const double designed = medianTick(PhysicsPreset::AsDesigned);
        const double sturdy = medianTick(PhysicsPreset::Sturdy);
        std::printf("tick of 2,000 bodies: as designed %.2f ms, sturdy %.2f ms (%.2fx)\n", designed, sturdy,
                    sturdy / designed);
    }
    return 0;
}
