#include <algorithm>

#include "platform/ForkJoin.h"
#include "platform/PixelConversion.h"
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
// From this many bodies on, the tick's work on the bodies is shared by two
// processors.
constexpr int kParallelBodies = 256;

} // namespace

void CLexfallView::StartAnimationTimer() { m_nTimerID = SetTimer(kTimerId, kTimerPeriodMs); }

void CLexfallView::OnTimer(unsigned /*timerId*/)
{
    const IntRect client = GetClientRect();
    const double right = client.right;
    const double bottom = client.bottom;
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
    // Body by body, newest first: step and bounce, push, write its points
    // after those of every newer body, and see whether it has left. A body
    // touches only its own particles and its own stretch of points, so the
    // older and the newer half of a big scene go on two processors at once;
    // the bodies that left are taken out afterwards, newest first, which
    // leaves the lists as taking each out in turn would.
    const auto process = [&](int i, int offset) {
        ParticleSystem& body = *m_pBodies[static_cast<std::size_t>(i)];
        if (m_bAnimate) {
            body.step(kTimeStep);
            body.bounceFloor(0.0, 0.0, right, bottom);
        }

        const TriangleList& list = *m_pBodyTriangles[static_cast<std::size_t>(i)];
        if (m_bManipulateMode && sturdy)
            for (int j = 0; j < body.particleCount(); ++j)
                body.particleAt(j)->velocity = body.particleAt(j)->velocity + push;
        else if (m_bManipulateMode)
            for (std::size_t j = list.size(); j-- > 0;)
                list[j]->velocity = list[j]->velocity + push;

        UpdatePoints(list, offset);
        m_bodyPoints[static_cast<std::size_t>(n - 1 - i)] = static_cast<int>(list.size());

        // A body without particles (a blank) is never outside.
        m_leaving[static_cast<std::size_t>(i)] = body.particleCount() > 0 && body.isOutside(0.0, 0.0, right, bottom);
        return offset + static_cast<int>(list.size());
    };

    m_leaving.resize(static_cast<std::size_t>(n));
    m_bodyPoints.resize(static_cast<std::size_t>(n));
    const int split = n / 2;
    int t = 0; // every body's points, those of the bodies that leave included
    auto half = [&](int part) {
        if (part == 1) {
            int offset = 0;
            for (int i = n - 1; i >= split; --i)
                offset = process(i, offset);
            return;
        }
        // The older half's points follow all of the newer half's.
        int offset = 0;
        for (int i = n - 1; i >= split; --i)
            offset += static_cast<int>(m_pBodyTriangles[static_cast<std::size_t>(i)]->size());
        for (int i = split - 1; i >= 0; --i)
            offset = process(i, offset);
        t = offset;
    };
    if (m_bParallelTick && n >= kParallelBodies && ForkJoin::shared().parallel()) {
        ForkJoin::shared().run(half);
    } else {
        half(1);
        half(0);
    }
    int kept = TriangleEntries();
    for (int i = n - 1; i >= 0; --i) {
        const std::size_t at = static_cast<std::size_t>(i);
        if (!m_leaving[at])
            continue;
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
