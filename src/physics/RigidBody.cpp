#include "physics/RigidBody.h"

#include <algorithm>
#include <cmath>

void RigidBody::measure(const std::vector<Particle*>& particles, const CollisionBox& box)
{
    mass = 0.0;
    double mx = 0.0, my = 0.0, mvx = 0.0, mvy = 0.0;
    for (const Particle* p : particles) {
        mass += p->mass;
        mx += p->mass * p->position.x;
        my += p->mass * p->position.y;
        mvx += p->mass * p->velocity.x;
        mvy += p->mass * p->velocity.y;
    }
    meanVX = mass > 0.0 ? mvx / mass : 0.0;
    meanVY = mass > 0.0 ? mvy / mass : 0.0;
    centreX = mass > 0.0 ? mx / mass : box.left;
    centreY = mass > 0.0 ? my / mass : box.top;
    inertia = 0.0;
    double turning = 0.0;
    for (const Particle* p : particles) {
        const double dx = p->position.x - centreX, dy = p->position.y - centreY;
        inertia += p->mass * (dx * dx + dy * dy);
        turning += p->mass * (dx * p->velocity.y - dy * p->velocity.x);
    }
    // A body of one particle, or all in one point, still turns a little.
    inertia = std::max(inertia, mass);
    meanSpin = turning / inertia;
}

void RigidBody::applyMotion(const std::vector<Particle*>& particles, bool turns, double softDamping) const
{
    const Motion& m = motion;
    if (m.x == 0.0 && m.y == 0.0 && m.angle == 0.0 && m.vx == 0.0 && m.vy == 0.0 && m.spin == 0.0)
        return;
    if (!turns && softDamping > 0.0) {
        const double keep = 1.0 - softDamping;
        for (Particle* p : particles) {
            p->velocity.x = meanVX + (p->velocity.x - meanVX) * keep;
            p->velocity.y = meanVY + (p->velocity.y - meanVY) * keep;
        }
    }
    const double c = std::cos(m.angle), s = std::sin(m.angle);
    for (Particle* p : particles) {
        const double dx = p->position.x - centreX, dy = p->position.y - centreY;
        p->velocity.x += m.vx - m.spin * dy;
        p->velocity.y += m.vy + m.spin * dx;
        p->position.x = centreX + c * dx - s * dy + m.x;
        p->position.y = centreY + s * dx + c * dy + m.y;
    }
}

void RigidBody::settle(const std::vector<Particle*>& particles, double still, int ticks)
{
    const double x = centreX + motion.x, y = centreY + motion.y;
    const Vector3& first = particles.front()->position;
    const double stillSq = still * still;
    const auto near = [stillSq](double ax, double ay, double bx, double by) {
        return (ax - bx) * (ax - bx) + (ay - by) * (ay - by) <= stillSq;
    };
    if (quietTicks > 0 && near(x, y, restX, restY) && near(first.x, first.y, restFirstX, restFirstY)) {
        quietTicks = std::min(quietTicks + 1, ticks);
        return;
    }
    quietTicks = 1;
    restX = x;
    restY = y;
    restFirstX = first.x;
    restFirstY = first.y;
}

void RigidBody::sleep(const std::vector<Particle*>& particles)
{
    asleep = true;
    for (Particle* p : particles)
        p->velocity = Vector3{};
}
