#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "support/ViewFixture.h"
#include "view/CommandIds.h"
#include "view/SceneSettings.h"

namespace {

using Store = std::map<std::string, std::string>;

SceneSettings roundTrip(const SceneSettings& settings, Store* kept = nullptr)
{
    Store store;
    writeSettings(settings, [&store](const std::string& key, const std::string& value) { store[key] = value; });
    if (kept)
        *kept = store;
    return readSettings([&store](const std::string& key) -> std::optional<std::string> {
        const auto at = store.find(key);
        return at == store.end() ? std::nullopt : std::optional<std::string>(at->second);
    });
}

SceneSettings readFrom(const Store& store)
{
    return readSettings([&store](const std::string& key) -> std::optional<std::string> {
        const auto at = store.find(key);
        return at == store.end() ? std::nullopt : std::optional<std::string>(at->second);
    });
}

} // namespace

TEST(Settings, SurviveTheConfigAndABadValueFallsBackAlone)
{
    SceneSettings chosen = SceneSettings::forPreset(PhysicsPreset::Sturdy);
    chosen.physics.stiffness = 321.5;
    chosen.physics.gravityStrength = 0.0125;
    chosen.fontSize = 60;
    chosen.precision = 12.25;
    chosen.nozzlePeriod = 12;
    chosen.text = Rgb{12, 200, 255};
    chosen.background = Rgb{1, 2, 3};
    chosen.collide = true;
    chosen.utf8Words = true;
    chosen.smoothEdges = true;
    Store store;
    EXPECT_EQ(roundTrip(chosen, &store), chosen);
    EXPECT_EQ(roundTrip(SceneSettings::asDesigned()), SceneSettings::asDesigned());

    // Each bad value falls back to the program's own, the rest stand.
    Store spoiled = store;
    spoiled["Stiffness"] = "stiff";
    spoiled["Restitution"] = "1.5";
    spoiled["FontSize"] = "48.5";
    spoiled["TextColour"] = "#12345";
    spoiled["Preset"] = "wobbly";
    spoiled["SmoothEdges"] = "yes";
    spoiled.erase("Precision");
    const SceneSettings read = readFrom(spoiled);
    const SceneSettings designed = SceneSettings::asDesigned();
    EXPECT_EQ(read.physics.stiffness, designed.physics.stiffness);
    EXPECT_EQ(read.physics.restitution, designed.physics.restitution);
    EXPECT_EQ(read.fontSize, designed.fontSize);
    EXPECT_EQ(read.text, designed.text);
    EXPECT_EQ(read.preset, designed.preset);
    EXPECT_EQ(read.precision, designed.precision);
    EXPECT_EQ(read.smoothEdges, designed.smoothEdges);
    EXPECT_EQ(read.physics.gravityStrength, chosen.physics.gravityStrength);
    EXPECT_EQ(read.physics.shapeKeeping, chosen.physics.shapeKeeping);
    EXPECT_EQ(read.background, chosen.background);
}

TEST(Settings, PhysicsApplyToLaterLettersAndColoursAtOnce)
{
    SceneRig rig;
    CLexfallView& v = rig.view;
    rig.tick();
    rig.type("A");
    ASSERT_EQ(rig.bodyCount(), 1);
    const int forcesBefore = v.m_pBodies[0]->forceCount();

    SceneSettings settings = v.Settings();
    EXPECT_EQ(settings, SceneSettings::asDesigned());
    settings = SceneSettings::forPreset(PhysicsPreset::Sturdy);
    settings.text = Rgb{200, 10, 10};
    v.ApplySettings(settings);
    EXPECT_EQ(v.Settings(), settings);
    EXPECT_EQ(*v.m_pPen, (Pen{Rgb{200, 10, 10}, 1}));
    EXPECT_EQ(*v.m_pBrush, (Brush{Rgb{200, 10, 10}}));

    // The old letter keeps its forces; a new one gets the shape keeper last.
    rig.type("A");
    ASSERT_EQ(rig.bodyCount(), 2);
    EXPECT_EQ(v.m_pBodies[0]->forceCount(), forcesBefore);
    EXPECT_EQ(v.m_pBodies[1]->forceCount(), forcesBefore + 1);
    EXPECT_LE(v.m_dSpin, 6.0);

    // A preset keeps the colours.
    v.ChoosePreset(PhysicsPreset::AsDesigned);
    EXPECT_EQ(v.Settings().physics, SceneSettings::asDesigned().physics);
    EXPECT_EQ(v.m_crText, (Rgb{200, 10, 10}));
}

TEST(Settings, SturdyPushesEachParticleOnceAndOnlyWhileTheMouseMoves)
{
    SceneRig rig;
    CLexfallView& v = rig.view;
    v.ChoosePreset(PhysicsPreset::Sturdy);
    v.OnCommand(ID_MODE_MANIPULATE);
    rig.tick();
    rig.type("H");
    ASSERT_EQ(rig.bodyCount(), 1);
    ParticleSystem& body = *v.m_pBodies[0];
    const auto velocityX = [&body](int i) { return body.particleAt(i)->velocity.x; };

    v.OnLButtonDown(0, {100, 100});
    v.OnMouseMove(0, {110, 100});
    rig.tick();
    for (int i = 0; i < body.particleCount(); ++i)
        EXPECT_DOUBLE_EQ(velocityX(i), 6.0); // 10 pixels, once each
    rig.tick(5);
    for (int i = 0; i < body.particleCount(); ++i)
        EXPECT_DOUBLE_EQ(velocityX(i), 6.0); // the mouse stopped
    v.OnLButtonUp(0, {110, 100});
    rig.tick();
    EXPECT_DOUBLE_EQ(velocityX(0), 6.0);
}

// Every number the dialog accepts, at either end, gives a letter that does
// not fly apart: springs too stiff or too damped for one step a tick are
// stepped in smaller ones, and a soft letter kept upright is given a shape
// to turn. (A big letter typed with spin is fast at its rim, as it should be.)
TEST(Settings, LettersAtEveryExtremeStayWhole)
{
    for (const Setting& setting : settingTable()) {
        if (setting.kind != SettingKind::Number && setting.kind != SettingKind::Whole)
            continue;
        for (const double end : {setting.range.lo, setting.range.hi}) {
            SceneRig rig(1600, 1200);
            CLexfallView& v = rig.view;
            SceneSettings settings = v.Settings();
            ASSERT_TRUE(readSetting(setting, settings, std::to_string(end)));
            v.ApplySettings(settings);
            v.m_vInsert = Vector3{600.0, 400.0, 0.0};
            v.AddCharacter('@');
            v.m_bAnimate = true;
            double fastest = 0.0;
            for (int t = 0; t < 300; ++t) {
                rig.tick();
                for (const auto& body : v.m_pBodies)
                    for (int i = 0; i < body->particleCount(); ++i) {
                        const Vector3& velocity = body->particleAt(i)->velocity;
                        fastest = std::max(fastest, std::sqrt(velocity.dot(velocity)));
                    }
            }
            EXPECT_LT(fastest, 10000.0) << setting.key << " " << end << ": the letter flies apart";
        }
    }
}
