#include <cstring>

#include "view/CLexfallView.h"

// Last: the library's header is C and defines many short macros.
#include <wn.h>

namespace {

// Printable and not a space: what a WordNet word is made of here.
bool isGraphic(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b >= 33 && b <= 126;
}

} // namespace

const char* CLexfallView::SearchWordNet()
{
    wninit();
    // findtheinfo takes a writable string; it returns the library's own
    // static buffer.
    char word[] = "fall";
    const char* text = findtheinfo(word, VERB, SYNS, ALLSENSES);
    return text ? text : "";
}

void CLexfallView::OnLButtonDblClk(unsigned, IntPoint)
{
    // One search per view; an empty answer is kept like any other.
    if (!m_pszWordNetText) {
        const char* text = m_fnWordNetSearch ? m_fnWordNetSearch() : nullptr;
        m_pszWordNetText = text ? text : "";
        m_nWordNetPos = 0;
    }
    EmitWordNetWord();
}

void CLexfallView::EmitWordNetWord()
{
    if (!m_pszWordNetText)
        return;
    const int n = static_cast<int>(std::strlen(m_pszWordNetText));
    if (n == 0)
        return;
    if (m_nWordNetPos < 0 || m_nWordNetPos > n)
        m_nWordNetPos = 0;

    while (m_nWordNetPos < n && !isGraphic(m_pszWordNetText[m_nWordNetPos]))
        ++m_nWordNetPos;
    while (isGraphic(m_pszWordNetText[m_nWordNetPos])) {
        AddCharacter(m_pszWordNetText[m_nWordNetPos]);
        ++m_nWordNetPos;
    }
    if (m_nWordNetPos >= n)
        m_nWordNetPos = 0;
}
