#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/ViewFixture.h"

namespace {

using Words = std::vector<std::string>;

struct Loaded {
    int result;
    Words words;
    bool hasList;
};

Loaded load(const std::string& path, bool utf8 = false)
{
    std::unique_ptr<CLexfallView::WordList> list;
    const int result = CLexfallView::LoadWordFile(path.c_str(), list, utf8);
    return {result, list ? *list : Words{}, list != nullptr};
}

Loaded loadBytes(const TempFolder& folder, const std::string& bytes, bool utf8 = false)
{
    return load(folder.write("words.txt", bytes), utf8);
}

Words wordsOf(const TempFolder& folder, const std::string& bytes, bool utf8 = false)
{
    return loadBytes(folder, bytes, utf8).words;
}

// Picks path in the open-file dialog of the word-file command.
void chooseWordFile(SceneRig& rig, const std::string& path)
{
    rig.window.fileAnswer = path;
    rig.view.OnOpenWordFile();
}

} // namespace

TEST(WordFile, LettersAndDigitsMakeWords)
{
    TempFolder folder;
    const Words expected = {"Hello", "world", "Its", "315pm"};
    Loaded r = loadBytes(folder, "Hello, world!\nIt's 3:15pm.\n");
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.words, expected);
    EXPECT_EQ(wordsOf(folder, "Hello, world!\nIt's 3:15pm"), expected) << "last word without a line break";
    EXPECT_EQ(wordsOf(folder, "Hello, world!\r\nIt's 3:15pm.\r\n"), expected);
    EXPECT_EQ(wordsOf(folder, "one,two;three"), Words{"onetwothree"});
    EXPECT_EQ(wordsOf(folder, "a\tb\vc\fd\re  f\n\ng"), (Words{"a", "b", "c", "d", "e", "f", "g"}));
    EXPECT_EQ(wordsOf(folder, "   lead and trail   "), (Words{"lead", "and", "trail"}));
}

TEST(WordFile, OtherBytesAreDroppedWithoutEndingTheWord)
{
    TempFolder folder;
    EXPECT_EQ(wordsOf(folder, "caf\xE9 au lait"), (Words{"caf", "au", "lait"}));
    EXPECT_EQ(wordsOf(folder, std::string("ab\0cd\x80\xFF" "ef", 9)), Words{"abcdef"});
    EXPECT_EQ(wordsOf(folder, "x\x01y\x1Bz"), Words{"xyz"});
}

TEST(WordFile, CtrlZEndsTheFile)
{
    TempFolder folder;
    EXPECT_EQ(wordsOf(folder, "one tw\x1Athree four"), (Words{"one", "tw"}));
    EXPECT_EQ(wordsOf(folder, "one\n\x1A"), Words{"one"});
    const Loaded r = loadBytes(folder, "\x1A words after the end");
    EXPECT_EQ(r.result, 0);
    EXPECT_FALSE(r.hasList);
}

TEST(WordFile, NoWordsMeansNoList)
{
    TempFolder folder;
    for (const std::string bytes : {"", "   \n\t ", "... ,;! ?\r\n", "\xE9\xE8"}) {
        const Loaded r = loadBytes(folder, bytes);
        EXPECT_EQ(r.result, 0) << bytes;
        EXPECT_FALSE(r.hasList) << bytes;
    }
}

