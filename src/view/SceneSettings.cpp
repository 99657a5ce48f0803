#include "view/SceneSettings.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <cmath>
#include <cstdio>

namespace {

// A number read whole and within [lo, hi], or nothing.
std::optional<double> number(const std::optional<std::string>& text, double lo, double hi)
{
    if (!text)
        return std::nullopt;
    double value = 0.0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc{} || stop != end || !std::isfinite(value) || value < lo || value > hi)
        return std::nullopt;
    return value;
}

std::string formatNumber(double value)
{
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc{} ? std::string(text, end) : std::string("0");
}

// "#rrggbb".
std::optional<Rgb> colour(const std::optional<std::string>& text)
{
    if (!text || text->size() != 7 || (*text)[0] != '#')
        return std::nullopt;
    unsigned value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data() + 1, end, value, 16);
    if (error != std::errc{} || stop != end)
        return std::nullopt;
    return Rgb{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
               static_cast<std::uint8_t>(value)};
}

std::string formatColour(Rgb c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.red, c.green, c.blue);
    return text;
}

constexpr std::string_view kSystemColour = "system";

constexpr std::string_view kOnTexts[] = {"1", "true", "on"};
constexpr std::string_view kOffTexts[] = {"0", "false", "off"};

template <std::size_t N>
bool among(std::string_view text, const std::string_view (&texts)[N])
{
    return std::find(std::begin(texts), std::end(texts), text) != std::end(texts);
}

constexpr Setting kSettings[] = {
    {.kind = SettingKind::Preset, .key = "Preset", .label = "&Physics:", .option = "physics",
     .help = "how new letters move: designed (they crumple as they fall) or sturdy (they stay readable)",
     .preset = [](SceneSettings& s) -> PhysicsPreset& { return s.preset; }},
    {.kind = SettingKind::Number, .key = "Stiffness", .label = "Spring &stiffness:", .range = {0.0, 5000.0},
     .step = 10.0, .digits = 1, .option = "stiffness", .help = "of every spring of new letters",
     .number = [](SceneSettings& s) -> double& { return s.physics.stiffness; }},
    {.kind = SettingKind::Number, .key = "Damping", .label = "Spring &damping:", .range = {0.0, 100.0},
     .step = 0.1, .digits = 2, .option = "damping", .help = "of every spring of new letters",
     .number = [](SceneSettings& s) -> double& { return s.physics.damping; }},
    {.kind = SettingKind::Number, .key = "ShapeKeeping", .label = "Shape &keeping:", .range = {0.0, 1.0},
     .step = 0.05, .digits = 2, .option = "shape-keeping", .help = "pull of new letters towards their own shape",
     .number = [](SceneSettings& s) -> double& { return s.physics.shapeKeeping; }},
    {.kind = SettingKind::Number, .key = "KeepUpright", .label = "Keep &upright:", .range = {0.0, 1.0},
     .step = 0.05, .digits = 2, .option = "keep-upright", .help = "pull of new letters back to upright",
     .number = [](SceneSettings& s) -> double& { return s.physics.keepUpright; }},
    {.kind = SettingKind::Number, .key = "AirDamping", .label = "A&ir damping:", .range = {0.0, 10.0},
     .step = 0.1, .digits = 2, .option = "air-damping", .help = "rate at which a new letter's speed decays",
     .number = [](SceneSettings& s) -> double& { return s.physics.airDamping; }},
    {.kind = SettingKind::Number, .key = "Restitution", .label = "Floor &restitution:", .range = {0.0, 1.0},
     .step = 0.05, .digits = 2, .option = "restitution", .help = "how high new letters bounce off the floor",
     .number = [](SceneSettings& s) -> double& { return s.physics.restitution; }},
    {.kind = SettingKind::Number, .key = "TypingSpin", .label = "T&yping spin:", .range = {0.0, 100.0},
     .step = 1.0, .digits = 1, .option = "typing-spin", .help = "spin of a key typed right after another",
     .number = [](SceneSettings& s) -> double& { return s.physics.typingSpin; }},
    {.kind = SettingKind::Number, .key = "GravityStrength", .label = "Compass &gravity strength:",
     .range = {0.0, 1.0}, .step = 0.001, .digits = 4, .option = "gravity-strength",
     .help = "gravity per cubed pixel of the compass needle",
     .number = [](SceneSettings& s) -> double& { return s.physics.gravityStrength; }},
    {.kind = SettingKind::Whole, .key = "FontSize", .label = "&Font size:", .range = {8.0, 200.0}, .step = 1.0,
     .option = "font-size", .help = "of new letters, in points",
     .whole = [](SceneSettings& s) -> int& { return s.fontSize; }},
    {.kind = SettingKind::Number, .key = "Precision", .label = "C&hord precision:", .range = {1.0, 100.0},
     .step = 1.0, .digits = 1, .option = "precision", .help = "chord extent of new letters' outlines, in pixels",
     .number = [](SceneSettings& s) -> double& { return s.precision; }},
    {.kind = SettingKind::Whole, .key = "NozzlePeriod", .label = "&Nozzle period:", .range = {1.0, 60.0},
     .step = 1.0, .option = "nozzle-period", .help = "ticks between the Nozzle's words while the button is held",
     .whole = [](SceneSettings& s) -> int& { return s.nozzlePeriod; }},
    {.kind = SettingKind::Colour, .key = "TextColour", .label = "&Text colour:", .option = "text-colour",
     .help = "of the letters, #rrggbb",
     .colour = [](SceneSettings& s) -> Rgb& { return s.text; }},
    {.kind = SettingKind::DesktopColour, .key = "BackgroundColour", .label = "&Background colour:",
     .option = "background-colour", .help = "#rrggbb, or system for the desktop's window colour",
     .desktopColour = [](SceneSettings& s) -> std::optional<Rgb>& { return s.background; }},
    {.kind = SettingKind::Switch, .key = "Collide", .check = "&Letters collide", .option = "collide",
     .help = "letters collide: they rest on the floor and on each other and pile up",
     .on = [](SceneSettings& s) -> bool& { return s.collide; }},
    {.kind = SettingKind::Switch, .key = "Utf8Words", .check = "&Words in every language (UTF-8)",
     .tip = "Nozzle word files in UTF-8 give words of letters and numbers of any script", .option = "utf8-words",
     .help = "read Nozzle word files in UTF-8 as words of every language",
     .on = [](SceneSettings& s) -> bool& { return s.utf8Words; }},
    {.kind = SettingKind::Switch, .key = "SmoothEdges", .label = "Edges:", .check = "Smooth &edges",
     .option = "smooth", .help = "draw with smooth edges (Display > Smooth Edges)",
     .on = [](SceneSettings& s) -> bool& { return s.smoothEdges; }},
};

} // namespace

