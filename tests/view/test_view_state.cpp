#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "glyph/InstallPaths.h"
#include "support/FakeCommandUpdate.h"
#include "support/TempFolder.h"
#include "support/ViewFixture.h"
#include "view/CommandIds.h"

namespace {

// Check mark the view's update handler shows for id; nullopt when the view
// said nothing about the check.
std::optional<bool> checkOf(const CLexfallView& view, int id)
{
    FakeCommandUpdate ui;
    EXPECT_TRUE(view.OnUpdateCommand(id, ui)) << id;
    EXPECT_FALSE(ui.enabled.has_value() && !*ui.enabled) << id << " must never be disabled";
    return ui.checked;
}

} // namespace

TEST(ViewState, ConstructionSetsTheInitialScene)
{
    SceneRig rig;
    const CLexfallView& v = rig.view;
    EXPECT_EQ(v.m_nTimerID, 0u);
    ASSERT_TRUE(v.m_pMesher);
    EXPECT_TRUE(v.m_pMesher->hasFont());
    EXPECT_STREQ(v.m_pszFontFile, "arial.ttf");
    EXPECT_TRUE(v.m_pBodies.empty());
    EXPECT_GE(v.m_pBodies.capacity(), 10u);
    EXPECT_TRUE(v.m_pBodyTriangles.empty());
    EXPECT_TRUE(v.m_pAdvances.empty());
    EXPECT_EQ(v.m_nPointCapacity, 0);
    EXPECT_EQ(v.m_nPoints, 0);
    ASSERT_TRUE(v.m_pPen && v.m_pBrush);
    EXPECT_EQ(*v.m_pPen, (Pen{Rgb{0, 0, 0}, 1}));
    EXPECT_EQ(*v.m_pBrush, (Brush{Rgb{0, 0, 0}}));
    EXPECT_EQ(v.m_vInsert, (Vector3{0, 300, 0}));
    EXPECT_EQ(v.m_vGravity, (Vector3{0, 100, 0}));
    EXPECT_EQ(v.m_nFontSize, 48);
    EXPECT_EQ(v.m_dSpin, 48.0);
    EXPECT_EQ(v.m_nCharsAllowed, 0);
    EXPECT_EQ(v.m_nEmitPeriod, 5);
    EXPECT_EQ(v.m_ptNeedle, (IntPoint{300, 317}));
    EXPECT_FALSE(v.m_pWords);
    EXPECT_EQ(v.m_strWordFileDirectory, lexfallShareDirectory());
}

TEST(ViewState, UpdateHandlersShowTheInitialCheckMarks)
{
    SceneRig rig;
    const std::vector<std::pair<int, bool>> expected = {
        {ID_MODE_KEYBOARD, true},       {ID_MODE_NOZZLE, false},         {ID_MODE_MANIPULATE, false},
        {ID_FONT_ARIAL, true},          {ID_FONT_SYMBOL, false},         {ID_DISPLAY_WIREFRAME, false},
        {ID_DISPLAY_SHADED, true},      {ID_DISPLAY_ANIMATE, false},     {ID_DISPLAY_SHOWCURSOR, true},
        {ID_DISPLAY_SHOWCOMPASS, false}, {ID_DISPLAY_SMOOTH, false},
    };
    for (const auto& [id, checked] : expected)
        EXPECT_EQ(checkOf(rig.view, id), checked) << id;

    // File Open has no check mark; the view handles it, so it is enabled.
    FakeCommandUpdate open;
    EXPECT_TRUE(rig.view.OnUpdateCommand(ID_FILE_OPEN, open));
    EXPECT_EQ(open.enabled, true);
    EXPECT_FALSE(open.checked.has_value());

    // No handler at all: the shell shows them disabled.
    FakeCommandUpdate ui;
    EXPECT_FALSE(rig.view.OnUpdateCommand(ID_DISPLAY_TEXTCOLOR, ui));
    EXPECT_FALSE(rig.view.OnUpdateCommand(ID_DISPLAY_BACKGROUNDCOLOR, ui));
    EXPECT_FALSE(rig.view.OnCommand(ID_DISPLAY_TEXTCOLOR));
    EXPECT_FALSE(rig.view.OnCommand(ID_DISPLAY_BACKGROUNDCOLOR));
    EXPECT_FALSE(rig.view.OnCommand(ID_APP_ABOUT));
    EXPECT_EQ(ui.checkCalls + ui.enableCalls, 0);
}

