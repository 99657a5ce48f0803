#include "glyph/InstallPaths.h"

#include <filesystem>
#include <system_error>

std::string lexfallShareDirectory()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || exe.empty())
        return {};
    std::string share = (exe.parent_path() / ".." / "share" / "lexfall" / "").lexically_normal().string();
    if (share.empty() || share.back() != '/')
        share += '/';
    return share;
}

std::string lexfallFontDirectory()
{
    const std::string share = lexfallShareDirectory();
    return share.empty() ? std::string() : share + "fonts/";
}
