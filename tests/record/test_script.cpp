#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record/Script.h"
#include "view/CommandIds.h"

namespace {

using Action = ScriptStep::Action;

} // namespace

TEST(Script, ReadsEveryCommandWithItsArguments)
{
    const ParsedScript parsed = parseScript("# a scene\r\n"
                                            "\n"
                                            "type  a\\#b\\\\ # two spaces: one parts, one is typed\n"
                                            "KEY esc\n"
                                            "type \xC3\xA9\n"
                                            "click -5 7\n"
                                            "dclick 1 2   # trailing comment\n"
                                            "drag 10 20 30 40\n"
                                            "rdrag 1 1 2 2 0.5\n"
                                            "mode Nozzle\n"
                                            "font symbol\n"
                                            "display Smooth\n"
                                            "words my words.txt  \n"
                                            "wait 1\n"
                                            "collide ON\n"
                                            "font DejaVu Serif:bold # a family\n"
                                            "Stiffness 500\n"
                                            "text-colour 336699 # no '#'\n"
                                            "save my scene.lexscene # as it stands\n");
    ASSERT_FALSE(parsed.error) << parsed.error->expected;
    const std::vector<ScriptStep>& steps = parsed.script.steps;
    ASSERT_EQ(steps.size(), 17u);

    EXPECT_EQ(steps[0].action, Action::Keys);
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(steps[0].codes, (std::vector<unsigned>{' ', 'a', '#', 'b', '\\'}));
    EXPECT_EQ(steps[1].codes, std::vector<unsigned>{27});
    EXPECT_EQ(steps[2].codes, std::vector<unsigned>{0xE9});
    EXPECT_EQ(steps[3].action, Action::Click);
    EXPECT_EQ(steps[3].from, (IntPoint{-5, 7}));
    EXPECT_EQ(steps[4].action, Action::DoubleClick);
    EXPECT_EQ(steps[5].action, Action::Drag);
    EXPECT_EQ(steps[5].to, (IntPoint{30, 40}));
    EXPECT_EQ(steps[5].ticks, 0);
    EXPECT_EQ(steps[6].action, Action::RightDrag);
    EXPECT_EQ(steps[6].ticks, 31); // 0.5 s at 16 ms, to the nearest
    EXPECT_EQ(steps[7].command, ID_MODE_NOZZLE);
    EXPECT_EQ(steps[8].command, ID_FONT_SYMBOL);
    EXPECT_EQ(steps[9].command, ID_DISPLAY_SMOOTH);
    EXPECT_EQ(steps[10].action, Action::Words);
    EXPECT_EQ(steps[10].path, "my words.txt");
    EXPECT_EQ(steps[11].ticks, 63);
    EXPECT_EQ(steps[12].action, Action::Collide);
    EXPECT_TRUE(steps[12].on);
    EXPECT_EQ(steps[13].action, Action::Face);
    EXPECT_EQ(steps[13].path, "DejaVu Serif:bold");
    EXPECT_EQ(steps[14].action, Action::Setting);
    EXPECT_EQ(steps[14].setting, findSetting("Stiffness"));
    EXPECT_EQ(steps[14].path, "500");
    EXPECT_EQ(steps[15].path, "#336699");
    EXPECT_EQ(steps[16].action, Action::Save);
    EXPECT_EQ(steps[16].path, "my scene.lexscene");
    EXPECT_EQ(parsed.script.ticks, 5 + 1 + 1 + 31 + 63);
}

TEST(Script, AnErrorNamesTheLineItsTextAndWhatWasExpected)
{
    struct Case {
        const char* script;
        int line;
        const char* text;
        const char* expected; // the start of it
    };
    const Case cases[] = {
        {"wait 1\njump 3 4\n", 2, "jump 3 4", "a command: type, key"},
        {"type\n", 1, "type", "type TEXT"},
        {"type # only a comment\n", 1, "type # only a comment", "type TEXT"},
        {"type a\\b\n", 1, "type a\\b", "type TEXT, with \\# for '#'"},
        {"type \xC3(\n", 1, "type \xC3(", "type TEXT in UTF-8"},
        {"key Space\n", 1, "key Space", "key Esc|Enter|Backspace|Tab"},
        {"click 10\n", 1, "click 10", "click X Y"},
        {"dclick 1.5 2\n", 1, "dclick 1.5 2", "dclick X Y"},
        {"click 100001 0\n", 1, "click 100001 0", "click X Y, whole numbers from -100000 to 100000"},
        {"drag 1 2 3 4 -1\n", 1, "drag 1 2 3 4 -1", "drag X1 Y1 X2 Y2 [SECONDS]"},
        {"rdrag 1 2 3\n", 1, "rdrag 1 2 3", "rdrag X1 Y1 X2 Y2 [SECONDS]"},
        {"mode paint\n", 1, "mode paint", "mode keyboard|nozzle|manipulate"},
        {"font  # none\n", 1, "font  # none", "font arial|symbol|FAMILY|FILE"},
        {"display shaded wireframe\n", 1, "display shaded wireframe", "display wireframe|shaded|cursor|compass|animate|smooth"},
        {"words   # none\n", 1, "words   # none", "words PATH"},
        {"save\n", 1, "save", "save PATH"},
        {"wait 1e12\n", 1, "wait 1e12", "wait SECONDS, from 0 to 600"},
        {"wait nan\n", 1, "wait nan", "wait SECONDS"},
        {"wait\r\n", 1, "wait", "wait SECONDS"},
        {"stiffness 9999\n", 1, "stiffness 9999", "stiffness a number from 0 to 5000"},
        {"physics wobbly\n", 1, "physics wobbly", "physics designed or sturdy"},
        {"wait 400\n\nwait 200.1\n", 3, "wait 200.1", "a script of at most 600 s in all"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const ParsedScript parsed = parseScript(c.script);
        ASSERT_TRUE(parsed.error);
        EXPECT_EQ(parsed.error->line, c.line);
        EXPECT_EQ(parsed.error->text, c.text);
        EXPECT_EQ(parsed.error->expected.rfind(c.expected, 0), 0u) << parsed.error->expected;
        EXPECT_TRUE(parsed.script.steps.empty());
    }

    const ScriptError binary{4, std::string("\x01\x02zz") + std::string(100, 'z'), "wait SECONDS"};
    EXPECT_EQ(describeScriptError(binary, "s.lexfall"),
              "s.lexfall:4: \"\\x01\\x02" + std::string(78, 'z') + "...\": expected wait SECONDS");
}
