#include "physics/CollisionShape.h"

CollisionShape::CollisionShape(const ParticleSystem& body, const std::vector<Particle*>& corners)
    : geometry(body, corners), tick(geometry)
{
}

bool CollisionShape::measureBody()
{
    rigid.motion = RigidBody::Motion{};
    if (!tick.measure(geometry))
        return tick.finite;
    rigid.measure(geometry.particles, tick.box);
    return true;
}
