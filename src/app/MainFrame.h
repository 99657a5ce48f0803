#pragma once

#include <string>
#include <vector>

#include <wx/docview.h>
#include <wx/weakref.h>

#include "app/LexfallCanvas.h"
#include "app/ShellRules.h"

class wxMenu;

// Identifiers of the frame's own commands (the view's come from
// view/CommandIds.h, the framework's are wxWidgets' stock ones).
enum FrameCommand : int {
    ID_FRAME_RECENT_PLACEHOLDER = wxID_HIGHEST + 1,
    ID_FRAME_VIEW_TOOLBAR,
    ID_FRAME_VIEW_STATUS_BAR,
    ID_FRAME_NEXT_PANE,
    ID_FRAME_PREV_PANE,
    // Exit, without the shortcut the toolkit gives its stock Exit item.
    ID_FRAME_EXIT,
    ID_FRAME_SETTINGS,
    ID_FRAME_OTHER_FACE,
    ID_FRAME_FACE1, // the Font menu's recent faces, kRecentFaces of them
    ID_FRAME_FACE_LAST = ID_FRAME_FACE1 + shell::kRecentFaces - 1,
    ID_FRAME_EXPORT_PICTURE,
    ID_FRAME_RECORD,
    ID_FRAME_STOP_RECORDING,
};

// The main window: menu, toolbar, status bar with the lock-key
// indicators, and the keyboard shortcuts. It fills the whole screen.
class CMainFrame final : public wxDocParentFrame {
public:
    // The scene in the frame ticks and paints on `pool`.
    explicit CMainFrame(wxDocManager* manager);


    // Builds the menu, toolbar and status bar; false when one of them
    // cannot be made.
    bool CreateBars();

    // Handles a key down that is one of the frame's shortcuts; true when
    // it was one (whether or not its command is enabled).
    bool TranslateShortcut(const wxKeyEvent& key);

    // Puts the recent-file entries between the File menu's separators.
    void RefreshRecentFiles();
    // Lists the recent faces at the end of the Font menu.
    void RefreshRecentFaces(const std::vector<std::string>& faces);

    void SetCanvas(CLexfallCanvas* canvas);

private:
    wxMenuBar* CreateMainMenu();
    bool CreateMainToolBar();
    bool CreateMainStatusBar();
    bool IsCommandEnabled(int id);

    void OnExitCommand(wxCommandEvent& event);
    void OnToggleToolbar(wxCommandEvent& event);
    void OnToggleStatusBar(wxCommandEvent& event);
    void OnUpdateToolbar(wxUpdateUIEvent& event);
    void OnUpdateStatusBar(wxUpdateUIEvent& event);
    void OnUpdateDisabled(wxUpdateUIEvent& event);
    void OnPane(wxCommandEvent& event);
    void OnIdle(wxIdleEvent& event);

    wxMenu* m_fileMenu = nullptr; // owned by the menu bar
    wxMenu* m_fontMenu = nullptr; // owned by the menu bar
    int m_recentCount = 0;        // entries now in the File menu
    shell::LockIndicators m_locks;
    wxString m_recordingText; // shown in the last status-bar pane
    int m_leftOutShown = 0;   // frames a video left out, as last told
    wxWeakRef<CLexfallCanvas> m_canvas;

    wxDECLARE_CLASS(CMainFrame);
    wxDECLARE_NO_COPY_CLASS(CMainFrame);
};
