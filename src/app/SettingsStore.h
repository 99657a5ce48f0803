#pragma once

#include <memory>

#include <wx/string.h>

#include "app/FaceHistory.h"
#include "view/SceneSettings.h"

class wxFileConfig;
class wxDocManager;

// The per-user settings file: Display > Settings, the faces and the recent
// files.
// The toolkit's own messages about the file are caught here, never left
// for a message window that may be gone by the time they would show: a
// file that cannot be written is reported once, on standard error.
class SettingsStore {
public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    SceneSettings loadSettings() const;
    // False when the file could not be written; error() says why.
    bool saveSettings(const SceneSettings& settings);

    FaceHistory loadFaces() const;
    bool saveFaces(const FaceHistory& faces);

    void loadRecentFiles(wxDocManager& manager) const;
    bool saveRecentFiles(wxDocManager& manager);

    // Why the latest save failed; empty after one that worked.
    const wxString& error() const { return m_error; }

private:
    bool flush();

    std::unique_ptr<wxFileConfig> m_file;
    wxString m_error;
    bool m_reported = false;
};
