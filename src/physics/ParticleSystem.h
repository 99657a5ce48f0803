#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "physics/MOTUSforce.h"
#include "physics/Particle.h"

// One soft body: its particles, the forces on them and the floor
// restitution. Owns both lists; particles never move in memory, so the
// pointers forces and triangle lists hold stay valid for the body's life.
class ParticleSystem {
public:
    explicit ParticleSystem(double restitution) : restitution(restitution) {}

    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    void addForce(std::unique_ptr<MOTUSforce> force);

    // Appends the force unless a force of the list answers isSame for it.
    // On success the system takes it (the pointer is left empty); on
    // refusal it stays with the caller.
    bool addForceUnique(std::unique_ptr<MOTUSforce>& force);

    // Null when index is not below the number of forces.
    MOTUSforce* forceAt(int index) const;
    int forceCount() const { return static_cast<int>(forces.size()); }

    // Nearest particle to point, the earliest of equals; sets distance.
    // Null, with distance untouched, when the body has no particles.
    Particle* nearestParticle(const Vector3& point, double& distance) const;

    // The nearest particle within tolerance (inclusive), writing its
    // distance back into tolerance; otherwise a new particle of mass 1.0.
    Particle* findOrAddParticle(const Vector3& point, double& tolerance);

    // Semi-implicit Euler: clear, apply forces in order, then velocity
    // before position.
    void step(double dt);
    void translate(const Vector3& offset);
    // Positive w turns the body clockwise on screen (y grows downwards).
    void spin(double w);
    // True when no particle lies in [left, right) x [top, bottom).
    bool isOutside(double left, double top, double right, double bottom) const;
    // Reflects the downward speed of particles at or below bottom.
    void bounceFloor(double left, double top, double right, double bottom);

    int particleCount() const { return static_cast<int>(particles.size()); }
    Particle* particleAt(int index) const { return particles[static_cast<std::size_t>(index)].get(); }

    const double restitution;

private:
    std::vector<std::unique_ptr<Particle>> particles;
    std::vector<std::unique_ptr<MOTUSforce>> forces;
};
