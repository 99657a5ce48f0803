#include "physics/ParticleSystem.h"

#include <cmath>

void ParticleSystem::addForce(std::unique_ptr<MOTUSforce> force)
{
    forces.push_back(std::move(force));
}

bool ParticleSystem::addForceUnique(std::unique_ptr<MOTUSforce>& force)
{
    for (const auto& f : forces)
        if (f->isSame(force.get()))
            return false;
    forces.push_back(std::move(force));
    return true;
}

MOTUSforce* ParticleSystem::forceAt(int index) const
{
    if (index < 0 || index >= forceCount())
        return nullptr;
    return forces[static_cast<std::size_t>(index)].get();
}

Particle* ParticleSystem::nearestParticle(const Vector3& point, double& distance) const
{
    if (particles.empty())
        return nullptr;
    Particle* best = particles.front().get();
    Vector3 d = best->position - point;
    double bestSq = d.dot(d);
    for (std::size_t i = 1; i < particles.size(); ++i) {
        d = particles[i]->position - point;
        const double sq = d.dot(d);
        if (sq < bestSq) {
            bestSq = sq;
            best = particles[i].get();
        }
    }
    distance = std::sqrt(bestSq);
    return best;
}

Particle* ParticleSystem::findOrAddParticle(const Vector3& point, double& tolerance)
{
    double d = 0.0;
    if (Particle* p = nearestParticle(point, d); p != nullptr && d <= tolerance) {
        tolerance = d;
        return p;
    }
    particles.push_back(std::make_unique<Particle>(point, 1.0));
    return particles.back().get();
}

void ParticleSystem::step(double dt)
{
    for (const auto& p : particles)
        p->force = Vector3{};
    for (const auto& f : forces)
        f->apply();
    for (const auto& p : particles) {
        p->velocity = p->velocity + p->force * dt;
        p->position = p->position + p->velocity * dt;
    }
}

void ParticleSystem::translate(const Vector3& offset)
{
    for (const auto& p : particles)
        p->position = p->position + offset;
}

void ParticleSystem::spin(double w)
{
    if (particles.empty())
        return;
    Vector3 sum;
    for (const auto& p : particles)
        sum = sum + p->position;
    const Vector3 c = sum * (1.0 / static_cast<double>(particles.size()));
    for (const auto& p : particles) {
        const Vector3 d = p->position - c;
        p->velocity = p->velocity + Vector3{-d.y, d.x, 0.0} * w;
    }
}

bool ParticleSystem::isOutside(double left, double top, double right, double bottom) const
{
    // Comparisons with a NaN are false, so such a particle is never inside.
    for (const auto& p : particles) {
        const Vector3& q = p->position;
        if (left <= q.x && top <= q.y && q.x < right && q.y < bottom)
            return false;
    }
    return true;
}

void ParticleSystem::bounceFloor(double /*left*/, double /*top*/, double /*right*/, double bottom)
{
    for (const auto& p : particles)
        if (p->position.y >= bottom && p->velocity.y > 0.0)
            p->velocity.y = -restitution * p->velocity.y;
}
