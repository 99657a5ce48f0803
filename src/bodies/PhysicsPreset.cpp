#include "bodies/PhysicsPreset.h"

PhysicsValues presetValues(PhysicsPreset preset)
{
    if (preset == PhysicsPreset::Sturdy)
        // Shape keeping chosen with bench_integrity: the lowest keeping that
        // holds every letter's triangles sound through a fall onto the floor.
        // Air damping lets a shoved letter come to rest within a few of its
        // widths instead of gliding across the window.
        return {.shapeKeeping = 0.8, .typingSpin = 1.5, .keepUpright = 0.5, .airDamping = 0.6};
    return {};
}

std::string_view presetName(PhysicsPreset preset)
{
    return preset == PhysicsPreset::Sturdy ? "sturdy" : "designed";
}

std::optional<PhysicsPreset> presetNamed(std::string_view name)
{
    if (name == "designed")
        return PhysicsPreset::AsDesigned;
    if (name == "sturdy")
        return PhysicsPreset::Sturdy;
    return std::nullopt;
}
