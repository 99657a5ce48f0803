// Scene files: a scene saved and opened goes on bit for bit as it would
// have, and a file that cannot be opened leaves the scene as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>

#include "platform/KeyCodes.h"
#include "platform/TaskPool.h"
#include "support/TempFolder.h"
#include "support/ViewFixture.h"
#include "view/CommandIds.h"
#include "view/SceneFile.h"

namespace {

constexpr const char* kWordNetAnswer = "fall, descend, go down -- (move downward and lower)";

// Every bit of every particle's position and velocity, in scene order.
std::uint64_t digest(const CLexfallView& view)
{
    std::uint64_t h = 14695981039346656037ull; // FNV-1a
    const auto mix = [&h](double v) {
        unsigned char bytes[sizeof v];
        std::memcpy(bytes, &v, sizeof v);
        for (unsigned char b : bytes)
            h = (h ^ b) * 1099511628211ull;
    };
    for (const auto& body : view.m_pBodies)
        for (int i = 0; i < body->particleCount(); ++i) {
            const Particle& p = *body->particleAt(i);
            for (double v : {p.position.x, p.position.y, p.position.z, p.velocity.x, p.velocity.y, p.velocity.z})
                mix(v);
        }
    return h ^ view.m_pBodies.size();
}

void spray(SceneRig& rig, int x, int y, int ticks)
{
    rig.view.OnLButtonDown(0, {x, y});
    for (int i = 0; i < ticks; ++i) {
        rig.view.OnMouseMove(0, {x + 9 * i, y + i % 7});
        rig.tick();
    }
    rig.view.OnLButtonUp(0, {x + 9 * ticks, y});
}

// Typing, a WordNet word, the nozzle and a while of falling (and, with
// collisions, piling up and falling asleep).
void play(SceneRig& rig, bool collide, const std::string& wordFile)
{
    CLexfallView& view = rig.view;
    view.m_fnWordNetSearch = [] { return kWordNetAnswer; };
    view.ChoosePreset(collide ? PhysicsPreset::Sturdy : PhysicsPreset::AsDesigned);
    view.SetCollide(collide);
    rig.type("Lexfall");
    view.OnChar(keycode::Escape, 1, 0);
    rig.tick(20);
    view.OnLButtonDblClk(0, {120, 60});
    rig.window.fileAnswer = wordFile;
    view.OnCommand(ID_MODE_NOZZLE);
    spray(rig, 40, 90, 30);
    view.OnCommand(ID_MODE_KEYBOARD);
    rig.tick(collide ? 300 : 60);
}

// What happens after the save: more typing, the nozzle (its words and
// random spins go on where they were), WordNet's next word, and 1,000 ticks.
void goOn(SceneRig& rig)
{
    rig.type("go");
    rig.view.OnLButtonDblClk(0, {300, 60});
    rig.view.OnCommand(ID_MODE_NOZZLE);
    spray(rig, 60, 120, 12);
    rig.view.OnCommand(ID_MODE_KEYBOARD);
    rig.tick(1000);
}

std::string encoded(const CLexfallView& view)
{
    std::string bytes, error;
    EXPECT_TRUE(sceneFile::encode(view, bytes, error)) << error;
    return bytes;
}

class SceneRoundTrip : public testing::TestWithParam<std::tuple<bool, int>> {};

TEST_P(SceneRoundTrip, GoesOnBitForBitAsIfNeverSaved)
{
    const auto [collide, threads] = GetParam();
    TempFolder folder;
    const std::string words = folder.write("words.txt", "soft bodies fall and bounce, springs hold letters\n");
    TaskPool pool(threads), otherPool(3 - threads);

    SceneRig original(640, 480);
    original.view.m_pPool = &pool;
    play(original, collide, words);
    if (collide) {
        const auto sleepers = std::count_if(original.view.m_pBodies.begin(), original.view.m_pBodies.end(),
                                            [&original](const auto& b) {
                                                const CollisionShape* s = original.view.m_collisions.shapeOf(*b);
                                                return s && s->rigid.asleep;
                                            });
        ASSERT_GT(sleepers, 0) << "the pile should have sleepers to save";
    }
    const std::string path = folder.path() + "/scene." + sceneFile::kExtension;
    std::string error, note;
    ASSERT_TRUE(sceneFile::save(original.view, path, error)) << error;
    ASSERT_TRUE(sceneFile::isSceneFile(path));

    // Opened over another scene, on the other number of threads, with
    // another WordNet answer at hand: the file's scene is what goes on.
    SceneRig reopened(640, 480);
    reopened.view.m_pPool = &otherPool;
    reopened.view.m_fnWordNetSearch = [] { return "another answer entirely"; };
    reopened.type("xyz");
    ASSERT_TRUE(sceneFile::open(reopened.view, path, error, note)) << error;
    EXPECT_EQ(note, "");
    EXPECT_EQ(digest(reopened.view), digest(original.view));
    EXPECT_TRUE(encoded(reopened.view) == encoded(original.view)) << "a value did not read back to the same bits";

    goOn(original);
    goOn(reopened);
    EXPECT_EQ(reopened.view.m_pBodies.size(), original.view.m_pBodies.size());
    EXPECT_EQ(digest(reopened.view), digest(original.view));
}

INSTANTIATE_TEST_SUITE_P(SceneFile, SceneRoundTrip,
                         testing::Combine(testing::Values(false, true), testing::Values(1, 2)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Colliding" : "Passing") + "On" +
                                    std::to_string(std::get<1>(info.param)) + "Thread" +
                                    (std::get<1>(info.param) > 1 ? "s" : "");
                         });

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The text with the first value under `key` (a number or a string)
// replaced by `value`.
std::string withValue(std::string text, const std::string& key, const std::string& value)
{
    const std::string name = "\"" + key + "\":";
    const std::size_t at = text.find(name);
    EXPECT_NE(at, std::string::npos) << key;
    if (at == std::string::npos)
        return text;
    const std::size_t begin = at + name.size();
    const std::size_t end = text[begin] == '"' ? text.find('"', begin + 1) + 1 : text.find_first_of(",}]", begin);
    return text.replace(begin, end - begin, value);
}

TEST(SceneFile, AFileThatCannotBeOpenedLeavesTheSceneAsItWas)
{
    TempFolder folder;
    // The file's scene: two letters, small enough to be written plain.
    SceneRig saved;
    saved.type("AB");
    saved.tick(5);
    const std::string good = encoded(saved.view);
    ASSERT_LT(good.size(), sceneFile::kCompressAbove);
    // A large one is compressed.
    SceneRig large;
    large.add("The quick brown fox jumps over the lazy dog, twice: the quick brown fox");
    const std::string packed = encoded(large.view);
    ASSERT_EQ(static_cast<unsigned char>(packed[0]), 0x1f);

    std::string millionBodies = R"("bodies":[)";
    for (int i = 0; i < 1'000'000; ++i)
        millionBodies += "0,";

    const struct {
        const char* what;
        std::string bytes;
        const char* said;
    } bad[] = {
        {"a word file", "soft bodies fall and bounce\n", "not a Lexfall scene"},
        {"other JSON", R"({"format":"something-else","version":1})", "not a Lexfall scene"},
        {"cut short", good.substr(0, good.size() / 2), "damaged or cut short"},
        {"compressed and cut short", packed.substr(0, packed.size() / 2), "damaged or cut short"},
        {"a newer version", withValue(good, "version", std::to_string(sceneFile::kVersion + 1)), "newer Lexfall"},
        {"an infinite number", withValue(good, "restitution", "1e999"), "out of range"},
        {"NaN", withValue(good, "restitution", "NaN"), "damaged"},
        {"a number of no use", withValue(good, "restitution", R"("a lot")"), "a number"},
        {"packed numbers cut short", withValue(good, "vx", R"("AAAAAAAA8H8=")"), "packed bytes"},
        {"a billion particles", withValue(good, "count", "1000000000"), "out of range"},
        {"a million bodies", replaced(good, R"("bodies":[)", millionBodies), "more than any scene"},
        {"a corner past the particles", withValue(good, "triangles", "[0,1,99999]"), "below"},
        {"an unknown force", replaced(good, R"("kind":"springs")", R"("kind":"magnets")"), "magnets"},
    };

    SceneRig rig;
    rig.type("Keep");
    rig.view.OnChar(keycode::Escape, 1, 0);
    rig.tick(30);
    const std::string before = encoded(rig.view);
    for (const auto& file : bad) {
        std::string error, note;
        EXPECT_FALSE(sceneFile::decode(file.bytes, rig.view, error, note)) << file.what;
        EXPECT_NE(error.find(file.said), std::string::npos) << file.what << ": " << error;
        EXPECT_TRUE(encoded(rig.view) == before) << file.what << " changed the scene";
    }
    for (const auto& [path, said] : {std::pair(folder.path() + "/missing.lexscene", "No such file"),
                                     std::pair(folder.path(), "not a file")}) {
        std::string error, note;
        EXPECT_FALSE(sceneFile::open(rig.view, path, error, note)) << path;
        EXPECT_NE(error.find(said), std::string::npos) << error;
        EXPECT_TRUE(encoded(rig.view) == before) << path << " changed the scene";
    }

    // A face that is not installed: the scene opens, new letters are
    // Arial's, and the note says so.
    std::string error, note;
    ASSERT_TRUE(sceneFile::decode(replaced(good, R"("face":"")", R"("face":"No Such Family")"), rig.view, error, note))
        << error;
    EXPECT_NE(note.find("No Such Family"), std::string::npos) << note;
    EXPECT_EQ(rig.view.m_strFace, "");
    EXPECT_TRUE(encoded(rig.view) == good);
    // A file of the first format still opens.
    EXPECT_TRUE(sceneFile::decode(withValue(good, "version", "1"), rig.view, error, note)) << error;
}

} // namespace