TEST(ViewState, CommandsRouteByIdentifier)
{
    SceneRig rig;
    CLexfallView& v = rig.view;

    ASSERT_TRUE(v.OnCommand(ID_DISPLAY_WIREFRAME));
    EXPECT_TRUE(v.m_bWireframe);
    EXPECT_EQ(checkOf(v, ID_DISPLAY_WIREFRAME), true);
    EXPECT_EQ(checkOf(v, ID_DISPLAY_SHADED), false);
    ASSERT_TRUE(v.OnCommand(ID_DISPLAY_SHADED));
    EXPECT_FALSE(v.m_bWireframe);

    for (int id : {ID_DISPLAY_ANIMATE, ID_DISPLAY_SHOWCURSOR, ID_DISPLAY_SHOWCOMPASS, ID_DISPLAY_SMOOTH}) {
        const bool before = *checkOf(v, id);
        ASSERT_TRUE(v.OnCommand(id));
        EXPECT_EQ(checkOf(v, id), !before) << id;
        ASSERT_TRUE(v.OnCommand(id));
        EXPECT_EQ(checkOf(v, id), before) << id;
    }

    ASSERT_TRUE(v.OnCommand(ID_MODE_MANIPULATE));
    EXPECT_TRUE(v.m_bManipulateMode);
    EXPECT_FALSE(v.m_bKeyboardMode);
    EXPECT_FALSE(v.m_bNozzleMode);
    ASSERT_TRUE(v.OnCommand(ID_MODE_KEYBOARD));
    EXPECT_TRUE(v.m_bKeyboardMode);
    EXPECT_FALSE(v.m_bManipulateMode);
    EXPECT_FALSE(v.m_bNozzleMode);

    // Nozzle without a word file asks for one; cancelling changes nothing.
    ASSERT_TRUE(v.OnCommand(ID_MODE_NOZZLE));
    ASSERT_EQ(rig.window.fileRequests.size(), 1u);
    EXPECT_EQ(rig.window.fileRequests[0].initialDirectory, lexfallShareDirectory());
    EXPECT_TRUE(v.m_bKeyboardMode);
    EXPECT_FALSE(v.m_bNozzleMode);

    // With words loaded it switches without a dialog.
    v.m_bWordsLoaded = true;
    ASSERT_TRUE(v.OnCommand(ID_MODE_NOZZLE));
    EXPECT_EQ(rig.window.fileRequests.size(), 1u);
    EXPECT_TRUE(v.m_bNozzleMode);
    EXPECT_FALSE(v.m_bKeyboardMode);
    EXPECT_FALSE(v.m_bManipulateMode);

    ASSERT_TRUE(v.OnCommand(ID_FILE_OPEN));
    EXPECT_EQ(rig.window.fileRequests.size(), 2u);

    // None of the commands repaints; the tick does.
    EXPECT_EQ(rig.window.invalidations, 0);
}

TEST(ViewState, FontSwitching)
{
    SceneRig rig;
    CLexfallView& v = rig.view;

    ASSERT_TRUE(v.OnCommand(ID_FONT_SYMBOL));
    EXPECT_STREQ(v.m_pszFontFile, "Symbol.ttf");
    EXPECT_EQ(checkOf(v, ID_FONT_SYMBOL), true);
    EXPECT_EQ(checkOf(v, ID_FONT_ARIAL), false);
    EXPECT_TRUE(v.m_pMesher->hasFont());

    ASSERT_TRUE(v.OnCommand(ID_FONT_ARIAL));
    EXPECT_STREQ(v.m_pszFontFile, "arial.ttf");
    EXPECT_EQ(checkOf(v, ID_FONT_ARIAL), true);

    // From here no face can be found: a reload would leave the mesher empty.
    TempFolder empty;
    v.m_pMesher->setFontDirectory(empty.path() + "/");
    v.OnFontArial();
    EXPECT_TRUE(v.m_pMesher->hasFont()) << "Arial while Arial is current must not reload";

    v.OnFontSymbol();
    EXPECT_STREQ(v.m_pszFontFile, "arial.ttf");
    EXPECT_EQ(checkOf(v, ID_FONT_ARIAL), true);
    EXPECT_EQ(checkOf(v, ID_FONT_SYMBOL), false);
    EXPECT_FALSE(v.m_pMesher->hasFont());

    // Without any face a character still becomes a body: no particles, no advance.
    v.AddCharacter('A');
    ASSERT_EQ(v.m_pBodies.size(), 1u);
    EXPECT_EQ(v.m_pBodies[0]->particleCount(), 0);
    EXPECT_EQ(v.m_vInsert, (Vector3{0, 300, 0}));
    EXPECT_EQ(v.m_pAdvances.back(), 0.0);
}

