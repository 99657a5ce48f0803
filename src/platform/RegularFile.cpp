#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

RegularFile::RegularFile(const char* path)
{
    if (!path)
        return;
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_size = static_cast<std::uint64_t>(info.st_size);
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

RegularFile::RegularFile(RegularFile&& other) noexcept : m_fd(other.m_fd), m_size(other.m_size)
{
    other.m_fd = -1;
    other.m_size = 0;
}

std::uint64_t RegularFile::readAt(std::uint64_t offset, unsigned char* buffer, std::uint64_t count) const
{
    std::uint64_t done = 0;
    while (m_fd >= 0 && done < count) {
        const ssize_t got = ::pread(m_fd, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::uint64_t>(got);
    }
    return done;
}

long RegularFile::read(unsigned char* buffer, unsigned long count) const
{
    for (;;) {
        const ssize_t got = m_fd >= 0 ? ::read(m_fd, buffer, count) : -1;
        if (got < 0 && errno == EINTR)
            continue;
        return static_cast<long>(got);
    }
}
