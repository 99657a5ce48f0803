// Replays a busy scene (typing at several paces, the nozzle, Manipulate,
// compass moves, both faces, Backspace, pauses) for 1,000 ticks and
// compares every particle position bit for bit, tick by tick, with what
// the build that recorded tests/data/busy-scene.txt produced. Any change
// to the default physics, its order of operations or its storage layout
// that alters a single bit shows here.
//
// To record anew (only when the default behaviour is meant to change):
//     LEXFALL_RECORD_BUSY_SCENE=tests/data/busy-scene.txt build/bin/lexfall_tests_view --gtest_filter=Replay.*
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/KeyCodes.h"
#include "support/TempFolder.h"
#include "support/ViewFixture.h"
#include "view/CommandIds.h"

namespace {

constexpr int kTicks = 1000;

// One line per tick: bodies, particles, and a digest of the bits of every
// particle position in scene order.
struct TickRecord {
    int bodies = 0;
    int particles = 0;
    std::uint64_t digest = 0;

    bool operator==(const TickRecord&) const = default;
};

TickRecord record(const CLexfallView& view)
{
    TickRecord r;
    std::uint64_t h = 14695981039346656037ull; // FNV-1a
    const auto mix = [&h](double v) {
        unsigned char bytes[sizeof v];
        std::memcpy(bytes, &v, sizeof v);
        for (unsigned char b : bytes)
            h = (h ^ b) * 1099511628211ull;
    };
    for (const auto& body : view.m_pBodies) {
        for (int i = 0; i < body->particleCount(); ++i) {
            const Vector3& p = body->particleAt(i)->position;
            mix(p.x);
            mix(p.y);
            mix(p.z);
        }
        r.particles += body->particleCount();
    }
    r.bodies = static_cast<int>(view.m_pBodies.size());
    r.digest = h;
    return r;
}

// Drives the scene; `tick` runs one timer message and records it.
class BusyScene {
public:
    explicit BusyScene(SceneRig& rig) : m_rig(rig), m_view(rig.view) {}

    std::vector<TickRecord> run()
    {
        TempFolder folder;
        m_rig.window.fileAnswer = folder.write("words.txt", "Soft bodies fall, bounce and drift;\n"
                                                            "springs hold 42 letters together.\n");

        typeAtPace("Lexfall", 1);
        click(40, 420);
        typeAtPace("soft", 25);
        key(keycode::Escape);
        ticks(40);

        // Gravity to the right and down, then a word made under it.
        m_view.OnRButtonDown(0, {312, 316});
        m_view.OnMouseMove(0, {318, 322});
        m_view.OnRButtonUp(0, {318, 322});
        click(200, 120);
        typeAtPace("gravity", 3);

        // Spray words along a path.
        m_view.OnCommand(ID_MODE_NOZZLE);
        m_view.OnLButtonDown(0, {90, 160});
        for (int i = 0; i < 60; ++i) {
            m_view.OnMouseMove(0, {90 + 7 * i, 160 + (i % 9)});
            ticks(2);
        }
        m_view.OnLButtonUp(0, {510, 168});

        // Shove everything, hold still, shove back.
        m_view.OnCommand(ID_MODE_MANIPULATE);
        m_view.OnLButtonDown(0, {400, 300});
        m_view.OnMouseMove(0, {410, 300});
        ticks(15);
        m_view.OnMouseMove(0, {404, 291});
        ticks(15);
        m_view.OnLButtonUp(0, {404, 291});
        typeAtPace("push", 2);

        // Pause: the push still accumulates and is released on resume.
        key(keycode::Escape);
        m_view.OnLButtonDown(0, {300, 300});
        m_view.OnMouseMove(0, {297, 296});
        ticks(10);
        m_view.OnLButtonUp(0, {297, 296});
        key(keycode::Escape);

        // Drag the compass by its hub, set a steep needle, show it.
        m_view.OnCommand(ID_MODE_KEYBOARD);
        m_view.OnRButtonDown(0, {318, 322});
        m_view.OnMouseMove(0, {250, 200});
        m_view.OnRButtonUp(0, {250, 200});
        m_view.OnRButtonDown(0, {250, 200});
        m_view.OnRButtonUp(0, {250, 200});
        m_view.OnRButtonDown(0, {236, 226});
        m_view.OnRButtonUp(0, {236, 226});
        m_view.OnRButtonDblClk(0, {260, 210});

        m_view.OnCommand(ID_FONT_SYMBOL);
        click(500, 80);
        typeAtPace("abgd", 4);
        m_view.OnCommand(ID_FONT_ARIAL);
        key(keycode::Backspace);
        typeAtPace("Wq", 8);

        ticks(kTicks - static_cast<int>(m_records.size()));
        return m_records;
    }

private:
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            m_view.OnTimer(m_view.m_nTimerID);
            m_records.push_back(record(m_view));
        }
    }

    void key(unsigned code) { m_view.OnChar(code, 1, 0); }

    void typeAtPace(const char* text, int ticksBetween)
    {
        for (const char* c = text; *c; ++c) {
            key(static_cast<unsigned char>(*c));
            ticks(ticksBetween);
        }
    }

    void click(int x, int y)
    {
        m_view.OnLButtonDown(0, {x, y});
        m_view.OnLButtonUp(0, {x, y});
    }

    SceneRig& m_rig;
    CLexfallView& m_view;
    std::vector<TickRecord> m_records;
};

std::string format(const TickRecord& r)
{
    char line[64];
    std::snprintf(line, sizeof line, "%d %d %016llx", r.bodies, r.particles, static_cast<unsigned long long>(r.digest));
    return line;
}

} // namespace

TEST(Replay, BusySceneIsBitIdenticalToTheRecording)
{
    SceneRig rig(800, 600);
    const std::vector<TickRecord> records = BusyScene(rig).run();
    ASSERT_EQ(records.size(), static_cast<std::size_t>(kTicks));

    if (const char* out = std::getenv("LEXFALL_RECORD_BUSY_SCENE")) {
        std::ofstream file(out);
        for (const TickRecord& r : records)
            file << format(r) << '\n';
        GTEST_SKIP() << "recorded " << out;
    }

    std::ifstream file(LEXFALL_TEST_DATA_DIR "busy-scene.txt");
    ASSERT_TRUE(file) << "no recording";
    std::string line;
    for (int tick = 0; tick < kTicks; ++tick) {
        ASSERT_TRUE(std::getline(file, line)) << "recording ends at tick " << tick;
        ASSERT_EQ(format(records[static_cast<std::size_t>(tick)]), line) << "first difference at tick " << tick + 1;
    }
}