std::span<const Setting> settingTable() { return kSettings; }

const Setting* findSetting(std::string_view key)
{
    for (const Setting& setting : kSettings)
        if (setting.key == key)
            return &setting;
    return nullptr;
}

const Setting* findSettingOption(std::string_view option)
{
    for (const Setting& setting : kSettings)
        if (!setting.option.empty() && setting.option == option)
            return &setting;
    return nullptr;
}

std::string settingText(const Setting& setting, const SceneSettings& settings)
{
    // The accessors give references into a copy: reading changes nothing.
    SceneSettings s = settings;
    switch (setting.kind) {
    case SettingKind::Preset:
        return std::string(presetName(setting.preset(s)));
    case SettingKind::Number:
        return formatNumber(setting.number(s));
    case SettingKind::Whole:
        return std::to_string(setting.whole(s));
    case SettingKind::Colour:
        return formatColour(setting.colour(s));
    case SettingKind::DesktopColour: {
        const std::optional<Rgb>& c = setting.desktopColour(s);
        return c ? formatColour(*c) : std::string(kSystemColour);
    }
    case SettingKind::Switch:
        return setting.on(s) ? "1" : "0";
    }
    return {};
}

bool readSetting(const Setting& setting, SceneSettings& settings, std::string_view text)
{
    const std::optional<std::string> given{std::string(text)};
    switch (setting.kind) {
    case SettingKind::Preset:
        if (const auto preset = presetNamed(text)) {
            setting.preset(settings) = *preset;
            return true;
        }
        return false;
    case SettingKind::Number:
        if (const auto value = number(given, setting.range.lo, setting.range.hi)) {
            setting.number(settings) = *value;
            return true;
        }
        return false;
    case SettingKind::Whole:
        if (const auto value = number(given, setting.range.lo, setting.range.hi); value && *value == std::floor(*value)) {
            setting.whole(settings) = static_cast<int>(*value);
            return true;
        }
        return false;
    case SettingKind::Colour:
        if (const auto c = colour(given)) {
            setting.colour(settings) = *c;
            return true;
        }
        return false;
    case SettingKind::DesktopColour:
        if (text == kSystemColour) {
            setting.desktopColour(settings).reset();
            return true;
        }
        if (const auto c = colour(given)) {
            setting.desktopColour(settings) = *c;
            return true;
        }
        return false;
    case SettingKind::Switch:
        if (among(text, kOnTexts) || among(text, kOffTexts)) {
            setting.on(settings) = among(text, kOnTexts);
            return true;
        }
        return false;
    }
    return false;
}

std::string settingExpects(const Setting& setting)
{
    switch (setting.kind) {
    case SettingKind::Preset:
        return "designed or sturdy";
    case SettingKind::Number:
        return "a number from " + formatNumber(setting.range.lo) + " to " + formatNumber(setting.range.hi);
    case SettingKind::Whole:
        return "a whole number from " + formatNumber(setting.range.lo) + " to " + formatNumber(setting.range.hi);
    case SettingKind::Colour:
        return "a colour as #rrggbb";
    case SettingKind::DesktopColour:
        return "a colour as #rrggbb, or system";
    case SettingKind::Switch:
        return "on or off";
    }
    return {};
}

void applyChoices(std::span<const SettingChoice> choices, SceneSettings& settings)
{
    for (const SettingChoice& choice : choices)
        if (choice.setting->kind == SettingKind::Preset && readSetting(*choice.setting, settings, choice.text))
            settings.physics = presetValues(settings.preset);
    for (const SettingChoice& choice : choices)
        if (choice.setting->kind != SettingKind::Preset)
            readSetting(*choice.setting, settings, choice.text);
}

SceneSettings SceneSettings::forPreset(PhysicsPreset preset)
{
    SceneSettings settings;
    settings.preset = preset;
    settings.physics = presetValues(preset);
    return settings;
}

void writeSettings(const SceneSettings& settings, const SettingWriter& write)
{
    for (const Setting& setting : kSettings)
        write(std::string(setting.key), settingText(setting, settings));
}

SceneSettings readSettings(const SettingReader& read)
{
    SceneSettings settings;
    for (const Setting& setting : kSettings)
        if (const auto text = read(std::string(setting.key)))
            readSetting(setting, settings, *text);
    return settings;
}
