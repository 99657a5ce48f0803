#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/ViewFixture.h"

namespace {

// A scene whose WordNet search answers text, counting the searches.
struct WordNetRig {
    explicit WordNetRig(const char* text)
    {
        rig.view.m_fnWordNetSearch = [this, text] {
            ++searches;
            return text;
        };
    }

    // The word the next double-click adds: the bodies it appends are the
    // characters just before the new read position.
    std::string doubleClick()
    {
        const int before = rig.bodyCount();
        rig.view.OnLButtonDblClk(0, IntPoint{50, 100});
        const int added = rig.bodyCount() - before;
        if (added == 0)
            return {};
        const std::string text = rig.view.m_pszWordNetText;
        const int end = rig.view.m_nWordNetPos == 0 ? static_cast<int>(text.size()) : rig.view.m_nWordNetPos;
        return text.substr(static_cast<std::size_t>(end - added), static_cast<std::size_t>(added));
    }

    SceneRig rig;
    int searches = 0;
};

std::vector<std::string> clicks(WordNetRig& w, int n)
{
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i)
        out.push_back(w.doubleClick());
    return out;
}

using Words = std::vector<std::string>;

} // namespace

TEST(WordNetWalk, RunsOfGraphicCharactersOneClickEach)
{
    WordNetRig w("Sense 1\nfall, descend");
    EXPECT_EQ(clicks(w, 5), (Words{"Sense", "1", "fall,", "descend", "Sense"}));
    EXPECT_EQ(w.searches, 1);
    EXPECT_EQ(w.rig.view.m_nWordNetPos, 5);
    EXPECT_EQ(w.rig.bodyCount(), 5 + 1 + 5 + 7 + 5);
}

TEST(WordNetWalk, TrailingSeparatorsCostOneEmptyClick)
{
    WordNetRig w("=> drop\n");
    EXPECT_EQ(clicks(w, 4), (Words{"=>", "drop", "", "=>"}));

    WordNetRig leading("\n\t  lead");
    EXPECT_EQ(clicks(leading, 3), (Words{"lead", "lead", "lead"}));
}

TEST(WordNetWalk, BytesOutsidePrintableAsciiSeparate)
{
    WordNetRig w("ab\xC3\xA9" "cd\x7F" "ef~!");
    EXPECT_EQ(clicks(w, 4), (Words{"ab", "cd", "ef~!", "ab"}));
}

TEST(WordNetWalk, EmptyOrMissingTextAddsNothingAndIsNotSearchedAgain)
{
    WordNetRig empty("");
    EXPECT_EQ(clicks(empty, 3), (Words{"", "", ""}));
    EXPECT_EQ(empty.searches, 1);
    EXPECT_EQ(empty.rig.bodyCount(), 0);

    WordNetRig none(nullptr);
    EXPECT_EQ(clicks(none, 2), (Words{"", ""}));
    EXPECT_EQ(none.searches, 1);
    ASSERT_NE(none.rig.view.m_pszWordNetText, nullptr);
    EXPECT_STREQ(none.rig.view.m_pszWordNetText, "");
}

TEST(WordNetWalk, DoubleClickAddsAtTheInsertionPointInEveryModeWithoutMovingIt)
{
    WordNetRig w("ab cd");
    CLexfallView& view = w.rig.view;
    view.OnModeManipulate();
    view.OnLButtonDown(0, IntPoint{200, 150});
    view.OnLButtonUp(0, IntPoint{200, 150});
    EXPECT_EQ(w.doubleClick(), "ab");
    EXPECT_EQ(view.m_vInsert.y, 150.0);
    EXPECT_NEAR(view.m_vInsert.x, 200.0 + view.m_pMesher->advanceWidth('a') + view.m_pMesher->advanceWidth('b'), 1e-9);
    EXPECT_FALSE(view.m_bLeftDown);
}

TEST(WordNetLibrary, FirstWordsOfTheRealAnswer)
{
    WordNetRig w(nullptr);
    w.rig.view.m_fnWordNetSearch = &CLexfallView::SearchWordNet;
    const std::string first = w.doubleClick();
    const char* text = w.rig.view.m_pszWordNetText;
    ASSERT_NE(text, nullptr);
    if (*text == '\0')
        GTEST_SKIP() << "no WordNet database installed";

    // "<n> senses of fall", then the first sense.
    ASSERT_FALSE(first.empty());
    for (char c : first)
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c))) << first;
    EXPECT_EQ(clicks(w, 5), (Words{"senses", "of", "fall", "Sense", "1"}));
    EXPECT_EQ(w.rig.view.m_pszWordNetText, text) << "searched once, text kept";
}

TEST(WordNetLibraryDeathTest, MissingDatabaseGivesAnEmptyTextAndNoCrash)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::setenv("WNSEARCHDIR", "/nonexistent/lexfall-no-wordnet", 1);
            SceneRig rig;
            rig.view.OnLButtonDblClk(0, IntPoint{10, 10});
            rig.view.OnLButtonDblClk(0, IntPoint{10, 10});
            const bool quiet = rig.bodyCount() == 0 && rig.view.m_pszWordNetText &&
                               *rig.view.m_pszWordNetText == '\0';
            std::exit(quiet ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
