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
    // The options of the run, with the document to open (none for a new one).
    explicit CLexfallApp(shell::CommandLine options);
    ~CLexfallApp() override;

    bool OnInit() override;
    int OnExit() override;

private:
    void OnAbout(wxCommandEvent& event);

    shell::CommandLine m_options;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<wxDocManager> m_docManager;
    // The threads the scene ticks and paints on; outlives every window.
    std::unique_ptr<TaskPool> m_pool;
};
