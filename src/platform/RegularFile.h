#pragma once

#include <cstdint>

// A regular file opened for reading. A FIFO, device or folder under the
// name could block or never end, so it counts as no file; the descriptor
// itself is checked, so nothing can be swapped in between.
class RegularFile {
public:
    explicit RegularFile(const char* path);
    ~RegularFile();
    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&&) = delete;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    std::uint64_t size() const { return m_size; }

    // Up to `count` bytes from `offset`, retried when interrupted; fewer
    // only at the end of the file or on a read error.
    std::uint64_t readAt(std::uint64_t offset, unsigned char* buffer, std::uint64_t count) const;
    // The next bytes in order: the count read, 0 at the end, -1 on error.
    long read(unsigned char* buffer, unsigned long count) const;

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};
