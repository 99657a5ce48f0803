#pragma once

// A force acting on some particles of one body, applied once per step.
class MOTUSforce {
public:
    virtual ~MOTUSforce() = default;

    // Adds (or, for the global force, assigns) this force's accelerations
    // to the accumulators of the particles it acts on.
    virtual void apply() = 0;

    // True only when `other` is this very object.
    virtual bool isSame(const MOTUSforce* other) const = 0;
};
