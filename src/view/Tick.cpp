#include <algorithm>
#include <span>

#include "physics/Collisions.h"
#include "platform/PixelConversion.h"
#include "platform/TaskPool.h"
#include "view/CLexfallView.h"

namespace {

constexpr unsigned kTimerId = 333;
constexpr unsigned kTimerPeriodMs = 16;
constexpr double kTimeStep = 0.01;
constexpr double kManipulationFactor = 0.2;
// Sturdy pushes each particle once, where the program pushes each of its
// triangle corners (about three per particle), and only while the mouse
// moves: the same push in all for a drag, none once it stops.
constexpr double kSturdyManipulationFactor = 0.6;
constexpr double kSpinDecay = 0.9090909090909091;
// The bodies are handed to the pool in runs of this many, newest first,
// whatever the number of threads. Smaller scenes are done in turn.
constexpr int kBodiesPerPart = 32;
constexpr int kParallelBodies = 256;
// Colliding letters rest with their lowest particles on the window's last
// row of pixels.
constexpr double kFloorAboveBottom = 1.0;

} // namespace

void CLexfallView::StartAnimationTimer() { m_nTimerID = SetTimer(kTimerId, kTimerPeriodMs); }

void CLexfallView::OnTimer(unsigned /*timerId*/)
{
    const IntRect client = GetClientRect();
    const double right = client.right;
    const double bottom = client.bottom;
    // Bodies the nozzle adds below wait for the next tick.
    const int n = static_cast<int>(m_pBodies.size());

    m_nCharsAllowed = 1;

    if (m_bLeftDown && m_bNozzleMode) {
        ++m_nEmitCounter;
        if (m_nEmitCounter >= m_nEmitPeriod) {
            EmitNextWord();
            m_nEmitCounter = 0;
        }
    }

    const bool sturdy = m_preset == PhysicsPreset::Sturdy;
    const Vector3 push = sturdy ? (m_vMouse - m_vMouseAtTick) * kSturdyManipulationFactor
                                : (m_vMouse - m_vMousePrev) * kManipulationFactor;
    const bool pushing = m_bManipulateMode && (push.x != 0.0 || push.y != 0.0 || push.z != 0.0);
    const bool collide = m_bCollide;
    const CollisionBox window{0.0, 0.0, right, bottom - kFloorAboveBottom};

    // Body by body, newest first: step and bounce, push, write its points
    // after those of every newer body, and see whether it has left. A body
    // touches only its own particles and its own stretch of points, so runs
    // of bodies go to the pool's threads at once. Colliding bodies step and
    // are pushed first, then meet each other, and only then are written.
    const auto move = [&](int i) {
        ParticleSystem& body = *m_pBodies[static_cast<std::size_t>(i)];
        const TriangleList& list = *m_pBodyTriangles[static_cast<std::size_t>(i)];
        if (collide) {
            m_collisions.advance(static_cast<std::size_t>(i), window, m_bAnimate ? kTimeStep : 0.0, pushing);
        } else if (m_bAnimate) {
            body.step(kTimeStep);
            body.bounceFloor(0.0, 0.0, right, bottom);
        }
        if (m_bManipulateMode && sturdy)
            for (int j = 0; j < body.particleCount(); ++j)
                body.particleAt(j)->velocity = body.particleAt(j)->velocity + push;
        else if (m_bManipulateMode)
            for (std::size_t j = list.size(); j-- > 0;)
                list[j]->velocity = list[j]->velocity + push;
    };
    const auto finish = [&](int i, int offset) {
        ParticleSystem& body = *m_pBodies[static_cast<std::size_t>(i)];
        const TriangleList& list = *m_pBodyTriangles[static_cast<std::size_t>(i)];
        UpdatePoints(list, offset);
        m_bodyPoints[static_cast<std::size_t>(n - 1 - i)] = static_cast<int>(list.size());
        // A body without particles (a blank) is never outside; a colliding
        // body whose positions broke leaves at once, touching no other.
        const bool broken = collide && m_collisions.broken(static_cast<std::size_t>(i));
        m_leaving[static_cast<std::size_t>(i)] =
            body.particleCount() > 0 && (broken || body.isOutside(0.0, 0.0, right, bottom));
    };

    // Part k holds bodies n-1-32k down to n-32(k+1); its points start after
    // those of every newer part.
    const int parts = (n + kBodiesPerPart - 1) / kBodiesPerPart;
    const auto eachBodyOf = [n](int k, auto&& each) {
        for (int i = n - 1 - k * kBodiesPerPart, last = std::max(0, n - (k + 1) * kBodiesPerPart); i >= last; --i)
            each(i);
    };
    const auto entries = [this](int i) { return static_cast<int>(m_pBodyTriangles[static_cast<std::size_t>(i)]->size()); };
    m_leaving.resize(static_cast<std::size_t>(n));
    m_bodyPoints.resize(static_cast<std::size_t>(n));
    m_partOffsets.resize(static_cast<std::size_t>(parts) + 1);
    m_partOffsets[0] = 0;
    for (int k = 0; k < parts; ++k) {
        int offset = m_partOffsets[static_cast<std::size_t>(k)];
        eachBodyOf(k, [&](int i) { offset += entries(i); });
        m_partOffsets[static_cast<std::size_t>(k) + 1] = offset;
    }
    const auto eachPart = [&](auto&& body) {
        const auto part = [&](int k) {
            int offset = m_partOffsets[static_cast<std::size_t>(k)];
            eachBodyOf(k, [&](int i) {
                body(i, offset);
                offset += entries(i);
            });
        };
        if (m_pPool && n >= kParallelBodies)
            m_pPool->run(parts, part);
        else
            for (int k = 0; k < parts; ++k)
                part(k);
    };
    if (collide) {
        m_collisions.addBodies(std::span(m_pBodies).first(static_cast<std::size_t>(n)),
                               std::span(m_pBodyTriangles).first(static_cast<std::size_t>(n)));
        eachPart([&](int i, int) { move(i); });
        if (m_bAnimate)
            m_collisions.step(m_pBodies, window, kTimeStep, m_pPool);
        eachPart([&](int i, int offset) { finish(i, offset); });
    } else {
        eachPart([&](int i, int offset) {
            move(i);
            finish(i, offset);
        });
    }
    const int t = m_partOffsets[static_cast<std::size_t>(parts)]; // the points of bodies that leave included

    // The bodies that left are taken out newest first, which leaves the
    // lists as taking each out in turn would.
    int kept = TriangleEntries();
    for (int i = n - 1; i >= 0; --i) {
        const std::size_t at = static_cast<std::size_t>(i);
        if (!m_leaving[at])
            continue;
        m_collisions.remove(*m_pBodies[at]);
        kept -= static_cast<int>(m_pBodyTriangles[at]->size());
        m_pBodies.erase(m_pBodies.begin() + i);
        m_pBodyTriangles.erase(m_pBodyTriangles.begin() + i);
    }
    m_nPoints = std::min(t, m_nPointCapacity);
    m_entryCount = {m_pBodyTriangles.size(), kept};
    m_vMouseAtTick = m_vMouse;

    m_dSpin *= kSpinDecay;
    if (!(m_dSpin > 0.0))
        m_dSpin = 0.0;

    Invalidate(true);
}

void CLexfallView::UpdatePoints(const TriangleList& list, int offset)
{
    // Only bodies that bypassed AddCharacter can exceed the buffer; their
    // extra points are not written.
    const int room = std::max(0, m_nPointCapacity - offset);
    const int count = std::min(static_cast<int>(list.size()), room);
    for (int i = 0; i < count; ++i) {
        const Vector3& p = list[static_cast<std::size_t>(i)]->position;
        m_pPoints[static_cast<std::size_t>(offset + i)] = IntPoint{roundToInt(p.x), roundToInt(p.y)};
    }
}
