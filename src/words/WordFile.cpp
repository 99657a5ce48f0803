#include <array>
#include <cstddef>
#include <vector>

#include "platform/RegularFile.h"
#include "words/WordFile.h"

namespace {

constexpr std::size_t kMaxWordLength = 511;
constexpr std::size_t kBlockSize = 1 << 20;
// Ctrl+Z: end of a text file, whatever follows it.
constexpr unsigned char kEndOfText = 26;

enum class ByteClass : unsigned char { Drop, Letter, Space, End };

// C-locale classes, one table lookup per byte. Bytes 128..255 and NUL
// are dropped like punctuation.
constexpr std::array<ByteClass, 256> makeByteClasses()
{
    std::array<ByteClass, 256> table{};
    for (int c = '0'; c <= '9'; ++c)
        table[c] = ByteClass::Letter;
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = ByteClass::Letter;
    for (int c = 'a'; c <= 'z'; ++c)
        table[c] = ByteClass::Letter;
    for (int c : {' ', '\t', '\n', '\v', '\f', '\r'})
        table[c] = ByteClass::Space;
    table[kEndOfText] = ByteClass::End;
    return table;
}

constexpr std::array<ByteClass, 256> kByteClasses = makeByteClasses();

} // namespace

int loadWordFile(const char* path, std::unique_ptr<WordList>& words)
{
    if (words)
        words->clear();
    else
        words = std::make_unique<WordList>();

    const RegularFile file(path);
    if (!file.isOpen()) {
        words.reset();
        return -1;
    }

    // A carriage return needs no pairing with its line feed: both end a
    // word, so "\r\n" and "\n" cut a text the same way.
    std::vector<unsigned char> block(kBlockSize);
    char word[kMaxWordLength];
    std::size_t length = 0;
    bool ended = false;
    while (!ended) {
        const long got = file.read(block.data(), block.size());
        if (got <= 0)
            break;
        const unsigned char* p = block.data();
        const unsigned char* const end = p + got;
        for (; p != end; ++p) {
            switch (kByteClasses[*p]) {
            case ByteClass::Letter:
                // A longer run goes on as a new word: no letter is lost.
                if (length == kMaxWordLength) {
                    words->emplace_back(word, length);
                    length = 0;
                }
                word[length++] = static_cast<char>(*p);
                break;
            case ByteClass::Space:
                if (length != 0) {
                    words->emplace_back(word, length);
                    length = 0;
                }
                break;
            case ByteClass::End:
                ended = true;
                p = end - 1;
                break;
            case ByteClass::Drop:
                break;
            }
        }
    }
    if (length != 0)
        words->emplace_back(word, length);

    if (words->empty()) {
        words.reset();
        return 0;
    }
    return 1;
}
