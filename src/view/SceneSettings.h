#pragma once

#include <functional>
#include <optional>
#include <string>

#include "bodies/PhysicsPreset.h"
#include "platform/DrawContext.h"

// Everything a user sets in Display > Settings: the physics of letters
// made from now on, their size and outline precision, and the colours.
struct SceneSettings {
    PhysicsPreset preset = PhysicsPreset::AsDesigned;
    PhysicsValues physics;
    int fontSize = 48;
    double precision = 30.0;
    Rgb text{0, 0, 0};
    // None: the desktop's own window colour.
    std::optional<Rgb> background;
    // Letters keep out of one another.
    bool collide = false;
    // Word files in UTF-8 give words of every script.
    bool utf8Words = false;
    bool smoothEdges = false; // Display > Smooth Edges

    bool operator==(const SceneSettings&) const = default;

    // The program's own settings, or a preset's physics with them.
    static SceneSettings asDesigned() { return {}; }
    static SceneSettings forPreset(PhysicsPreset preset);
};

// The range each value may take, for the settings file and the dialog.
struct SettingRange {
    double lo;
    double hi;
};
namespace settingRanges {
inline constexpr SettingRange stiffness{0.0, 5000.0};
inline constexpr SettingRange damping{0.0, 100.0};
inline constexpr SettingRange shapeKeeping{0.0, 1.0};
inline constexpr SettingRange keepUpright{0.0, 1.0};
inline constexpr SettingRange airDamping{0.0, 10.0};
inline constexpr SettingRange restitution{0.0, 1.0};
inline constexpr SettingRange typingSpin{0.0, 100.0};
inline constexpr SettingRange gravityStrength{0.0, 1.0};
inline constexpr SettingRange precision{1.0, 100.0};
inline constexpr SettingRange fontSize{8.0, 200.0};
} // namespace settingRanges

// Settings as text under keys, for the per-user settings file. Reading
// takes each value that is present and valid, and the "As designed" value
// for each that is missing or bad, alone.
using SettingWriter = std::function<void(const std::string& key, const std::string& value)>;
using SettingReader = std::function<std::optional<std::string>(const std::string& key)>;
void writeSettings(const SceneSettings& settings, const SettingWriter& write);
SceneSettings readSettings(const SettingReader& read);
