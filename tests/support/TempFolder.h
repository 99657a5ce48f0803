#pragma once

#include <filesystem>
#include <string>

// A fresh folder in the temporary directory, removed with everything in it
// when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes bytes to a file of the folder; returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;
    std::string path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};
