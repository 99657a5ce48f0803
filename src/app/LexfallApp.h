#pragma once

#include <memory>
#include <optional>
#include <string>

#include <wx/app.h>
#include <wx/string.h>

#include "platform/TaskPool.h"
#include "view/SceneSettings.h"

class wxDocManager;

// The application: settings, the document manager with its one template,
// the main frame, the command line's document, and the About command.
class CLexfallApp final : public wxApp {
public:
    CLexfallApp();
    ~CLexfallApp() override;

    // The document named on the command line (empty for a new one) and
    // the options given there.
    static void SetStartFile(const wxString& file);
    static void SetFrameStats(bool on);
    static bool FrameStats();
    static void SetPhysicsForRun(std::optional<PhysicsPreset> preset);
    static std::optional<PhysicsPreset> PhysicsForRun();
    static void SetCollideForRun(bool on);
    static bool CollideForRun();
    // --face (empty: the saved face) and --utf8-words.
    static void SetFaceForRun(const std::string& face, bool utf8Words);
    static const std::string& FaceForRun();
    static bool Utf8WordsForRun();
    static void SetSmoothForRun(bool on);
    static bool SmoothForRun();

    // Display > Settings in the per-user settings file.
    static SceneSettings LoadSettings();
    static void SaveSettings(const SceneSettings& settings);

    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;

private:
    void OnAbout(wxCommandEvent& event);
    void LoadRecentFiles();
    void SaveRecentFiles();

    std::unique_ptr<wxDocManager> m_docManager;
    // The threads the scene ticks and paints on; outlives every window.
    std::unique_ptr<TaskPool> m_pool;
};

wxDECLARE_APP(CLexfallApp);