TEST(ViewState, SetFontFileFallsBackToArial)
{
    SceneRig rig;
    CLexfallView& v = rig.view;
    const double arialA = v.m_pMesher->advanceWidth('A');
    ASSERT_GT(arialA, 0.0);

    EXPECT_TRUE(v.SetFontFile("Symbol.ttf"));
    const double symbolA = v.m_pMesher->advanceWidth('A');
    EXPECT_NE(symbolA, arialA);

    EXPECT_FALSE(v.SetFontFile("no-such-face.ttf"));
    EXPECT_TRUE(v.m_pMesher->hasFont());
    EXPECT_EQ(v.m_pMesher->advanceWidth('A'), arialA);
}

// Another face takes the check mark from the Font menu's two; a face that
// cannot be had leaves the one in use and says why; Arial comes back.
TEST(ViewState, ChooseFaceKeepsTheFaceInUseOnFailure)
{
    SceneRig rig;
    CLexfallView& v = rig.view;
    const auto checked = [&v](int id) {
        FakeCommandUpdate ui;
        v.OnUpdateCommand(id, ui);
        return ui.checked.value_or(false);
    };
    std::string error;
    ASSERT_TRUE(v.ChooseFace("DejaVu Serif", error)) << error;
    EXPECT_EQ(v.m_pMesher->familyName(), "DejaVu Serif");
    EXPECT_FALSE(checked(ID_FONT_ARIAL));
    EXPECT_FALSE(checked(ID_FONT_SYMBOL));
    v.AddWord(U"AV"); // shaped: kerned
    ASSERT_EQ(v.m_pAdvances.size(), 2u);
    EXPECT_LT(v.m_pAdvances[0], v.m_pMesher->advanceWidth(U'A'));

    const TempFolder folder;
    for (const std::string& face : {std::string("No Such Family"), folder.write("broken.ttf", "no font")}) {
        EXPECT_FALSE(v.ChooseFace(face, error));
        EXPECT_NE(error.find(face), std::string::npos) << error;
        EXPECT_EQ(v.m_pMesher->familyName(), "DejaVu Serif");
        EXPECT_EQ(v.m_strFace, "DejaVu Serif");
    }
    v.OnCommand(ID_FONT_ARIAL);
    EXPECT_TRUE(checked(ID_FONT_ARIAL));
    EXPECT_EQ(v.m_pMesher->familyName(), "Liberation Sans");
}

TEST(ViewState, PointCapacityGrowsExactlyAndOnlyTheNewPartIsCleared)
{
    SceneRig rig;
    CLexfallView& v = rig.view;
    v.EnsurePointCapacity(6);
    ASSERT_EQ(v.m_nPointCapacity, 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(v.m_pPoints[i], (IntPoint{0, 0}));
    v.m_pPoints[5] = IntPoint{7, 8};
    const IntPoint* buffer = v.m_pPoints.get();

    v.EnsurePointCapacity(6);
    v.EnsurePointCapacity(3);
    EXPECT_EQ(v.m_nPointCapacity, 6);
    EXPECT_EQ(v.m_pPoints.get(), buffer);
    EXPECT_EQ(v.m_pPoints[5], (IntPoint{7, 8}));

    v.EnsurePointCapacity(9);
    EXPECT_EQ(v.m_nPointCapacity, 9);
    EXPECT_EQ(v.m_pPoints[5], (IntPoint{7, 8}));
    for (int i = 6; i < 9; ++i)
        EXPECT_EQ(v.m_pPoints[i], (IntPoint{0, 0}));

    // The storage beneath grows geometrically: the next steps reuse it.
    v.EnsurePointCapacity(1000);
    v.EnsurePointCapacity(1001);
    buffer = v.m_pPoints.get();
    v.m_pPoints[1000] = IntPoint{1, 2};
    v.EnsurePointCapacity(1400);
    EXPECT_EQ(v.m_nPointCapacity, 1400);
    EXPECT_EQ(v.m_pPoints.get(), buffer);
    EXPECT_EQ(v.m_pPoints[1000], (IntPoint{1, 2}));
    EXPECT_EQ(v.m_pPoints[1399], (IntPoint{0, 0}));
}

TEST(ViewState, ClearSceneEmptiesAllThreeLists)
{
    SceneRig rig;
    rig.add("ab");
    ASSERT_EQ(rig.bodyCount(), 2);
    const Vector3 insert = rig.view.m_vInsert;
    rig.view.ClearScene();
    EXPECT_TRUE(rig.view.m_pBodies.empty());
    EXPECT_TRUE(rig.view.m_pBodyTriangles.empty());
    EXPECT_TRUE(rig.view.m_pAdvances.empty());
    EXPECT_EQ(rig.view.m_vInsert, insert);
    rig.tick();
    EXPECT_EQ(rig.view.m_nPoints, 0);
}
