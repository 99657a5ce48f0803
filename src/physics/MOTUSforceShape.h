#pragma once

#include <vector>

#include "physics/MOTUSforce.h"
#include "physics/Particle.h"

// Keeps a body in its shape: every particle is pulled towards its place in
// the best rigid fit (rotation and translation) of the body's rest shape
// onto where the particles are now. A shape under way is left alone, a
// squashed or folded one is pushed back. It adds to the accumulators, so it
// may stand anywhere after the global force.
class MOTUSforceShape final : public MOTUSforce {
public:
    // A particle's place in the rest shape, from the rest centroid.
    struct Offset {
        double x;
        double y;
    };

    // The particles as they stand now are the rest shape. `stiffness` is
    // the pull per pixel of distance from the fit, in pixels per second
    // squared; `damping` slows each particle's motion relative to the
    // body's rigid motion, `turnDamping` the body's turning (per second).
    // `upright` turns the body back towards the orientation of its rest
    // shape, in radians per second squared per radian away from it, and
    // `uprightDamping` slows that turning back. The particles are not owned.
    MOTUSforceShape(std::vector<Particle*> particles, double stiffness, double damping, double turnDamping = 0.0,
                    double upright = 0.0, double uprightDamping = 0.0);
    // The same force with its rest shape given, one offset a particle: for
    // a body read back from a file.
    MOTUSforceShape(std::vector<Particle*> particles, std::vector<Offset> rest, double stiffness, double damping,
                    double turnDamping, double upright, double uprightDamping);

    void apply() override;
    bool isSame(const MOTUSforce* other) const override;

    const double stiffness;
    const double damping;
    const double turnDamping;
    const double upright;
    const double uprightDamping;

    const std::vector<Particle*>& particles() const { return m_particles; }
    const std::vector<Offset>& restShape() const { return m_rest; }

private:
    std::vector<Particle*> m_particles;
    std::vector<Offset> m_rest; // each particle's rest offset from the rest centroid
};
