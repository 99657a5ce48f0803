#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/TaskPool.h"
#include "support/FakeCommandUpdate.h"
#include "support/FakeWindow.h"
#include "support/RecordingDrawContext.h"

TEST(IntRect, ContainsIsHalfOpen)
{
    const IntRect r{200, 200, 400, 400};
    EXPECT_EQ(r.width(), 200);
    EXPECT_EQ(r.height(), 200);
    EXPECT_TRUE(r.contains({200, 200}));
    EXPECT_TRUE(r.contains({399, 399}));
    EXPECT_FALSE(r.contains({400, 300}));
    EXPECT_FALSE(r.contains({300, 400}));
    EXPECT_FALSE(r.contains({199, 300}));
    EXPECT_FALSE(r.contains({300, 199}));
}

TEST(FakeWindow, TimerCaptureInvalidateAndDialog)
{
    FakeWindow window(800, 600);
    EXPECT_EQ(window.clientRect(), (IntRect{0, 0, 800, 600}));
    window.setClientSize(640, 480);
    EXPECT_EQ(window.clientRect(), (IntRect{0, 0, 640, 480}));

    EXPECT_EQ(window.setTimer(333, 16), 333u);
    window.refuseTimers = true;
    EXPECT_EQ(window.setTimer(333, 16), 0u);
    ASSERT_EQ(window.timerRequests.size(), 2u);
    EXPECT_EQ(window.timerRequests[1], (FakeWindow::TimerRequest{333, 16}));

    window.invalidate(true);
    window.invalidate(false);
    EXPECT_EQ(window.invalidations, 2);
    EXPECT_EQ(window.erasingInvalidations, 1);

    EXPECT_FALSE(window.hasCapture());
    window.setCapture();
    EXPECT_TRUE(window.hasCapture());
    window.releaseCapture();
    EXPECT_FALSE(window.hasCapture());
    EXPECT_EQ(window.captureCalls, 1);
    EXPECT_EQ(window.releaseCalls, 1);

    std::string path = "unchanged";
    EXPECT_FALSE(window.chooseFileToOpen({".txt", "Text Files (*.txt)|*.txt||", "/tmp/"}, path));
    EXPECT_EQ(path, "unchanged");
    window.fileAnswer = "/tmp/words.txt";
    EXPECT_TRUE(window.chooseFileToOpen({".txt", "Text Files (*.txt)|*.txt||", "/tmp/"}, path));
    EXPECT_EQ(path, "/tmp/words.txt");
    ASSERT_EQ(window.fileRequests.size(), 2u);
    EXPECT_EQ(window.fileRequests[0].initialDirectory, "/tmp/");
}

TEST(RecordingDrawContext, RecordsComparableCallsInOrder)
{
    RecordingDrawContext dc;
    DrawContext& ctx = dc;
    const IntPoint tri[3] = {{1, 2}, {3, 4}, {5, 6}};
    ctx.selectPen(Pen{Rgb{1, 2, 3}, 1});
    ctx.selectNullBrush();
    ctx.polygon(tri, 3);
    ctx.ellipse(10, 20, 30, 40);
    ctx.moveTo(7, 8);
    ctx.lineTo(9, 10);

    const std::vector<DrawCall> expected = {
        DrawCall::selectPen(Pen{Rgb{1, 2, 3}, 1}), DrawCall::selectNullBrush(),
        DrawCall::polygon({{1, 2}, {3, 4}, {5, 6}}), DrawCall::ellipse(10, 20, 30, 40),
        DrawCall::moveTo(7, 8),                     DrawCall::lineTo(9, 10),
    };
    EXPECT_EQ(dc.calls, expected);
    EXPECT_NE(DrawCall::moveTo(7, 8), DrawCall::lineTo(7, 8));
    EXPECT_NE(DrawCall::selectPen(Pen{Rgb{1, 2, 3}, 1}), DrawCall::selectPen(Pen{Rgb{1, 2, 3}, 2}));
    EXPECT_EQ(dc.count(DrawCall::Kind::Polygon), 1);
    EXPECT_EQ(dc.only(DrawCall::Kind::LineTo), std::vector<DrawCall>{DrawCall::lineTo(9, 10)});
    EXPECT_EQ(describe(dc.calls[2]), "polygon((1, 2), (3, 4), (5, 6))");
    EXPECT_EQ(dc.transcript().substr(0, 32), "selectPen(rgb(1, 2, 3), width 1)");
}

TEST(FakeCommandUpdate, RemembersWhatWasSaid)
{
    FakeCommandUpdate ui;
    EXPECT_FALSE(ui.checked.has_value());
    EXPECT_FALSE(ui.enabled.has_value());
    ui.setCheck(true);
    ui.setCheck(false);
    ui.enable(true);
    EXPECT_EQ(ui.checked, false);
    EXPECT_EQ(ui.enabled, true);
    EXPECT_EQ(ui.checkCalls, 2);
    EXPECT_EQ(ui.enableCalls, 1);
}

// A thread count that is not one is said, and the processors' count used.
TEST(TaskPoolEnvironment, ABadThreadCountIsReported)
{
    for (const char* bad : {"abc", "0", "257", "3x"}) {
        ::setenv("LEXFALL_THREADS", bad, 1);
        EXPECT_NE(TaskPool::environmentProblem().find(std::string("\"") + bad + "\""), std::string::npos) << bad;
    }
    ::setenv("LEXFALL_THREADS", "3", 1);
    EXPECT_EQ(TaskPool::environmentProblem(), "");
    EXPECT_EQ(TaskPool::threadsFromEnvironment(), 3);
    ::unsetenv("LEXFALL_THREADS");
    EXPECT_EQ(TaskPool::environmentProblem(), "");
}
