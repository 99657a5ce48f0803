#include "TempFolder.h"

#include <unistd.h>

#include <fstream>

TempFolder::TempFolder()
{
    static int serial = 0;
    m_path = std::filesystem::temp_directory_path() /
             ("lexfall-test-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
    std::filesystem::create_directories(m_path);
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempFolder::write(const std::string& name, const std::string& bytes) const
{
    const std::string path = (m_path / name).string();
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}
