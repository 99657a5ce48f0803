#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegularFile.h"
#include "words/Utf8.h"
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

// Words of the file as described: ASCII letters and digits, C-locale
// white space.
void readByteWords(const RegularFile& file, WordList& words)
{
    // A carriage return needs no pairing with its line feed: both end a
    // word, so "\r\n" and "\n" cut a text the same way.
    std::vector<unsigned char> block(kBlockSize);
    char word[kMaxWordLength];
    std::size_t length = 0;
    bool ended = false;
    for (std::uint64_t offset = 0; !ended;) {
        const std::uint64_t got = file.readAt(offset, block.data(), block.size());
        if (got == 0)
            break;
        offset += got;
        const unsigned char* p = block.data();
        const unsigned char* const end = p + got;
        for (; p != end; ++p) {
            switch (kByteClasses[*p]) {
            case ByteClass::Letter:
                // A longer run goes on as a new word: no letter is lost.
                if (length == kMaxWordLength) {
                    words.emplace_back(word, length);
                    length = 0;
                }
                word[length++] = static_cast<char>(*p);
                break;
            case ByteClass::Space:
                if (length != 0) {
                    words.emplace_back(word, length);
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
        words.emplace_back(word, length);
}

bool isUnicodeSpace(char32_t code)
{
    return code == 0x85 || code == 0xA0 || code == 0x1680 || (code >= 0x2000 && code <= 0x200A) || code == 0x2028
        || code == 0x2029 || code == 0x202F || code == 0x205F || code == 0x3000;
}

// Words of a UTF-8 file: letters, numbers and their marks of any script;
// white space of any script ends them, anything else is dropped. A word
// is cut every 511 bytes, as read without the option. False, with the
// words partly read, at the first byte that is not UTF-8.
bool readUtf8Words(const RegularFile& file, WordList& words)
{
    std::vector<unsigned char> block(kBlockSize);
    // One buffer for every word; each word is copied out at its own size,
    // so a long run costs the file's bytes and no more.
    std::string word;
    word.reserve(kMaxWordLength);
    const auto endWord = [&] {
        if (!word.empty())
            words.emplace_back(word);
        word.clear();
    };
    std::size_t kept = 0; // bytes of a sequence cut by the block's end, moved to its front
    for (std::uint64_t offset = 0;;) {
        const std::uint64_t got = file.readAt(offset, block.data() + kept, block.size() - kept);
        offset += got;
        const std::size_t size = kept + static_cast<std::size_t>(got);
        const std::string_view text(reinterpret_cast<const char*>(block.data()), size);
        std::size_t i = 0;
        bool ended = false;
        while (i < size && !ended) {
            const auto byte = static_cast<unsigned char>(text[i]);
            char32_t code = byte;
            int length = 1;
            if (byte >= 0x80) {
                length = utf8Sequence(text.substr(i), code);
                if (length == 0) {
                    if (got != 0 && size - i < 4)
                        break; // perhaps a sequence the next block completes
                    return false;
                }
            }
            const ByteClass kind = byte < 0x80 ? kByteClasses[byte]
                                   : isLetterOrNumber(code) || isMark(code) ? ByteClass::Letter
                                   : isUnicodeSpace(code)                   ? ByteClass::Space
                                                                            : ByteClass::Drop;
            switch (kind) {
            case ByteClass::Letter:
                if (word.size() + static_cast<std::size_t>(length) > kMaxWordLength)
                    endWord();
                word.append(text.substr(i, static_cast<std::size_t>(length)));
                break;
            case ByteClass::Space:
                endWord();
                break;
            case ByteClass::End:
                ended = true;
                break;
            case ByteClass::Drop:
                break;
            }
            i += static_cast<std::size_t>(length);
        }
        if (ended || got == 0)
            break;
        kept = size - i;
        std::copy(block.begin() + static_cast<std::ptrdiff_t>(i), block.begin() + static_cast<std::ptrdiff_t>(size),
                  block.begin());
    }
    endWord();
    return true;
}

} // namespace

int loadWordFile(const char* path, std::unique_ptr<WordList>& words, bool utf8)
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

    if (!utf8 || !readUtf8Words(file, *words)) {
        words->clear();
        readByteWords(file, *words);
    }
    if (words->empty()) {
        words.reset();
        return 0;
    }
    return 1;
}
