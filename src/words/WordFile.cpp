#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <vector>

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

// Owns a POSIX file descriptor.
class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Opens a regular file for reading. Directories, pipes and devices count
// as unopenable: they have no words to give and could block or never end.
int openRegularFile(const char* path)
{
    if (!path)
        return -1;
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int loadWordFile(const char* path, std::unique_ptr<WordList>& words)
{
    if (words)
        words->clear();
    else
        words = std::make_unique<WordList>();

    FileHandle file(openRegularFile(path));
    if (file.get() < 0) {
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
        const ssize_t got = ::read(file.get(), block.data(), block.size());
        if (got < 0 && errno == EINTR)
            continue;
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