TEST(WordFile, UnopenableFileDestroysTheList)
{
    TempFolder folder;
    auto list = std::make_unique<CLexfallView::WordList>(Words{"old"});
    EXPECT_EQ(CLexfallView::LoadWordFile((folder.path() + "/missing.txt").c_str(), list), -1);
    EXPECT_EQ(list, nullptr);

    list = std::make_unique<CLexfallView::WordList>(Words{"old"});
    EXPECT_EQ(CLexfallView::LoadWordFile(folder.path().c_str(), list), -1) << "a folder";
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(CLexfallView::LoadWordFile(nullptr, list), -1);

    // Reading again replaces the words, it does not append.
    const std::string path = folder.write("a.txt", "fresh words");
    list = std::make_unique<CLexfallView::WordList>(Words{"old"});
    EXPECT_EQ(CLexfallView::LoadWordFile(path.c_str(), list), 1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(*list, (Words{"fresh", "words"}));
}

// However the file is read: an ASCII run read as UTF-8 is cut as read
// byte by byte, and a run of two-byte letters at the last whole letter.
TEST(WordFile, LongRunsSplitEvery511Letters)
{
    TempFolder folder;
    std::string run;
    for (int i = 0; i < 600; ++i)
        run += static_cast<char>('a' + i % 26);
    for (const bool utf8 : {false, true}) {
        Words words = wordsOf(folder, run + " next", utf8);
        ASSERT_EQ(words.size(), 3u) << utf8;
        EXPECT_EQ(words[0], run.substr(0, 511)) << utf8;
        EXPECT_EQ(words[1], run.substr(511)) << utf8;
        EXPECT_EQ(words[2], "next") << utf8;

        words = wordsOf(folder, run.substr(0, 511), utf8);
        EXPECT_EQ(words, Words{run.substr(0, 511)}) << utf8;
        const std::string twice = run.substr(0, 511) + run.substr(0, 511);
        words = wordsOf(folder, twice + "\n", utf8);
        ASSERT_EQ(words.size(), 2u) << "no empty word at an exact multiple";
        EXPECT_EQ(words[0] + words[1], twice) << utf8;
    }
    std::string accents;
    for (int i = 0; i < 300; ++i)
        accents += "\u00e9";
    EXPECT_EQ(wordsOf(folder, "x" + accents, true), (Words{"x" + accents.substr(0, 510), accents.substr(510)}));
}

TEST(WordFile, WordsSpanningReadBlocksStayWhole)
{
    TempFolder folder;
    std::string text;
    for (int i = 0; i < 300000; ++i)
        text += "abcdefghi ";
    text += "tail\x1A" "after";
    const Words words = wordsOf(folder, text);
    ASSERT_EQ(words.size(), 300001u);
    for (std::size_t i = 0; i + 1 < words.size(); ++i)
        ASSERT_EQ(words[i], "abcdefghi") << i;
    EXPECT_EQ(words.back(), "tail");
}

TEST(WordFile, FiftyMegabytesOfRandomBytes)
{
    TempFolder folder;
    std::string bytes(50u << 20, '\0');
    std::mt19937_64 random(20240611);
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
        const std::uint64_t r = random();
        for (int k = 0; k < 8; ++k)
            bytes[i + static_cast<std::size_t>(k)] = static_cast<char>(r >> (8 * k));
    }
    // Keep Ctrl+Z out so the whole file is read.
    for (char& c : bytes)
        if (c == '\x1A')
            c = 'Z';
    const std::string path = folder.write("random.txt", bytes);
    bytes.clear();
    bytes.shrink_to_fit();

    const Loaded r = load(path);
    EXPECT_EQ(r.result, 1);
    EXPECT_GT(r.words.size(), 100000u);
    for (const std::string& w : r.words) {
        ASSERT_FALSE(w.empty());
        ASSERT_LE(w.size(), 511u);
        for (char c : w)
            ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c)));
    }
}

TEST(WordFile, SampleFileWaitsWhereTheDialogOpens)
{
    SceneRig rig;
    const Loaded r = load(rig.view.m_strWordFileDirectory + "words.txt");
    EXPECT_EQ(r.result, 1);
    EXPECT_GT(r.words.size(), 300u);
}

// With the option, a UTF-8 file gives words of every script, marks and
// all; a file that is not UTF-8, or any file without the option, reads
// as described.
TEST(WordFile, Utf8WordsOfEveryScript)
{
    TempFolder folder;
    const std::string text = "caf\u00e9, \u043f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440! "
                             "\u6771\u4eac\u3000x\u00b2 l'e\u0301t\u00e9 \u0928\u092e\u0938\u094d\u0924\u0947\n";
    const std::string path = folder.write("utf8.txt", text);
    std::unique_ptr<CLexfallView::WordList> list;
    ASSERT_EQ(CLexfallView::LoadWordFile(path.c_str(), list, true), 1);
    EXPECT_EQ(*list, (Words{"caf\u00e9", "\u043f\u0440\u0438\u0432\u0435\u0442", "\u043c\u0438\u0440",
                            "\u6771\u4eac", "x\u00b2", "le\u0301t\u00e9", "\u0928\u092e\u0938\u094d\u0924\u0947"}));
    EXPECT_EQ(wordsOf(folder, text), (Words{"caf", "x", "let"}));
    ASSERT_EQ(CLexfallView::LoadWordFile(folder.write("latin1.txt", "caf\xe9 ok\n").c_str(), list, true), 1);
    EXPECT_EQ(*list, (Words{"caf", "ok"}));
    // A character cut by the reader's 1 MiB block stays whole.
    const std::string cut = std::string((1 << 20) - 1, ' ') + "\u00e9t\u00e9";
    ASSERT_EQ(CLexfallView::LoadWordFile(folder.write("cut.txt", cut).c_str(), list, true), 1);
    EXPECT_EQ(*list, Words{"\u00e9t\u00e9"});

    // The nozzle drops such a word one character at a time.
    SceneRig rig;
    SceneSettings settings = rig.view.Settings();
    settings.utf8Words = true;
    rig.view.ApplySettings(settings);
    chooseWordFile(rig, path);
    rig.view.EmitNextWord();
    ASSERT_EQ(rig.bodyCount(), 4);
    EXPECT_EQ(rig.view.m_pAdvances.back(), rig.view.m_pMesher->advanceWidth(U'\u00e9'));
}

