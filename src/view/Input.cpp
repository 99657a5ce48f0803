#include "platform/KeyCodes.h"
#include "view/CLexfallView.h"

namespace {

// Any Unicode character becomes a body; surrogates and codes beyond
// Unicode are no characters.
bool isCharacter(unsigned code)
{
    return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

Vector3 toVector(IntPoint point)
{
    return Vector3(point.x, point.y, 0.0);
}

} // namespace

void CLexfallView::OnKeyDown(unsigned, unsigned, unsigned)
{
}

void CLexfallView::OnChar(unsigned code, unsigned, unsigned)
{
    switch (code) {
    case keycode::Backspace:
        if (m_pBodies.empty())
            return;
        if (m_entryCount.lists == m_pBodyTriangles.size())
            m_entryCount = {m_entryCount.lists - 1, m_entryCount.entries - static_cast<int>(m_pBodyTriangles.back()->size())};
        // Letters resting on the one that goes may fall.
        m_collisions.remove(*m_pBodies.back());
        m_pBodies.pop_back();
        m_pBodyTriangles.pop_back();
        // After a scroll the body may have no advance left on this line:
        // then the insertion point stays where it is.
        if (!m_pAdvances.empty()) {
            m_vInsert.x -= m_pAdvances.back();
            m_pAdvances.pop_back();
        }
        return;
    case keycode::Enter:
        ClearScene();
        m_vInsert = Vector3(0.0, m_vInsert.y, 0.0);
        m_dLineStart = 0.0;
        return;
    case keycode::Escape:
        m_bAnimate = !m_bAnimate;
        return;
    default:
        break;
    }

    // One character per tick: keys arriving faster are dropped, not queued.
    if (isCharacter(code) && !m_bAdding && m_nCharsAllowed != 0) {
        --m_nCharsAllowed;
        m_bAdding = true;
        AddCharacter(static_cast<char32_t>(code));
        m_bAdding = false;
    }
    Invalidate(true);
}

void CLexfallView::OnLButtonDown(unsigned, IntPoint point)
{
    SetCapture();
    m_vInsert = toVector(point);
    m_dLineStart = m_vInsert.x;
    m_bLeftDown = true;
    if (m_bManipulateMode) {
        m_vMouse = toVector(point);
        m_vMousePrev = m_vMouse;
        m_vMouseAtTick = m_vMouse;
    }
    if (m_bNozzleMode) {
        m_nEmitCounter = 0;
        EmitNextWord();
    }
}

void CLexfallView::OnLButtonUp(unsigned, IntPoint)
{
    if (HasCapture())
        ReleaseCapture();
    m_bLeftDown = false;
    m_vMouse = Vector3();
    m_vMousePrev = Vector3();
    m_vMouseAtTick = Vector3();
}

void CLexfallView::OnMouseMove(unsigned, IntPoint point)
{
    if (!HasCapture())
        return;
    if (m_bLeftDown) {
        m_vInsert = toVector(point);
        m_dLineStart = m_vInsert.x;
        m_vMousePrev = m_vMouse;
        m_vMouse = toVector(point);
    } else if (m_bRightDown) {
        if (m_bMovingCompass)
            MoveCompass(point);
        else if (CompassSquare().contains(point))
            SetNeedle(point);
    }
}

void CLexfallView::OnRButtonDown(unsigned, IntPoint point)
{
    m_bRightDown = true;
    SetCapture();
    if (m_bManipulateMode)
        return;
    if (!CompassSquare().contains(point))
        return;
    if (CompassCentreBox().contains(point))
        m_bMovingCompass = true;
    else
        SetNeedle(point);
}

void CLexfallView::OnRButtonUp(unsigned, IntPoint)
{
    if (HasCapture())
        ReleaseCapture();
    m_bRightDown = false;
    m_bMovingCompass = false;
}

void CLexfallView::OnRButtonDblClk(unsigned, IntPoint point)
{
    MoveCompass(point);
    m_bShowCompass = !m_bShowCompass;
}
