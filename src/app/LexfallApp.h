#pragma once

#include <memory>

#include <wx/app.h>
#include <wx/string.h>

#include "app/ShellRules.h"
#include "platform/TaskPool.h"

class SettingsStore;
class wxDocManager;

// The application: the settings file, the document manager with its one
// template, the main frame, the command line's document, and the About
// command.
class CLexfallApp final : public wxApp {
public:
    CLexfallApp();
    ~CLexfallApp() override;

    // The document named on the command line (empty for a new one) and
    // the options given there.
    static void SetStartFile(const wxString& file);
    static void SetCommandLine(const shell::CommandLine& commandLine);

    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;

private:
    void OnAbout(wxCommandEvent& event);

    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<wxDocManager> m_docManager;
    // The threads the scene ticks and paints on; outlives every window.
    std::unique_ptr<TaskPool> m_pool;
};

wxDECLARE_APP(CLexfallApp);
