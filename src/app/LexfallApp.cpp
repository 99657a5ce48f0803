#include "app/LexfallApp.h"

#include <cstdio>

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

// The one template: its views get the settings file, the options of the
// run and the threads to tick on.
class CLexfallDocTemplate final : public wxDocTemplate {
public:
    CLexfallDocTemplate(wxDocManager* manager, SettingsStore& settings, const shell::CommandLine& options,
                        TaskPool& pool)
        : wxDocTemplate(manager, "Lexfall Scene", wxString("*.") + sceneFile::kExtension, wxEmptyString,
                        sceneFile::kExtension, "Lexfall.Document", "Lexfall View", wxCLASSINFO(CLexfallDoc),
                        wxCLASSINFO(CLexfallWxView)),
          m_settings(settings), m_options(options), m_pool(pool)
    {
    }

protected:
    wxView* DoCreateView() override { return new CLexfallWxView(m_settings, m_options, m_pool); }

private:
    SettingsStore& m_settings;
    const shell::CommandLine& m_options;
    TaskPool& m_pool;
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

CLexfallApp::CLexfallApp(shell::CommandLine options) : m_options(std::move(options))
{
    wxSetAssertHandler(logAssertion);
    SetVendorName(kSettingsVendor);
    SetAppName("Lexfall");
    SetAppDisplayName(shell::kAppName);
    Bind(wxEVT_MENU, &CLexfallApp::OnAbout, this, wxID_ABOUT);
}

CLexfallApp::~CLexfallApp() = default;

// The command line was read before the toolkit started, so the toolkit's
// own reading of it (wxApp::OnInit) is left out.
bool CLexfallApp::OnInit()
{
    // Until the main window is up, errors go to standard error, so a
    // failed start ends with a message rather than a dialog.
    wxLog::DisableTimestamp();
    const StderrLogScope startupLog;

    wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);
    // The settings file is the store's alone: no global one that the
    // toolkit would write, and report on, after the program has ended.
    wxConfigBase::DontCreateOnDemand();
    m_settings = std::make_unique<SettingsStore>();

    m_pool = std::make_unique<TaskPool>(TaskPool::threadsFromEnvironment());
    m_docManager = std::make_unique<CLexfallDocManager>();
    // The template belongs to the document manager from here on.
    new CLexfallDocTemplate(m_docManager.get(), *m_settings, m_options, *m_pool);
    m_settings->loadRecentFiles(*m_docManager);

    auto* frame = new CMainFrame(m_docManager.get());
    SetTopWindow(frame);
    if (!frame->CreateBars()) {
        frame->Destroy();
        return false;
    }

    const wxString file = wxString::FromUTF8(m_options.file);
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
