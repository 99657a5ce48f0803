#include "physics/ParticleSystem.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const std::less<const MOTUSforce*> kAddressOrder;

} // namespace

ParticleSystem::ParticleSystem(double restitution) : restitution(restitution) {}

ParticleSystem::~ParticleSystem() = default;

void ParticleSystem::reserve(int particles, int springs)
{
    if (particles > 0)
        m_particles.reserve(static_cast<std::size_t>(particles));
    if (springs > 0)
        m_springs.reserve(static_cast<std::size_t>(springs));
}

void ParticleSystem::addForce(std::unique_ptr<MOTUSforce> force)
{
    MOTUSforce* raw = force.get();
    const auto at = std::upper_bound(m_handedIn.begin(), m_handedIn.end(), raw,
                                     [](const MOTUSforce* f, const auto& held) { return kAddressOrder(f, held.get()); });
    m_handedIn.insert(at, std::move(force));
    m_order.push_back(ForceRun{raw, nullptr, 1});
    ++m_forceCount;
}

bool ParticleSystem::addForceUnique(std::unique_ptr<MOTUSforce>& force)
{
    // The list holds the very object only if the system already owns it:
    // handed in before, or made in its spring store.
    const MOTUSforce* raw = force.get();
    const auto held = std::lower_bound(m_handedIn.begin(), m_handedIn.end(), raw,
                                       [](const auto& h, const MOTUSforce* f) { return kAddressOrder(h.get(), f); });
    if ((held != m_handedIn.end() && held->get() == raw) || m_springs.owns(raw))
        return false;
    addForce(std::move(force));
    return true;
}

MOTUSforceSpring* ParticleSystem::addSpring(Particle* first, Particle* second, double restLength, double stiffness,
                                            double damping)
{
    MOTUSforceSpring& spring = m_springs.emplace(first, second, restLength, stiffness, damping);
    ForceRun* last = m_order.empty() ? nullptr : &m_order.back();
    if (last && last->springs && last->springs + last->count == &spring)
        ++last->count;
    else
        m_order.push_back(ForceRun{nullptr, &spring, 1});
    ++m_forceCount;
    return &spring;
}

MOTUSforce* ParticleSystem::forceAt(int index) const
{
    if (index < 0)
        return nullptr;
    for (const ForceRun& run : m_order) {
        if (index < run.count)
            return run.single ? run.single : run.springs + index;
        index -= run.count;
    }
    return nullptr;
}

Particle* ParticleSystem::nearestParticle(const Vector3& point, double& distance) const
{
    Particle* best = nullptr;
    double bestSq = 0.0;
    forEachParticle([&](Particle& p) {
        const Vector3 d = p.position - point;
        const double sq = d.dot(d);
        if (!best || sq < bestSq) {
            bestSq = sq;
            best = &p;
        }
    });
    if (best)
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
    return &m_particles.emplace(point, 1.0);
}

Particle* ParticleSystem::addParticle(const Vector3& position, const Vector3& velocity, double mass)
{
    Particle& p = m_particles.emplace(position, mass);
    p.velocity = velocity;
    return &p;
}

void ParticleSystem::step(double dt)
{
    const double h = dt / substeps;
    for (int k = 0; k < substeps; ++k)
        stepOnce(h);
}

void ParticleSystem::stepOnce(double dt)
{
    forEachParticle([](Particle& p) { p.force = Vector3{}; });
    for (const ForceRun& run : m_order) {
        if (run.single) {
            run.single->apply();
            continue;
        }
        // The spring class is final: these calls are direct and inlined.
        for (MOTUSforceSpring* s = run.springs, *end = run.springs + run.count; s != end; ++s)
            s->apply();
    }
    forEachParticle([dt](Particle& p) {
        p.velocity = p.velocity + p.force * dt;
        p.position = p.position + p.velocity * dt;
    });
}

void ParticleSystem::translate(const Vector3& offset)
{
    forEachParticle([&offset](Particle& p) { p.position = p.position + offset; });
}

void ParticleSystem::spin(double w)
{
    if (m_particles.empty())
        return;
    Vector3 sum;
    forEachParticle([&sum](Particle& p) { sum = sum + p.position; });
    const Vector3 c = sum * (1.0 / static_cast<double>(m_particles.size()));
    forEachParticle([&c, w](Particle& p) {
        const Vector3 d = p.position - c;
        p.velocity = p.velocity + Vector3{-d.y, d.x, 0.0} * w;
    });
}

bool ParticleSystem::isOutside(double left, double top, double right, double bottom) const
{
    // Comparisons with a NaN are false, so such a particle is never inside.
    for (const auto& chunk : m_particles.chunks())
        for (const Particle& p : chunk) {
            const Vector3& q = p.position;
            if (left <= q.x && top <= q.y && q.x < right && q.y < bottom)
                return false;
        }
    return true;
}

void ParticleSystem::bounceFloor(double /*left*/, double /*top*/, double /*right*/, double bottom)
{
    const double r = restitution;
    bool touching = false;
    forEachParticle([bottom, r, &touching](Particle& p) {
        if (p.position.y >= bottom) {
            touching = true;
            if (p.velocity.y > 0.0)
                p.velocity.y = -r * p.velocity.y;
        }
    });
    if (!floorHoldsBody || !touching)
        return;
    double mass = 0.0, fall = 0.0;
    forEachParticle([&mass, &fall](Particle& p) {
        mass += p.mass;
        fall += p.mass * p.velocity.y;
    });
    // Nor does its weight press it into the floor: it stands on it.
    double deepest = 0.0;
    forEachParticle([bottom, &deepest](Particle& p) { deepest = std::max(deepest, p.position.y - bottom); });
    if (deepest > 0.0)
        forEachParticle([deepest](Particle& p) { p.position.y -= deepest; });
    if (!(mass > 0.0) || !(fall > 0.0))
        return;
    // The body stops; the bounce of the touching particles alone throws
    // it back, as a letter's foot would.
    const double lift = -fall / mass;
    forEachParticle([lift](Particle& p) { p.velocity.y += lift; });
}
