#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "bodies/PhysicsPreset.h"
#include "platform/DrawContext.h"

// Everything a user sets in Display > Settings: the physics of letters
// made from now on, their size and outline precision, and the colours.
struct SceneSettings {
    PhysicsPreset preset = PhysicsPreset::AsDesigned;
    PhysicsValues physics;
    int fontSize = 48;
    double precision = 30.0;
    int nozzlePeriod = 5; // ticks between the Nozzle's words
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

// The range a number may take, for the settings file, the dialog and the
// command lines.
struct SettingRange {
    double lo;
    double hi;
};

enum class SettingKind {
    Preset,        // the physics preset, by name
    Number,        // a number in a range
    Whole,         // a whole number in a range
    Colour,        // "#rrggbb"
    DesktopColour, // "#rrggbb", or "system" for the desktop's own
    Switch,        // on or off
};

// One setting, declared once: where it lives, its key in the settings file,
// its row in the Settings dialog and its option on the command lines and in
// scripts. The accessor of its kind is the one set.
struct Setting {
    SettingKind kind;
    std::string_view key = {};   // in the settings file
    std::string_view label = {}; // the dialog's row, "" for a switch without one
    std::string_view check = {}; // a switch's check box
    std::string_view tip = {};   // the dialog's tooltip, or ""
    SettingRange range{0.0, 0.0};
    double step = 0.0;      // of the dialog's arrows
    unsigned digits = 0;    // shown in the dialog
    std::string_view option = {}; // "--OPTION" of lexfall and lexfall-record, the script's command; "" for none
    std::string_view help = {};   // what the option does, for --help

    PhysicsPreset& (*preset)(SceneSettings&) = nullptr;
    double& (*number)(SceneSettings&) = nullptr;
    int& (*whole)(SceneSettings&) = nullptr;
    Rgb& (*colour)(SceneSettings&) = nullptr;
    std::optional<Rgb>& (*desktopColour)(SceneSettings&) = nullptr;
    bool& (*on)(SceneSettings&) = nullptr;
};

// Every setting, in the dialog's order.
std::span<const Setting> settingTable();
const Setting* findSetting(std::string_view key);
const Setting* findSettingOption(std::string_view option);

// A setting's value as the settings file and the command lines write it.
std::string settingText(const Setting& setting, const SceneSettings& settings);
// Reads `text` into the setting; false, and nothing changed, when it is not
// a value the setting takes. A switch takes 1/0, true/false and on/off.
bool readSetting(const Setting& setting, SceneSettings& settings, std::string_view text);
// What a value the setting refuses should have been, for messages.
std::string settingExpects(const Setting& setting);

// Settings a run was started with: each applied in order over the saved
// ones. A preset brings its physics values, so it goes first.
struct SettingChoice {
    const Setting* setting;
    std::string text;
};
void applyChoices(std::span<const SettingChoice> choices, SceneSettings& settings);

// Settings as text under keys, for the per-user settings file. Reading
// takes each value that is present and valid, and the "As designed" value
// for each that is missing or bad, alone.
using SettingWriter = std::function<void(const std::string& key, const std::string& value)>;
using SettingReader = std::function<std::optional<std::string>(const std::string& key)>;
void writeSettings(const SceneSettings& settings, const SettingWriter& write);
SceneSettings readSettings(const SettingReader& read);
