#include <memory>

#include "physics/MOTUSforceGlobal.h"
#include "physics/MOTUSforceSpring.h"
#include "view/CLexfallView.h"

namespace {

// The builder's stiffness is a placeholder: AddCharacter overwrites it
// with m_dStiffness before the body ever moves.
constexpr double kBuildStiffness = 5.0;
constexpr double kBuildDamping = 1.0;
constexpr double kNozzleSpinRange = 12.0;

} // namespace

void CLexfallView::AddCharacter(char c)
{
    const IntRect client = GetClientRect();

    auto body = std::make_unique<ParticleSystem>(m_dRestitution);
    auto triangles = std::make_unique<TriangleList>();
    // The global force assigns the accumulators, so it must come first.
    body->addForce(std::make_unique<MOTUSforceGlobal>(triangles.get(), m_vGravity, m_dDrag));

    // A character without a glyph simply makes a body without particles.
    m_pMesher->buildGlyphBody(c, body.get(), m_dPrecision, kBuildStiffness, kBuildDamping, triangles.get());

    body->translate(m_vInsert);

    for (int i = 0; i < body->forceCount(); ++i)
        if (auto* spring = dynamic_cast<MOTUSforceSpring*>(body->forceAt(i)))
            spring->stiffness = m_dStiffness;

    double w = m_dSpin;
    if (m_bLeftDown && m_bNozzleMode)
        w = -kNozzleSpinRange + 2.0 * kNozzleSpinRange * m_random.next() / RandomSequence::kMax;
    else if (m_bManipulateMode)
        w = 0.0;
    body->spin(w);
    m_dSpin = m_dSpinStart;

    const double advance = m_pMesher->advanceWidth(c);
    m_vInsert = m_vInsert + Vector3{advance, 0.0, 0.0};

    // Keep the line inside the right margin by scrolling the whole scene
    // left one character at a time, oldest first. Without a stored advance
    // there is nothing to undo and the insertion point stays.
    const int limit = client.right - m_nFontSize / 4;
    while (m_vInsert.x > limit && !m_pAdvances.empty()) {
        const Vector3 shift{-m_pAdvances.front(), 0.0, 0.0};
        for (const auto& other : m_pBodies)
            other->translate(shift);
        body->translate(shift);
        m_vInsert = m_vInsert + shift;
        m_pAdvances.pop_front();
    }

    int total = static_cast<int>(triangles->size());
    for (const auto& list : m_pBodyTriangles)
        total += static_cast<int>(list->size());
    m_nPoints = total;
    EnsurePointCapacity(total);

    m_pAdvances.push_back(advance);
    m_pBodies.push_back(std::move(body));
    m_pBodyTriangles.push_back(std::move(triangles));
}
