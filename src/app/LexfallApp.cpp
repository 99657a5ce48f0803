#include "app/LexfallApp.h"

#include <cstdio>

#include <wx/cmdline.h>
#include <wx/config.h>
#include <wx/docview.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

#include "app/AboutDlg.h"
#include "app/LexfallDoc.h"
#include "app/LexfallWxView.h"
#include "app/MainFrame.h"
#include "app/SettingsStore.h"
#include "view/SceneFile.h"

namespace {

constexpr const char* kSettingsVendor = "Local AppWizard-Generated Applications";

wxString& startFile()
{
    static wxString file;
    return file;
}

shell::CommandLine& commandLine()
{
    static shell::CommandLine options;
    return options;
}

// The one template: its views get the settings file and the options of
// the run.
class CLexfallDocTemplate final : public wxDocTemplate {
public:
    CLexfallDocTemplate(wxDocManager* manager, SettingsStore& settings)
        : wxDocTemplate(manager, "Lexfall Scene", wxString("*.") + sceneFile::kExtension, wxEmptyString,
                        sceneFile::kExtension, "Lexfall.Document", "Lexfall View", wxCLASSINFO(CLexfallDoc),
                        wxCLASSINFO(CLexfallWxView)),
          m_settings(settings)
    {
    }

protected:
    wxView* DoCreateView() override { return new CLexfallWxView(m_settings, commandLine()); }

private:
    SettingsStore& m_settings;
};

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

void CLexfallApp::SetCommandLine(const shell::CommandLine& options) { commandLine() = options; }

void CLexfallApp::OnInitCmdLine(wxCmdLineParser& parser)
{
    // The options were dealt with before the toolkit started; they are
    // only declared here so that the toolkit passes them over.
    parser.AddLongSwitch("frame-stats");
    parser.AddLongOption("physics");
    parser.AddLongSwitch("collide");
    parser.AddLongSwitch("smooth");
    parser.AddLongOption("face");
    parser.AddLongSwitch("utf8-words");
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
    // The settings file is the store's alone: no global one that the
    // toolkit would write, and report on, after the program has ended.
    wxConfigBase::DontCreateOnDemand();
    m_settings = std::make_unique<SettingsStore>();

    m_docManager = std::make_unique<CLexfallDocManager>();
    // The template belongs to the document manager from here on.
    new CLexfallDocTemplate(m_docManager.get(), *m_settings);
    m_settings->loadRecentFiles(*m_docManager);

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
    // The windows are gone: whatever is still said goes to standard error.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    if (m_settings && m_docManager)
        m_settings->saveRecentFiles(*m_docManager);
    m_docManager.reset();
    m_settings.reset();
    return wxApp::OnExit();
}

void CLexfallApp::OnAbout(wxCommandEvent&)
{
    CAboutDlg dialog(GetTopWindow());
    dialog.ShowModal();
}
