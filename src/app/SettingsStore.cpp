#include "app/SettingsStore.h"

#include <cstdio>

#include <wx/app.h>
#include <wx/docview.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "app/ShellRules.h"

namespace {

constexpr const char* kRecentFilesGroup = "/Recent File List";
constexpr const char* kSettingsGroup = "/Settings";
constexpr const char* kFaceKey = "/Faces/Face";
constexpr const char* kRecentFacesKey = "/Faces/Recent";

wxString recentFaceKey(int i) { return wxString::Format("%s%d", kRecentFacesKey, i + 1); }

// While it lives, the toolkit's messages are kept here instead of shown:
// the first error or warning is what a failure reports.
class CaughtLog final : public wxLog {
public:
    CaughtLog() : m_previous(wxLog::SetActiveTarget(this)) {}
    ~CaughtLog() override { wxLog::SetActiveTarget(m_previous); }
    CaughtLog(const CaughtLog&) = delete;
    CaughtLog& operator=(const CaughtLog&) = delete;

    const wxString& first() const { return m_first; }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo&) override
    {
        if (level <= wxLOG_Warning && m_first.empty())
            m_first = message;
    }

private:
    wxLog* m_previous;
    wxString m_first;
};

wxString localFileName() { return wxFileConfig::GetLocalFileName(wxTheApp->GetAppName(), wxCONFIG_USE_LOCAL_FILE); }

} // namespace

SettingsStore::SettingsStore()
{
    const CaughtLog quiet;
    m_file = std::make_unique<wxFileConfig>(wxTheApp->GetAppName(), wxTheApp->GetVendorName(), localFileName(),
                                            wxEmptyString, wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE);
}

SettingsStore::~SettingsStore()
{
    // The file writes itself once more if a save failed; that failure has
    // been reported already.
    const CaughtLog quiet;
    m_file.reset();
}

SceneSettings SettingsStore::loadSettings() const
{
    return readSettings([this](const std::string& key) -> std::optional<std::string> {
        wxString value;
        if (!m_file->Read(wxString(kSettingsGroup) + "/" + wxString::FromUTF8(key), &value))
            return std::nullopt;
        return std::string(value.utf8_str());
    });
}

bool SettingsStore::saveSettings(const SceneSettings& settings)
{
    writeSettings(settings, [this](const std::string& key, const std::string& value) {
        m_file->Write(wxString(kSettingsGroup) + "/" + wxString::FromUTF8(key), wxString::FromUTF8(value));
    });
    return flush();
}

FaceHistory SettingsStore::loadFaces() const
{
    FaceHistory faces;
    wxString value;
    if (m_file->Read(kFaceKey, &value))
        faces.face = value.utf8_string();
    for (int i = 0; i < shell::kRecentFaces; ++i)
        if (m_file->Read(recentFaceKey(i), &value) && !value.empty())
            faces.recent.push_back(value.utf8_string());
    return faces;
}

bool SettingsStore::saveFaces(const FaceHistory& faces)
{
    m_file->Write(kFaceKey, wxString::FromUTF8(faces.face));
    for (int i = 0; i < shell::kRecentFaces; ++i) {
        if (i < static_cast<int>(faces.recent.size()))
            m_file->Write(recentFaceKey(i), wxString::FromUTF8(faces.recent[static_cast<std::size_t>(i)]));
        else
            m_file->DeleteEntry(recentFaceKey(i));
    }
    return flush();
}

void SettingsStore::loadRecentFiles(wxDocManager& manager) const
{
    m_file->SetPath(kRecentFilesGroup);
    manager.FileHistoryLoad(*m_file);
    m_file->SetPath("/");
}

bool SettingsStore::saveRecentFiles(wxDocManager& manager)
{
    // Entries beyond the list's four from an older settings file go too.
    m_file->DeleteGroup(kRecentFilesGroup);
    m_file->SetPath(kRecentFilesGroup);
    manager.FileHistorySave(*m_file);
    m_file->SetPath("/");
    return flush();
}

bool SettingsStore::flush()
{
    const CaughtLog caught;
    const wxFileName file(localFileName());
    if (!file.DirExists())
        wxFileName::Mkdir(file.GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    if (m_file->Flush()) {
        m_error.clear();
        return true;
    }
    m_error = caught.first().empty() ? wxString("the file could not be written") : caught.first();
    if (!m_reported) {
        std::fprintf(stderr, "lexfall: the settings could not be saved to %s: %s\n",
                     static_cast<const char*>(file.GetFullPath().utf8_str()),
                     static_cast<const char*>(m_error.utf8_str()));
        m_reported = true;
    }
    return false;
}
