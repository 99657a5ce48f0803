#include <algorithm>

#include "bodies/CharacterBody.h"
#include "view/CLexfallView.h"

namespace {

constexpr double kNozzleSpinRange = 12.0;
// Glyphs are sized at 96 pixels an inch, and lines of text lie this many
// ems apart.
constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr double kLineSpacing = 1.2;

} // namespace

void CLexfallView::AddCharacter(char32_t c)
{
    AddGlyph(c, std::nullopt, std::nullopt);
}

void CLexfallView::AddShapedWord(const std::u32string& word)
{
    for (const GlyphCache::ShapedGlyph& g : m_pMesher->shape(word))
        AddGlyph(g.key, g.advance, Vector3{g.xOffset, -g.yOffset, 0.0});
}

int CLexfallView::RightMargin() const { return GetClientRect().right - m_nFontSize / 4; }

void CLexfallView::AddGlyph(char32_t c, std::optional<double> placedAdvance, std::optional<Vector3> offset)
{
    const IntRect client = GetClientRect();
    const int limit = RightMargin();
    const double advance = placedAdvance ? *placedAdvance : m_pMesher->advanceWidth(c);

    // Colliding letters are matter that only physics moves, so the line
    // wraps below at the right margin instead of scrolling the scene.
    if (m_bCollide && m_vInsert.x + advance > limit && m_vInsert.x > m_dLineStart) {
        const double em = m_nFontSize * kPixelsPerPoint;
        m_vInsert = Vector3{m_dLineStart, std::min(m_vInsert.y + kLineSpacing * em, client.bottom - 0.25 * em), 0.0};
        m_pAdvances.clear();
    }

    const BodyRecipe recipe{m_dRestitution, m_vGravity, m_dDrag, m_dPrecision, m_dStiffness, m_dDamping, m_dShapeKeeping,
                             m_dKeepUpright};
    CharacterBody made = buildCharacterBody(*m_pMesher, c, recipe, offset ? m_vInsert + *offset : m_vInsert);
    ParticleSystem& body = *made.system;

    double w = m_dSpin;
    if (m_bLeftDown && m_bNozzleMode)
        w = -kNozzleSpinRange + 2.0 * kNozzleSpinRange * m_random.next() / RandomSequence::kMax;
    else if (m_bManipulateMode)
        w = 0.0;
    body.spin(w);
    m_dSpin = m_dSpinStart;

    m_vInsert = m_vInsert + Vector3{advance, 0.0, 0.0};

    // Keep the line inside the right margin by scrolling the whole scene
    // left one character at a time, oldest first. Without a stored advance
    // there is nothing to undo and the insertion point stays.
    while (!m_bCollide && m_vInsert.x > limit && !m_pAdvances.empty()) {
        const Vector3 shift{-m_pAdvances.front(), 0.0, 0.0};
        for (const auto& other : m_pBodies)
            other->translate(shift);
        body.translate(shift);
        m_vInsert = m_vInsert + shift;
        m_pAdvances.pop_front();
    }

    const int total = TriangleEntries() + static_cast<int>(made.triangles->size());
    m_nPoints = total;
    EnsurePointCapacity(total);
    m_entryCount = {m_pBodyTriangles.size() + 1, total};

    m_pAdvances.push_back(advance);
    m_pBodies.push_back(std::move(made.system));
    m_pBodyTriangles.push_back(std::move(made.triangles));
    m_leaving.reserve(m_pBodies.capacity());
    m_bodyPoints.reserve(m_pBodies.capacity());
}
