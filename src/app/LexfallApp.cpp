#include "app/LexfallApp.h"

#include <cstdio>

#include <wx/cmdline.h>
#include <wx/config.h>
#include <wx/docview.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

#include "app/AboutDlg.h"
#include "app/LexfallDoc.h"
#include "app/LexfallWxView.h"
#include "app/MainFrame.h"
#include "app/ShellRules.h"

namespace {

constexpr const char* kSettingsVendor = "Local AppWizard-Generated Applications";
constexpr const char* kRecentFilesGroup = "/Recent File List";
constexpr const char* kSettingsGroup = "/Settings";

wxString& startFile()
{
    static wxString file;
    return file;
}

bool& frameStats()
{
    static bool on = false;
    return on;
}

std::optional<PhysicsPreset>& physicsForRun()
{
    static std::optional<PhysicsPreset> preset;
    return preset;
}

bool& collideForRun()
{
    static bool on = false;
    return on;
}

bool& smoothForRun()
{
    static bool on = false;
    return on;
}

struct FaceOptions {
    std::string face;
    bool utf8Words = false;
};

FaceOptions& faceForRun()
{
    static FaceOptions options;
    return options;
}

// The per-user settings file, its folder made when missing.
wxConfigBase* settingsFile()
{
    wxConfigBase* config = wxConfigBase::Get();
    if (!config)
        return nullptr;
    const wxFileName file(wxFileConfig::GetLocalFileName(wxTheApp->GetAppName(), wxCONFIG_USE_LOCAL_FILE));
    if (!file.DirExists())
        wxFileName::Mkdir(file.GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    return config;
}

// A failed assertion is reported on standard error; the program goes on,
// no dialog waits for a user who may not be there.
void logAssertion(const wxString& file, int line, const wxString& function, const wxString& condition,
                  const wxString& message)
{
    std::fprintf(stderr, "lexfall: assertion \"%s\" failed in %s at %s:%d%s%s\n",
                 static_cast<const char*>(condition.utf8_str()), static_cast<const char*>(function.utf8_str()),
                 static_cast<const char*>(file.utf8_str()), line, message.empty() ? "" : ": ",
                 static_cast<const char*>(message.utf8_str()));
}

// While it lives, log messages go to standard error rather than to a
// dialog.
class StderrLogScope {
public:
    StderrLogScope() : m_previous(wxLog::SetActiveTarget(&m_log)) {}
    ~StderrLogScope() { wxLog::SetActiveTarget(m_previous); }
    StderrLogScope(const StderrLogScope&) = delete;
    StderrLogScope& operator=(const StderrLogScope&) = delete;

private:
    wxLogStderr m_log;
    wxLog* m_previous;
};

} // namespace

CLexfallApp::CLexfallApp()
{
    wxSetAssertHandler(logAssertion);
    SetVendorName(kSettingsVendor);
    SetAppName("Lexfall");
    SetAppDisplayName(shell::kAppName);
    Bind(wxEVT_MENU, &CLexfallApp::OnAbout, this, wxID_ABOUT);
}

CLexfallApp::~CLexfallApp() = default;

void CLexfallApp::SetStartFile(const wxString& file) { startFile() = file; }

void CLexfallApp::SetFrameStats(bool on) { frameStats() = on; }

bool CLexfallApp::FrameStats() { return frameStats(); }

void CLexfallApp::SetPhysicsForRun(std::optional<PhysicsPreset> preset) { physicsForRun() = preset; }

std::optional<PhysicsPreset> CLexfallApp::PhysicsForRun() { return physicsForRun(); }

void CLexfallApp::SetCollideForRun(bool on) { collideForRun() = on; }

bool CLexfallApp::CollideForRun() { return collideForRun(); }

void CLexfallApp::SetFaceForRun(const std::string& face, bool utf8Words) { faceForRun() = {face, utf8Words}; }

const std::string& CLexfallApp::FaceForRun() { return faceForRun().face; }

bool CLexfallApp::Utf8WordsForRun() { return faceForRun().utf8Words; }
void CLexfallApp::SetSmoothForRun(bool on) { smoothForRun() = on; }

bool CLexfallApp::SmoothForRun() { return smoothForRun(); }

SceneSettings CLexfallApp::LoadSettings()
{
    wxConfigBase* config = wxConfigBase::Get();
    if (!config)
        return SceneSettings::asDesigned();
    return readSettings([config](const std::string& key) -> std::optional<std::string> {
        wxString value;
        if (!config->Read(wxString(kSettingsGroup) + "/" + wxString::FromUTF8(key), &value))
            return std::nullopt;
        return std::string(value.utf8_str());
    });
}

void CLexfallApp::SaveSettings(const SceneSettings& settings)
{
    wxConfigBase* config = settingsFile();
    if (!config)
        return;
    writeSettings(settings, [config](const std::string& key, const std::string& value) {
        config->Write(wxString(kSettingsGroup) + "/" + wxString::FromUTF8(key), wxString::FromUTF8(value));
    });
    config->Flush();
}

void CLexfallApp::OnInitCmdLine(wxCmdLineParser& parser)
{
    // The options were dealt with before the toolkit started; they are
    // only declared here so that the toolkit passes them over.
    parser.AddLongSwitch("frame-stats");
    parser.AddLongOption("physics");
    parser.AddLongSwitch("collide");
    parser.AddLongOption("face");
    parser.AddLongSwitch("utf8-words");
    parser.AddLongSwitch("smooth");
    parser.AddParam("file", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
    parser.SetSwitchChars("-");
}

bool CLexfallApp::OnCmdLineParsed(wxCmdLineParser&) { return true; }

bool CLexfallApp::OnInit()
{
    if (!wxApp::OnInit())
        return false;

    // Until the main window is up, errors go to standard error, so a
    // failed start ends with a message rather than a dialog.
    wxLog::DisableTimestamp();
    const StderrLogScope startupLog;

    wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);

    m_docManager = std::make_unique<CLexfallDocManager>();
    // The template belongs to the document manager from here on.
    new wxDocTemplate(m_docManager.get(), "Lexfal Document", "*", wxEmptyString, wxEmptyString, "Lexfall.Document",
                      "Lexfall View", wxCLASSINFO(CLexfallDoc), wxCLASSINFO(CLexfallWxView));
    LoadRecentFiles();

    m_pool = std::make_unique<TaskPool>(TaskPool::threadsFromEnvironment());
    auto* frame = new CMainFrame(m_docManager.get(), *m_pool);
    SetTopWindow(frame);
    if (!frame->CreateBars()) {
        frame->Destroy();
        return false;
    }

    const wxString& file = startFile();
    wxDocument* doc = file.empty() ? m_docManager->CreateNewDocument() : m_docManager->CreateDocument(file, wxDOC_SILENT);
    if (!doc) {
        frame->Destroy();
        return false;
    }

    frame->Show(true);
    frame->Update();
    return true;
}

int CLexfallApp::OnExit()
{
    // The windows are gone: nobody is left to close an error dialog.
    {
        const StderrLogScope exitLog;
        SaveRecentFiles();
    }
    m_docManager.reset();
    return wxApp::OnExit();
}

void CLexfallApp::LoadRecentFiles()
{
    wxConfigBase* config = wxConfigBase::Get();
    if (!config)
        return;
    config->SetPath(kRecentFilesGroup);
    m_docManager->FileHistoryLoad(*config);
    config->SetPath("/");
}

void CLexfallApp::SaveRecentFiles()
{
    wxConfigBase* config = settingsFile();
    if (!config || !m_docManager)
        return;
    // Entries beyond the list's four from an older settings file go too.
    config->DeleteGroup(kRecentFilesGroup);
    config->SetPath(kRecentFilesGroup);
    m_docManager->FileHistorySave(*config);
    config->SetPath("/");
    config->Flush();
}

void CLexfallApp::OnAbout(wxCommandEvent&)
{
    CAboutDlg dialog(GetTopWindow());
    dialog.ShowModal();
}
