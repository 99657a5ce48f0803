#include "physics/MOTUSforceShape.h"

#include <cmath>
#include <utility>

MOTUSforceShape::MOTUSforceShape(std::vector<Particle*> particles, double stiffness, double damping,
                                 double turnDamping, double upright, double uprightDamping)
    : stiffness(stiffness), damping(damping), turnDamping(turnDamping), upright(upright),
      uprightDamping(uprightDamping), m_particles(std::move(particles))
{
    double mass = 0.0, cx = 0.0, cy = 0.0;
    for (const Particle* p : m_particles) {
        mass += p->mass;
        cx += p->mass * p->position.x;
        cy += p->mass * p->position.y;
    }
    if (mass > 0.0) {
        cx /= mass;
        cy /= mass;
    }
    m_rest.reserve(m_particles.size());
    for (const Particle* p : m_particles)
        m_rest.push_back(Offset{p->position.x - cx, p->position.y - cy});
}

MOTUSforceShape::MOTUSforceShape(std::vector<Particle*> particles, std::vector<Offset> rest, double stiffness,
                                 double damping, double turnDamping, double upright, double uprightDamping)
    : stiffness(stiffness), damping(damping), turnDamping(turnDamping), upright(upright),
      uprightDamping(uprightDamping), m_particles(std::move(particles)), m_rest(std::move(rest))
{
}

void MOTUSforceShape::apply()
{
    double mass = 0.0, cx = 0.0, cy = 0.0, vx = 0.0, vy = 0.0;
    for (const Particle* p : m_particles) {
        mass += p->mass;
        cx += p->mass * p->position.x;
        cy += p->mass * p->position.y;
        vx += p->mass * p->velocity.x;
        vy += p->mass * p->velocity.y;
    }
    if (!(mass > 0.0))
        return;
    cx /= mass;
    cy /= mass;
    vx /= mass;
    vy /= mass;

    // The rotation that best carries the rest offsets q onto the present
    // offsets p: in the plane, the angle of (sum p.q, sum p x q). Its
    // angular speed, from the momentum about the centroid, is the rigid
    // part of the motion that damping leaves alone.
    double dot = 0.0, cross = 0.0, momentum = 0.0, inertia = 0.0;
    for (std::size_t i = 0; i < m_particles.size(); ++i) {
        const Particle& p = *m_particles[i];
        const double px = p.position.x - cx;
        const double py = p.position.y - cy;
        dot += p.mass * (px * m_rest[i].x + py * m_rest[i].y);
        cross += p.mass * (m_rest[i].x * py - m_rest[i].y * px);
        momentum += p.mass * (px * p.velocity.y - py * p.velocity.x);
        inertia += p.mass * (px * px + py * py);
    }
    const double norm = std::sqrt(dot * dot + cross * cross);
    const double cosA = norm > 0.0 ? dot / norm : 1.0;
    const double sinA = norm > 0.0 ? cross / norm : 0.0;
    const double spin = inertia > 0.0 ? momentum / inertia : 0.0;
    // Turning back towards the rest orientation adds to the turn damping;
    // without an upright pull it is exactly 0 and changes nothing.
    const double back = upright > 0.0 ? -upright * std::atan2(sinA, cosA) - uprightDamping * spin : 0.0;
    const double turn = turnDamping * spin - back;

    for (std::size_t i = 0; i < m_particles.size(); ++i) {
        Particle& p = *m_particles[i];
        const double goalX = cx + cosA * m_rest[i].x - sinA * m_rest[i].y;
        const double goalY = cy + sinA * m_rest[i].x + cosA * m_rest[i].y;
        const double px = p.position.x - cx;
        const double py = p.position.y - cy;
        const double rigidVx = vx - spin * py;
        const double rigidVy = vy + spin * px;
        p.force.x += stiffness * (goalX - p.position.x) - damping * (p.velocity.x - rigidVx) + turn * py;
        p.force.y += stiffness * (goalY - p.position.y) - damping * (p.velocity.y - rigidVy) - turn * px;
    }
}

bool MOTUSforceShape::isSame(const MOTUSforce* other) const
{
    const auto* same = dynamic_cast<const MOTUSforceShape*>(other);
    return same != nullptr && same == this;
}
