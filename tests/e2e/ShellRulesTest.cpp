#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/ShellRules.h"
#include "view/CommandIds.h"

using shell::CommandLine;

TEST(CommandLineTest, HelpAndVersionWinAndAFileIsKept)
{
    EXPECT_EQ(shell::parseCommandLine({}).action, CommandLine::Action::Run);
    EXPECT_TRUE(shell::parseCommandLine({}).file.empty());

    EXPECT_EQ(shell::parseCommandLine({"--help"}).action, CommandLine::Action::Help);
    EXPECT_EQ(shell::parseCommandLine({"-h"}).action, CommandLine::Action::Help);
    EXPECT_EQ(shell::parseCommandLine({"notes.lxf", "--version"}).action, CommandLine::Action::Version);
    EXPECT_EQ(shell::parseCommandLine({"--bogus", "--help"}).action, CommandLine::Action::Help);

    const CommandLine one = shell::parseCommandLine({"notes.lxf"});
    EXPECT_EQ(one.action, CommandLine::Action::Run);
    EXPECT_EQ(one.file, "notes.lxf");

    // After "--" everything is a file name, even "--help".
    const CommandLine dashed = shell::parseCommandLine({"--", "--help"});
    EXPECT_EQ(dashed.action, CommandLine::Action::Run);
    EXPECT_EQ(dashed.file, "--help");
    EXPECT_EQ(shell::parseCommandLine({"--", "-x"}).file, "-x");
    EXPECT_EQ(shell::parseCommandLine({"-"}).file, "-");
}

// The settings a command line asks for, over the program's own.
SceneSettings chosen(const CommandLine& line)
{
    SceneSettings settings = SceneSettings::asDesigned();
    applyChoices(line.settings, settings);
    return settings;
}

TEST(CommandLineTest, SettingsFaceAndFrameStatsForTheRun)
{
    EXPECT_EQ(chosen(shell::parseCommandLine({})), SceneSettings::asDesigned());
    EXPECT_EQ(chosen(shell::parseCommandLine({"--physics=sturdy"})), SceneSettings::forPreset(PhysicsPreset::Sturdy));
    // A preset comes first, whatever the order, and brings its values.
    const CommandLine both = shell::parseCommandLine(
        {"--stiffness", "321.5", "--physics=sturdy", "--frame-stats", "--smooth", "--utf8-words", "notes.lxf"});
    SceneSettings expected = SceneSettings::forPreset(PhysicsPreset::Sturdy);
    expected.physics.stiffness = 321.5;
    expected.smoothEdges = true;
    expected.utf8Words = true;
    EXPECT_EQ(chosen(both), expected);
    EXPECT_TRUE(both.frameStats);
    EXPECT_EQ(both.file, "notes.lxf");
    EXPECT_NE(shell::usageText().find("--keep-upright"), std::string::npos);

    const CommandLine spaced = shell::parseCommandLine({"--face", "DejaVu Serif", "notes.lxf"});
    EXPECT_EQ(spaced.face, "DejaVu Serif");
    EXPECT_EQ(shell::parseCommandLine({"--face=/fonts/a.ttc:2"}).face, "/fonts/a.ttc:2");

    // Bad values are refused with the option named.
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--physics=wobbly"}, {"--physics="}, {"--stiffness=99999"}, {"--font-size=12.5"}, {"--face"}, {"--face="}}) {
        const CommandLine refused = shell::parseCommandLine(bad);
        EXPECT_EQ(refused.action, CommandLine::Action::Error) << bad[0];
        EXPECT_NE(refused.error.find(bad[0].substr(0, bad[0].find('='))), std::string::npos) << refused.error;
    }
}

TEST(RecentFaces, NewestFirstEachOnceAtMostFourByTheirNames)
{
    std::vector<std::string> recent;
    for (const char* face : {"A", "B", "C", "D", "B", "E"})
        shell::rememberFace(recent, face);
    EXPECT_EQ(recent, (std::vector<std::string>{"E", "B", "D", "C"}));
    EXPECT_EQ(shell::faceMenuLabel("/usr/share/fonts/x/Fish & Chips.ttc:1"), "Fish && Chips.ttc:1");
    EXPECT_EQ(shell::faceMenuLabel("DejaVu Serif:bold"), "DejaVu Serif:bold");
    EXPECT_EQ(shell::faceMenuLabel("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc:1"), "WenQuanYi Zen Hei Mono");
    EXPECT_EQ(shell::faceMenuLabel("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"), "DejaVu Sans Bold");
}

TEST(CommandLineTest, BadArgumentsAreRefusedWithAReason)
{
    const CommandLine unknown = shell::parseCommandLine({"--frobnicate"});
    EXPECT_EQ(unknown.action, CommandLine::Action::Error);
    EXPECT_NE(unknown.error.find("--frobnicate"), std::string::npos);

    EXPECT_EQ(shell::parseCommandLine({"-x"}).action, CommandLine::Action::Error);
    EXPECT_EQ(shell::parseCommandLine({"a.lxf", "b.lxf"}).action, CommandLine::Action::Error);
    EXPECT_EQ(shell::parseCommandLine({""}).action, CommandLine::Action::Error);

    EXPECT_NE(shell::usageText().find("--version"), std::string::npos);
    EXPECT_EQ(shell::versionText(), "Lexfall Version 0.001\n");
}

