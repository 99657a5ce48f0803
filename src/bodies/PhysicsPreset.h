#pragma once

#include <optional>
#include <string_view>

// How new letters are made to move. "As designed" is the program's own
// behaviour, letters that crumple as they fall; "Sturdy" keeps them
// readable: they wobble, squash on impact and spring back.
enum class PhysicsPreset { AsDesigned, Sturdy };

// The values a preset gives new bodies; a user may change each afterwards.
struct PhysicsValues {
    double stiffness = 200.0;    // of every spring
    double damping = 1.0;        // of every spring
    double shapeKeeping = 0.0;   // pull towards the body's own shape, 0 to 1
    double restitution = 0.4;    // of the floor
    double typingSpin = 48.0;    // spin of a key typed right after another
    double gravityStrength = 0.02; // the compass: gravity per cubed pixel of the needle
    double keepUpright = 0.0;    // pull back to the letter's upright orientation, 0 to 1
    double airDamping = 0.0;     // rate at which a letter's speed decays, per second

    bool operator==(const PhysicsValues&) const = default;
};

PhysicsValues presetValues(PhysicsPreset preset);

// "designed" and "sturdy", as the command line and the settings file say.
std::string_view presetName(PhysicsPreset preset);
std::optional<PhysicsPreset> presetNamed(std::string_view name);
