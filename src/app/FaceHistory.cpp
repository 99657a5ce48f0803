#include "app/FaceHistory.h"

#include <wx/app.h>
#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/filename.h>

#include "app/ShellRules.h"

namespace {

constexpr const char* kFaceKey = "/Faces/Face";
constexpr const char* kRecentKey = "/Faces/Recent";

wxString recentKey(int i) { return wxString::Format("%s%d", kRecentKey, i + 1); }

} // namespace

FaceHistory FaceHistory::load()
{
    FaceHistory history;
    wxConfigBase* config = wxConfigBase::Get();
    if (!config)
        return history;
    wxString value;
    if (config->Read(kFaceKey, &value))
        history.face = value.utf8_string();
    for (int i = 0; i < shell::kRecentFaces; ++i)
        if (config->Read(recentKey(i), &value) && !value.empty())
            history.recent.push_back(value.utf8_string());
    return history;
}

void FaceHistory::save() const
{
    wxConfigBase* config = wxConfigBase::Get();
    if (!config)
        return;
    const wxFileName file(wxFileConfig::GetLocalFileName(wxTheApp->GetAppName(), wxCONFIG_USE_LOCAL_FILE));
    if (!file.DirExists())
        wxFileName::Mkdir(file.GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    config->Write(kFaceKey, wxString::FromUTF8(face));
    for (int i = 0; i < shell::kRecentFaces; ++i) {
        if (i < static_cast<int>(recent.size()))
            config->Write(recentKey(i), wxString::FromUTF8(recent[static_cast<std::size_t>(i)]));
        else
            config->DeleteEntry(recentKey(i));
    }
    config->Flush();
}