TEST(WildcardTest, FilterStringBecomesWxWildcard)
{
    EXPECT_EQ(shell::toWxWildcard("Text Files (*.txt)|*.txt||"), "Text Files (*.txt)|*.txt");
    EXPECT_EQ(shell::toWxWildcard("Text (*.txt)|*.txt|All (*.*)|*.*||"), "Text (*.txt)|*.txt|All (*.*)|*.*");
    EXPECT_EQ(shell::toWxWildcard("Text (*.txt)|*.txt"), "Text (*.txt)|*.txt");
    // Pairs after the "||" end marker and an unpaired name are dropped.
    EXPECT_EQ(shell::toWxWildcard("A|*.a||B|*.b"), "A|*.a");
    EXPECT_EQ(shell::toWxWildcard("A|*.a|B"), "A|*.a");
    EXPECT_EQ(shell::toWxWildcard(""), "");
}

TEST(DefaultExtensionTest, AddedOnlyWhenTheBareNameIsMissingAndTheExtendedOneExists)
{
    const std::set<std::string> files{"/w/words.txt", "/w/plain", "/w/plain.txt", "/w.d/list.txt"};
    const auto exists = [&files](const std::string& p) { return files.count(p) != 0; };

    EXPECT_EQ(shell::applyDefaultExtension("/w/words", ".txt", exists), "/w/words.txt");
    EXPECT_EQ(shell::applyDefaultExtension("/w/words", "txt", exists), "/w/words.txt");
    EXPECT_EQ(shell::applyDefaultExtension("/w/plain", ".txt", exists), "/w/plain");
    EXPECT_EQ(shell::applyDefaultExtension("/w/missing", ".txt", exists), "/w/missing");
    EXPECT_EQ(shell::applyDefaultExtension("/w/words.md", ".txt", exists), "/w/words.md");
    // A dot in a folder name is not an extension of the file.
    EXPECT_EQ(shell::applyDefaultExtension("/w.d/list", ".txt", exists), "/w.d/list.txt");
    EXPECT_EQ(shell::applyDefaultExtension("/w/words", "", exists), "/w/words");
    EXPECT_EQ(shell::applyDefaultExtension("", ".txt", exists), "");
}

TEST(CharacterCodeTest, KeysBecomeTheViewsCharacterCodes)
{
    using shell::KeyKind;
    EXPECT_EQ(shell::characterCode('a', KeyKind::Ordinary, false, false), unsigned('a'));
    EXPECT_EQ(shell::characterCode(8, KeyKind::Ordinary, false, false), 8u);
    EXPECT_EQ(shell::characterCode(13, KeyKind::Ordinary, false, false), 13u);
    EXPECT_EQ(shell::characterCode(27, KeyKind::Ordinary, false, false), 27u);
    EXPECT_EQ(shell::characterCode(9, KeyKind::Ordinary, false, false), 9u);
    EXPECT_EQ(shell::characterCode(0xE9, KeyKind::Ordinary, false, false), 0xE9u);
    EXPECT_EQ(shell::characterCode(255, KeyKind::Ordinary, false, false), 255u);
    EXPECT_EQ(shell::characterCode(256, KeyKind::Ordinary, false, false), 256u);
    EXPECT_EQ(shell::characterCode(0x20AC, KeyKind::Ordinary, false, false), 0x20ACu);

    // Control letters are characters; Alt letters are menu shortcuts,
    // unless Ctrl comes with them (AltGr on some layouts).
    EXPECT_EQ(shell::characterCode(1, KeyKind::Ordinary, false, true), 1u);
    EXPECT_EQ(shell::characterCode('f', KeyKind::Ordinary, true, false), shell::kNoCharacter);
    EXPECT_EQ(shell::characterCode('@', KeyKind::Ordinary, true, true), unsigned('@'));

    EXPECT_EQ(shell::characterCode(0, KeyKind::Ordinary, false, false), shell::kNoCharacter);
    EXPECT_EQ(shell::characterCode(-1, KeyKind::Ordinary, false, false), shell::kNoCharacter);
    EXPECT_EQ(shell::characterCode(0, KeyKind::NumpadEnter, false, false), 13u);
    EXPECT_EQ(shell::characterCode(127, KeyKind::Delete, false, false), shell::kNoCharacter);
    EXPECT_EQ(shell::characterCode(127, KeyKind::Ordinary, false, true), 127u);
}

TEST(MenuIdTest, ViewCommandsMapIntoTheToolkitsRangeAndBack)
{
    const std::vector<int> commands{ID_FONT_ARIAL,         ID_FONT_SYMBOL,          ID_DISPLAY_WIREFRAME,
                                    ID_DISPLAY_SHADED,     ID_DISPLAY_ANIMATE,      ID_DISPLAY_SHOWCURSOR,
                                    ID_DISPLAY_TEXTCOLOR,  ID_DISPLAY_BACKGROUNDCOLOR, ID_MODE_KEYBOARD,
                                    ID_MODE_NOZZLE,        ID_DISPLAY_SHOWCOMPASS,  ID_MODE_MANIPULATE};
    std::set<int> menuIds;
    for (int command : commands) {
        const int menuId = shell::toMenuId(command);
        EXPECT_GT(menuId, 0);
        EXPECT_LT(menuId, 4999) << "clashes with the toolkit's stock identifiers";
        EXPECT_EQ(shell::toCommand(menuId), command);
        menuIds.insert(menuId);
    }
    EXPECT_EQ(menuIds.size(), commands.size());
}

TEST(LockIndicatorTest, EachLockShowsItsOwnText)
{
    EXPECT_EQ(shell::lockIndicators(false, false, false), (shell::LockIndicators{"", "", ""}));
    EXPECT_EQ(shell::lockIndicators(true, false, false), (shell::LockIndicators{"CAP", "", ""}));
    EXPECT_EQ(shell::lockIndicators(false, true, false), (shell::LockIndicators{"", "NUM", ""}));
    EXPECT_EQ(shell::lockIndicators(false, false, true), (shell::LockIndicators{"", "", "SCRL"}));
}
