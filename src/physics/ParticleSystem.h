#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "physics/MOTUSforce.h"
#include "physics/MOTUSforceSpring.h"
#include "physics/Particle.h"
#include "physics/StableStore.h"

// One soft body: its particles, the forces on them and the floor
// restitution. Particles and the springs made in place (addSpring) live
// in contiguous chunks that never move, so the pointers forces and
// triangle lists hold stay valid for the body's life, and a step walks
// memory in order instead of chasing one heap block per object.
class ParticleSystem {
public:
    explicit ParticleSystem(double restitution);
    ~ParticleSystem();

    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    // Room for this many more particles and springs, each in one block.
    void reserve(int particles, int springs);

    void addForce(std::unique_ptr<MOTUSforce> force);

    // Appends the force unless it is already in the list. On success the
    // system takes it (the pointer is left empty); on refusal it stays
    // with the caller. Logarithmic in the number of forces.
    bool addForceUnique(std::unique_ptr<MOTUSforce>& force);

    // Appends a spring made in the system's own storage: the same as
    // offering a new spring to addForceUnique, which never refuses one.
    MOTUSforceSpring* addSpring(Particle* first, Particle* second, double restLength, double stiffness,
                                double damping);

    // Null when index is not below the number of forces.
    MOTUSforce* forceAt(int index) const;
    int forceCount() const { return m_forceCount; }

    // Nearest particle to point, the earliest of equals; sets distance.
    // Null, with distance untouched, when the body has no particles.
    Particle* nearestParticle(const Vector3& point, double& distance) const;

    // The nearest particle within tolerance (inclusive), writing its
    // distance back into tolerance; otherwise a new particle of mass 1.0.
    Particle* findOrAddParticle(const Vector3& point, double& tolerance);
    // A particle exactly as given, next to none: for a body read back
    // from a file.
    Particle* addParticle(const Vector3& position, const Vector3& velocity, double mass);

    // Semi-implicit Euler: clear, apply forces in order, then velocity
    // before position; `substeps` times, each of dt / substeps.
    void step(double dt);
    void translate(const Vector3& offset);
    // Positive w turns the body clockwise on screen (y grows downwards).
    void spin(double w);
    // True when no particle lies in [left, right) x [top, bottom).
    bool isOutside(double left, double top, double right, double bottom) const;
    // Reflects the downward speed of particles at or below bottom.
    void bounceFloor(double left, double top, double right, double bottom);

    int particleCount() const { return static_cast<int>(m_particles.size()); }
    Particle* particleAt(int index) const { return &m_particles[static_cast<std::size_t>(index)]; }

    const double restitution;
    // Off for the program's own bodies. On, bounceFloor also stops the
    // whole body's fall once any particle touches the floor, so that the
    // body's weight does not rest on the few particles that touch it, and
    // lifts it back onto the floor: a body held in shape stands on it.
    bool floorHoldsBody = false;
    // Steps a tick is cut into: more for springs too stiff or too damped
    // for one step to follow (one step would throw the body apart).
    int substeps = 1;

private:
    // A stretch of the force list: one force handed in, or consecutive
    // springs of the spring store.
    struct ForceRun {
        MOTUSforce* single = nullptr;
        MOTUSforceSpring* springs = nullptr;
        int count = 0;
    };

    void stepOnce(double dt);

    template <class F>
    void forEachParticle(F f) const
    {
        for (auto& chunk : m_particles.chunks())
            for (Particle& p : chunk)
                f(p);
    }

    mutable StableStore<Particle> m_particles;
    StableStore<MOTUSforceSpring> m_springs;
    // Forces handed in, sorted by address for the duplicate check.
    std::vector<std::unique_ptr<MOTUSforce>> m_handedIn;
    std::vector<ForceRun> m_order;
    int m_forceCount = 0;
};