TEST(OpenWordFile, DialogRequestAndCancel)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    view.m_strWordFileDirectory = "/some/folder";
    view.OnOpenWordFile();
    ASSERT_EQ(rig.window.fileRequests.size(), 1u);
    const OpenFileRequest& request = rig.window.fileRequests[0];
    EXPECT_EQ(request.defaultExtension, ".txt");
    EXPECT_EQ(request.filter, "Text Files (*.txt)|*.txt||");
    EXPECT_EQ(request.initialDirectory, "/some/folder");
    EXPECT_FALSE(view.m_bWordsLoaded);
    EXPECT_TRUE(view.m_bKeyboardMode);
    EXPECT_FALSE(view.m_bNozzleMode);
    EXPECT_EQ(view.m_pWords, nullptr);
}

TEST(OpenWordFile, AcceptedFileSelectsNozzleAndRestartsAtTheFirstWord)
{
    TempFolder folder;
    SceneRig rig;
    CLexfallView& view = rig.view;
    view.OnModeManipulate();
    chooseWordFile(rig, folder.write("first.txt", "one two three"));
    EXPECT_TRUE(view.m_bWordsLoaded);
    EXPECT_TRUE(view.m_bNozzleMode);
    EXPECT_FALSE(view.m_bKeyboardMode);
    EXPECT_FALSE(view.m_bManipulateMode);
    EXPECT_EQ(view.m_nWordIndex, 0);

    view.EmitNextWord();
    view.EmitNextWord();
    EXPECT_EQ(view.m_nWordIndex, 2);

    chooseWordFile(rig, folder.write("second.txt", "alpha beta"));
    EXPECT_EQ(view.m_nWordIndex, 0);
    ASSERT_NE(view.m_pWords, nullptr);
    EXPECT_EQ(*view.m_pWords, (Words{"alpha", "beta"}));

    // Nozzle now switches without asking.
    view.OnModeKeyboard();
    view.OnModeNozzle();
    EXPECT_TRUE(view.m_bNozzleMode);
    EXPECT_EQ(rig.window.fileRequests.size(), 2u);
}

// The status line says why a file gave no words.
TEST(OpenWordFile, FileWithoutWordsOrUnopenableSaysSoKeepsTheModeAndAsksAgain)
{
    TempFolder folder;
    SceneRig rig;
    CLexfallView& view = rig.view;
    chooseWordFile(rig, folder.write("good.txt", "word"));
    ASSERT_TRUE(view.m_bWordsLoaded);
    EXPECT_EQ(rig.window.status, "1 word from good.txt");
    view.OnModeManipulate();

    const std::vector<std::pair<std::string, std::string>> refused = {
        {folder.write("empty.txt", ""), "empty.txt holds no words"},
        {folder.path() + "/missing.txt", "missing.txt cannot be read"}};
    for (const auto& [path, status] : refused) {
        chooseWordFile(rig, path);
        EXPECT_EQ(rig.window.status, status);
        EXPECT_FALSE(view.m_bWordsLoaded) << path;
        EXPECT_EQ(view.m_pWords, nullptr) << path;
        EXPECT_TRUE(view.m_bManipulateMode) << path;
        EXPECT_FALSE(view.m_bNozzleMode) << path;
        view.EmitNextWord();
        EXPECT_EQ(rig.bodyCount(), 0) << path;
    }

    const std::size_t asked = rig.window.fileRequests.size();
    rig.window.fileAnswer.reset();
    view.OnModeNozzle();
    EXPECT_EQ(rig.window.fileRequests.size(), asked + 1);
    EXPECT_TRUE(view.m_bManipulateMode);
}

TEST(Nozzle, WordsComeWholeAndCyclic)
{
    TempFolder folder;
    SceneRig rig;
    CLexfallView& view = rig.view;
    chooseWordFile(rig, folder.write("abc.txt", "a bb ccc"));

    const int expected[] = {1, 2, 3, 1, 2};
    int total = 0;
    for (int length : expected) {
        view.OnLButtonDown(0, IntPoint{100, 100});
        view.OnLButtonUp(0, IntPoint{100, 100});
        total += length;
        EXPECT_EQ(rig.bodyCount(), total);
        EXPECT_EQ(view.m_pAdvances.size(), static_cast<std::size_t>(total));
    }
    EXPECT_EQ(view.m_nWordIndex, 2);
}

TEST(Nozzle, HoldingTwelveTicksEmitsThreeWords)
{
    TempFolder folder;
    SceneRig rig;
    CLexfallView& view = rig.view;
    chooseWordFile(rig, folder.write("w.txt", "ab cd ef gh ij"));
    rig.tick(3);
    view.OnLButtonDown(0, IntPoint{100, 200});
    EXPECT_EQ(view.m_nEmitCounter, 0);
    EXPECT_EQ(view.m_nWordIndex, 1);
    std::vector<int> emittedAfter;
    for (int t = 1; t <= 12; ++t) {
        const int before = view.m_nWordIndex;
        rig.tick();
        if (view.m_nWordIndex != before)
            emittedAfter.push_back(t);
    }
    EXPECT_EQ(emittedAfter, (std::vector<int>{5, 10}));
    EXPECT_EQ(rig.bodyCount(), 6);

    view.OnLButtonUp(0, IntPoint{100, 200});
    rig.tick(10);
    EXPECT_EQ(view.m_nWordIndex, 3) << "release stops the spray";
}
