#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "view/CLexfallView.h"
#include "view/SceneFile.h"
#include "words/Utf8.h"
#include "words/WordFile.h"
#include "words/WordNet.h"

int CLexfallView::LoadWordFile(const char* path, std::unique_ptr<WordList>& words, bool utf8)
{
    return loadWordFile(path, words, utf8);
}

void CLexfallView::OnOpenWordFile()
{
    const OpenFileRequest request{".txt", "Text Files (*.txt)|*.txt||", m_strWordFileDirectory};
    std::string path;
    if (!ChooseFileToOpen(request, path))
        return;
    if (sceneFile::isSceneFile(path)) {
        if (m_fnOpenScene) {
            m_fnOpenScene(path);
        } else {
            std::string error, note;
            sceneFile::open(*this, path, error, note);
        }
        return;
    }

    // An unreadable file is treated like one without words: the mode
    // stays and the Nozzle command asks again. The status line says which.
    const std::string name = std::filesystem::path(path).filename().string();
    const int loaded = LoadWordFile(path.c_str(), m_pWords, m_bUtf8Words);
    if (loaded == 1) {
        m_bNozzleMode = true;
        m_bKeyboardMode = false;
        m_bManipulateMode = false;
        m_nWordIndex = 0;
        m_bWordsLoaded = true;
        const std::size_t count = m_pWords->size();
        ShowStatus(std::to_string(count) + (count == 1 ? " word from " : " words from ") + name);
    } else {
        m_bWordsLoaded = false;
        ShowStatus(name + (loaded == 0 ? " holds no words" : " cannot be read"));
    }
}

void CLexfallView::EmitNextWord()
{
    if (!m_pWords || m_pWords->empty())
        return;
    const int count = static_cast<int>(m_pWords->size());
    if (m_nWordIndex < 0 || m_nWordIndex >= count)
        m_nWordIndex = 0;

    // A whole word at once: the one-key-per-tick limit is the keyboard's.
    // Words are UTF-8; those read as described are plain ASCII.
    std::string_view word = (*m_pWords)[static_cast<std::size_t>(m_nWordIndex)];
    std::u32string codes;
    while (!word.empty()) {
        char32_t c = static_cast<unsigned char>(word.front());
        const int length = utf8Sequence(word, c);
        codes += c;
        word.remove_prefix(length > 0 ? static_cast<std::size_t>(length) : 1);
    }
    // Colliding words do not scroll the scene at the margin: a word that
    // would pass it starts again where the nozzle's line began, as a line
    // of text wraps, or far enough left to fit.
    if (m_bCollide) {
        double width = 0.0;
        for (const char32_t c : codes)
            width += m_pMesher->advanceWidth(c);
        const double limit = RightMargin();
        if (m_vInsert.x + width > limit)
            m_vInsert.x = m_dLineStart + width <= limit ? m_dLineStart : std::max(0.0, limit - width);
    }
    AddWord(codes);

    if (++m_nWordIndex >= count)
        m_nWordIndex = 0;
}

const char* CLexfallView::SearchWordNet() { return searchWordNet(); }

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
    const TextSpan word = nextWordNetWord(m_pszWordNetText, n, m_nWordNetPos);
    std::u32string codes;
    for (int i = word.begin; i < word.end; ++i)
        codes += static_cast<unsigned char>(m_pszWordNetText[i]);
    AddWord(codes);
}

void CLexfallView::AddWord(const std::u32string& word)
{
    // The two faces of the Font menu place a word letter by letter, as
    // designed; another face shapes it.
    if (!m_strFace.empty()) {
        AddShapedWord(word);
        return;
    }
    for (const char32_t c : word)
        AddCharacter(c);
}
