#include "view/SceneSettings.h"

#include <charconv>
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

constexpr const char* kSystemColour = "system";

// Every number of the settings: its key, where it lives and its range.
struct NumberSetting {
    const char* key;
    double SceneSettings::*field;
    double PhysicsValues::*physics;
    SettingRange range;
};

constexpr NumberSetting kNumbers[] = {
    {"Stiffness", nullptr, &PhysicsValues::stiffness, settingRanges::stiffness},
    {"Damping", nullptr, &PhysicsValues::damping, settingRanges::damping},
    {"ShapeKeeping", nullptr, &PhysicsValues::shapeKeeping, settingRanges::shapeKeeping},
    {"Restitution", nullptr, &PhysicsValues::restitution, settingRanges::restitution},
    {"TypingSpin", nullptr, &PhysicsValues::typingSpin, settingRanges::typingSpin},
    {"GravityStrength", nullptr, &PhysicsValues::gravityStrength, settingRanges::gravityStrength},
    {"KeepUpright", nullptr, &PhysicsValues::keepUpright, settingRanges::keepUpright},
    {"AirDamping", nullptr, &PhysicsValues::airDamping, settingRanges::airDamping},
    {"Precision", &SceneSettings::precision, nullptr, settingRanges::precision},
};

double& numberIn(SceneSettings& s, const NumberSetting& n) { return n.field ? s.*n.field : s.physics.*n.physics; }

} // namespace

SceneSettings SceneSettings::forPreset(PhysicsPreset preset)
{
    SceneSettings settings;
    settings.preset = preset;
    settings.physics = presetValues(preset);
    return settings;
}

void writeSettings(const SceneSettings& settings, const SettingWriter& write)
{
    SceneSettings copy = settings;
    write("Preset", std::string(presetName(settings.preset)));
    for (const NumberSetting& n : kNumbers)
        write(n.key, formatNumber(numberIn(copy, n)));
    write("FontSize", std::to_string(settings.fontSize));
    write("TextColour", formatColour(settings.text));
    write("BackgroundColour", settings.background ? formatColour(*settings.background) : kSystemColour);
    write("Collide", settings.collide ? "1" : "0");
    write("Utf8Words", settings.utf8Words ? "true" : "false");
    write("SmoothEdges", settings.smoothEdges ? "1" : "0");
}

SceneSettings readSettings(const SettingReader& read)
{
    SceneSettings settings;
    if (const auto name = read("Preset"))
        settings.preset = presetNamed(*name).value_or(settings.preset);
    for (const NumberSetting& n : kNumbers)
        if (const auto value = number(read(n.key), n.range.lo, n.range.hi))
            numberIn(settings, n) = *value;
    if (const auto size = number(read("FontSize"), settingRanges::fontSize.lo, settingRanges::fontSize.hi);
        size && *size == std::floor(*size))
        settings.fontSize = static_cast<int>(*size);
    settings.text = colour(read("TextColour")).value_or(settings.text);
    if (const auto background = read("BackgroundColour"); background && *background != kSystemColour)
        settings.background = colour(background);
    if (const auto collide = read("Collide"); collide == "1" || collide == "0")
        settings.collide = *collide == "1";
    settings.utf8Words = read("Utf8Words") == std::optional<std::string>("true");
    if (const auto smooth = read("SmoothEdges"); smooth == "1" || smooth == "0")
        settings.smoothEdges = *smooth == "1";
    return settings;
}
