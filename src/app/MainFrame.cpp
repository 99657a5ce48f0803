#include "app/MainFrame.h"

#include <span>
#include <vector>

#include <wx/accel.h>
#include <wx/app.h>
#include <wx/filehistory.h>
#include <wx/filename.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include "app/Resources.h"
#include "view/CommandIds.h"

namespace {

// A menu item: its text (with the shortcut after a tab), identifier, and
// prompt: the status-bar text, then after '\n' the toolbar tooltip.
struct MenuEntry {
    const char* text;
    int id;
    const char* prompt;
    wxItemKind kind;
};

constexpr MenuEntry kSeparator{nullptr, wxID_SEPARATOR, nullptr, wxITEM_SEPARATOR};

// Index in the File menu where the recent files go.
constexpr size_t kRecentFilesPosition = 12;
// The status-bar pane that shows a recording going on.
constexpr int kRecordingPane = 4;

const MenuEntry kFileMenu[] = {
    {"&New\tCtrl+N", wxID_NEW, "Create a new document\nNew", wxITEM_NORMAL},
    {"&Open...\tCtrl+O", wxID_OPEN, "Open an existing document\nOpen", wxITEM_NORMAL},
    {"&Save\tCtrl+S", wxID_SAVE, "Save the active document\nSave", wxITEM_NORMAL},
    {"Save &As...", wxID_SAVEAS, "Save the active document with a new name\nSave As", wxITEM_NORMAL},
    {"&Export Picture...", ID_FRAME_EXPORT_PICTURE, "Save the picture in the window as a PNG file\nExport Picture", wxITEM_NORMAL},
    {"Recor&d Animation...", ID_FRAME_RECORD, "Record the window, while you play, as an animated GIF or WebP or an MP4 or WebM video\nRecord Animation",
     wxITEM_NORMAL},
    {"S&top Recording", ID_FRAME_STOP_RECORDING, "Finish the recording and close its file\nStop Recording", wxITEM_NORMAL},
    kSeparator,
    {"&Print...\tCtrl+P", wxID_PRINT, "Print the active document\nPrint", wxITEM_NORMAL},
    {"Print Pre&view", wxID_PREVIEW, "Display full pages\nPrint Preview", wxITEM_NORMAL},
    {"P&rint Setup...", wxID_PRINT_SETUP, "Change the printer and printing options\nPrint Setup", wxITEM_NORMAL},
    kSeparator,
    {"Recent File", ID_FRAME_RECENT_PLACEHOLDER, "Open this document", wxITEM_NORMAL},
    kSeparator,
    {"E&xit", ID_FRAME_EXIT, "Quit the application; prompts to save documents\nExit", wxITEM_NORMAL},
};

const MenuEntry kEditMenu[] = {
    {"&Undo\tCtrl+Z", wxID_UNDO, "Undo the last action\nUndo", wxITEM_NORMAL},
    kSeparator,
    {"Cu&t\tCtrl+X", wxID_CUT, "Cut the selection and put it on the Clipboard\nCut", wxITEM_NORMAL},
    {"&Copy\tCtrl+C", wxID_COPY, "Copy the selection and put it on the Clipboard\nCopy", wxITEM_NORMAL},
    {"&Paste\tCtrl+V", wxID_PASTE, "Insert Clipboard contents\nPaste", wxITEM_NORMAL},
};

const MenuEntry kViewMenu[] = {
    {"&Toolbar", ID_FRAME_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar", wxITEM_CHECK},
    {"&Status Bar", ID_FRAME_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar", wxITEM_CHECK},
};

const MenuEntry kModeMenu[] = {
    {"&Keyboard", shell::toMenuId(ID_MODE_KEYBOARD), "Enter characters from keyboard\nKeyboard", wxITEM_CHECK},
    {"&Nozzle", shell::toMenuId(ID_MODE_NOZZLE), "Enter words from external file via mouse clicks\nNozzle", wxITEM_CHECK},
    {"&Manipulate", shell::toMenuId(ID_MODE_MANIPULATE), "Allows dynamic mapping of mouse movement to force vectors\nManipulate",
     wxITEM_CHECK},
};

const MenuEntry kFontMenu[] = {
    {"&Arial", shell::toMenuId(ID_FONT_ARIAL), "", wxITEM_CHECK},
    {"&Symbol", shell::toMenuId(ID_FONT_SYMBOL), "", wxITEM_CHECK},
    {"&Other Face...", ID_FRAME_OTHER_FACE, "Choose an installed face or a font file for new letters", wxITEM_NORMAL},
};

const MenuEntry kDisplayMenu[] = {
    {"&Wireframe", shell::toMenuId(ID_DISPLAY_WIREFRAME), "Render in wireframe\nWireframe", wxITEM_CHECK},
    {"&Shaded", shell::toMenuId(ID_DISPLAY_SHADED), "Render in shaded mode\nShaded", wxITEM_CHECK},
    kSeparator,
    {"&Text Color", shell::toMenuId(ID_DISPLAY_TEXTCOLOR), "Change the text color\nText Color", wxITEM_NORMAL},
    {"&Background Color", shell::toMenuId(ID_DISPLAY_BACKGROUNDCOLOR), "Change the background color\nBackground Color", wxITEM_NORMAL},
    kSeparator,
    {"&Animate\tEsc", shell::toMenuId(ID_DISPLAY_ANIMATE), "Animate the text\nAnimate", wxITEM_CHECK},
    kSeparator,
    {"Show &Cursor", shell::toMenuId(ID_DISPLAY_SHOWCURSOR), "Display current insertion point\nCursor", wxITEM_CHECK},
    kSeparator,
    {"Show C&ompass", shell::toMenuId(ID_DISPLAY_SHOWCOMPASS), "Show the gravity altering compass\nCompass", wxITEM_CHECK},
    kSeparator,
    {"S&ettings...", ID_FRAME_SETTINGS, "Choose how new letters move and look, and the colours\nSettings", wxITEM_NORMAL},
    {"&Letters Collide", shell::toMenuId(ID_DISPLAY_COLLIDE), "Letters rest on the floor and on each other and pile up\nLetters Collide",
     wxITEM_CHECK},
    kSeparator,
    {"S&mooth Edges", shell::toMenuId(ID_DISPLAY_SMOOTH),
     "Draw the letters, the cursor and the compass with smooth edges\nSmooth Edges", wxITEM_CHECK},
};

const MenuEntry kHelpMenu[] = {
    {"&About Lexfall...", wxID_ABOUT, "Display program information, version number and copyright\nAbout", wxITEM_NORMAL},
};

// The frame's keyboard shortcuts: modifiers, key, command.
struct Shortcut {
    int flags;
    int keyCode;
    int command;
};

constexpr Shortcut kShortcuts[] = {
    {wxACCEL_CTRL, 'N', wxID_NEW},
    {wxACCEL_CTRL, 'O', wxID_OPEN},
    {wxACCEL_CTRL, 'S', wxID_SAVE},
    {wxACCEL_CTRL, 'P', wxID_PRINT},
    {wxACCEL_CTRL, 'Z', wxID_UNDO},
    {wxACCEL_ALT, WXK_BACK, wxID_UNDO},
    {wxACCEL_CTRL, 'X', wxID_CUT},
    {wxACCEL_SHIFT, WXK_DELETE, wxID_CUT},
    {wxACCEL_SHIFT, WXK_NUMPAD_DELETE, wxID_CUT},
    {wxACCEL_CTRL, 'C', wxID_COPY},
    {wxACCEL_CTRL, WXK_INSERT, wxID_COPY},
    {wxACCEL_CTRL, WXK_NUMPAD_INSERT, wxID_COPY},
    {wxACCEL_CTRL, 'V', wxID_PASTE},
    {wxACCEL_SHIFT, WXK_INSERT, wxID_PASTE},
    {wxACCEL_SHIFT, WXK_NUMPAD_INSERT, wxID_PASTE},
    {wxACCEL_NORMAL, WXK_F6, ID_FRAME_NEXT_PANE},
    {wxACCEL_SHIFT, WXK_F6, ID_FRAME_PREV_PANE},
};

// The toolbar, left to right; 0 is a separator.
const int kToolbarLayout[] = {
    ID_MODE_KEYBOARD, ID_MODE_NOZZLE, ID_MODE_MANIPULATE, 0, ID_DISPLAY_WIREFRAME, ID_DISPLAY_SHADED, 0,
    ID_DISPLAY_ANIMATE, 0, ID_DISPLAY_SHOWCURSOR, 0, ID_DISPLAY_SHOWCOMPASS,
};

// The menu item of a view command, which a toolbar button repeats.
const MenuEntry* findMenuEntry(int id)
{
    for (std::span<const MenuEntry> menu : {std::span<const MenuEntry>(kModeMenu), std::span<const MenuEntry>(kDisplayMenu)}) {
        for (const MenuEntry& item : menu) {
            if (item.id == shell::toMenuId(id))
                return &item;
        }
    }
    return nullptr;
}

wxString statusText(const char* prompt) { return wxString::FromUTF8(prompt).BeforeFirst('\n'); }

template <size_t N>
wxMenu* buildMenu(const MenuEntry (&items)[N])
{
    auto* menu = new wxMenu;
    for (const MenuEntry& item : items) {
        if (item.kind == wxITEM_SEPARATOR)
            menu->AppendSeparator();
        else
            menu->Append(item.id, wxString::FromUTF8(item.text), statusText(item.prompt), item.kind);
    }
    return menu;
}

// "&1 notes.txt" for a file in the current folder, the whole path (with
// the home folder as "~") otherwise; '&' is doubled.
wxString recentFileLabel(size_t index, const wxString& path)
{
    wxFileName name(path);
    wxString shown;
    if (name.GetPath() == wxGetCwd()) {
        shown = name.GetFullName();
    } else {
        shown = path;
        const wxString home = wxGetHomeDir();
        if (!home.empty() && home != "/" && shown.StartsWith(home + "/"))
            shown = "~" + shown.Mid(home.length());
    }
    shown.Replace("&", "&&");
    return wxString::Format("&%d %s", static_cast<int>(index + 1), shown);
}

} // namespace

wxIMPLEMENT_CLASS(CMainFrame, wxDocParentFrame);

CMainFrame::CMainFrame(wxDocManager* manager)
    : wxDocParentFrame(manager, nullptr, wxID_ANY, wxTheApp->GetAppDisplayName(), wxPoint(0, 0), wxGetDisplaySize(),
                       wxDEFAULT_FRAME_STYLE, "LexfallMainFrame")
{
    SetIcons(resources::appIcons());

    Bind(wxEVT_MENU, &CMainFrame::OnToggleToolbar, this, ID_FRAME_VIEW_TOOLBAR);
    Bind(wxEVT_MENU, &CMainFrame::OnToggleStatusBar, this, ID_FRAME_VIEW_STATUS_BAR);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateToolbar, this, ID_FRAME_VIEW_TOOLBAR);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateStatusBar, this, ID_FRAME_VIEW_STATUS_BAR);
    Bind(wxEVT_MENU, &CMainFrame::OnPane, this, ID_FRAME_NEXT_PANE, ID_FRAME_PREV_PANE);
    Bind(wxEVT_MENU, &CMainFrame::OnExitCommand, this, ID_FRAME_EXIT);
    Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);

    // Reached only when nobody before the frame handles them: the Edit
    // commands, the colour items and the view's ids without a handler.
    for (int id : {int(wxID_UNDO), int(wxID_CUT), int(wxID_COPY), int(wxID_PASTE), int(ID_FRAME_RECENT_PLACEHOLDER)})
        Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateDisabled, this, id);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateDisabled, this, shell::toMenuId(ID_FONT_ARIAL),
         shell::toMenuId(ID_DISPLAY_COLLIDE));
}

bool CMainFrame::CreateBars()
{
    wxMenuBar* menuBar = CreateMainMenu();
    if (!menuBar)
        return false;
    SetMenuBar(menuBar);
    if (!CreateMainToolBar() || !CreateMainStatusBar())
        return false;

    std::vector<wxAcceleratorEntry> entries;
    for (const Shortcut& shortcut : kShortcuts)
        entries.emplace_back(shortcut.flags, shortcut.keyCode, shortcut.command);
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(entries.size()), entries.data()));

    RefreshRecentFiles();
    return true;
}

wxMenuBar* CMainFrame::CreateMainMenu()
{
    auto* menuBar = new wxMenuBar;
    m_fileMenu = buildMenu(kFileMenu);
    m_recentCount = 0;
    menuBar->Append(m_fileMenu, "&File");
    menuBar->Append(buildMenu(kEditMenu), "&Edit");
    menuBar->Append(buildMenu(kViewMenu), "&View");
    menuBar->Append(buildMenu(kModeMenu), "&Mode");
    m_fontMenu = buildMenu(kFontMenu);
    menuBar->Append(m_fontMenu, "&Font");
    menuBar->Append(buildMenu(kDisplayMenu), "&Display");
    menuBar->Append(buildMenu(kHelpMenu), "&Help");
    return menuBar;
}

bool CMainFrame::CreateMainToolBar()
{
    wxToolBar* toolBar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxTB_TOP, wxID_ANY, "LexfallToolBar");
    if (!toolBar)
        return false;
    toolBar->SetToolBitmapSize(wxSize(16, 15));
    for (int id : kToolbarLayout) {
        if (id == 0) {
            toolBar->AddSeparator();
            continue;
        }
        const MenuEntry* entry = findMenuEntry(id);
        const wxBitmap bitmap = resources::toolbarBitmap(id);
        if (!entry || !bitmap.IsOk())
            return false;
        const wxString prompt = wxString::FromUTF8(entry->prompt);
        const wxString tooltip = prompt.AfterFirst('\n');
        toolBar->AddCheckTool(entry->id, tooltip, bitmap, wxNullBitmap, tooltip, prompt.BeforeFirst('\n'));
    }
    return toolBar->Realize();
}

bool CMainFrame::CreateMainStatusBar()
{
    wxStatusBar* statusBar = CreateStatusBar(5, wxSTB_DEFAULT_STYLE, wxID_ANY, "LexfallStatusBar");
    if (!statusBar)
        return false;

    // Each indicator pane is as wide as its text with some room to spare.
    const int padding = statusBar->FromDIP(16);
    const int widths[] = {-1, statusBar->GetTextExtent("CAP").GetWidth() + padding,
                          statusBar->GetTextExtent("NUM").GetWidth() + padding,
                          statusBar->GetTextExtent("SCRL").GetWidth() + padding,
                          statusBar->GetTextExtent("Recording 0000 s").GetWidth() + padding};
    statusBar->SetStatusWidths(5, widths);
    SetStatusBarPane(0);
    SetStatusText("Ready", 0);
    m_locks = {};
    m_recordingText.clear();
    return true;
}

void CMainFrame::SetCanvas(CLexfallCanvas* canvas)
{
    m_canvas = canvas;
    if (canvas)
        SendSizeEvent();
}

bool CMainFrame::IsCommandEnabled(int id)
{
    wxUpdateUIEvent update(id);
    update.SetEventObject(this);
    ProcessWindowEvent(update);
    return !update.GetSetEnabled() || update.GetEnabled();
}

bool CMainFrame::TranslateShortcut(const wxKeyEvent& key)
{
    const int modifiers = key.GetModifiers() & (wxMOD_ALT | wxMOD_CONTROL | wxMOD_SHIFT);
    for (const Shortcut& shortcut : kShortcuts) {
        if (shortcut.keyCode != key.GetKeyCode() || shortcut.flags != modifiers)
            continue;
        if (IsCommandEnabled(shortcut.command)) {
            wxCommandEvent command(wxEVT_MENU, shortcut.command);
            command.SetEventObject(this);
            ProcessWindowEvent(command);
        }
        return true;
    }
    return false;
}

void CMainFrame::RefreshRecentFiles()
{
    if (!m_fileMenu)
        return;
    const wxFileHistory* history = m_docManager ? m_docManager->GetFileHistory() : nullptr;

    // Take out the placeholder or the entries shown so far.
    const int shown = m_recentCount == 0 ? 1 : m_recentCount;
    for (int i = 0; i < shown; ++i) {
        wxMenuItem* item = m_fileMenu->FindItemByPosition(kRecentFilesPosition);
        if (item && !item->IsSeparator())
            m_fileMenu->Destroy(item);
    }

    m_recentCount = history ? static_cast<int>(history->GetCount()) : 0;
    if (m_recentCount == 0) {
        m_fileMenu->Insert(kRecentFilesPosition, ID_FRAME_RECENT_PLACEHOLDER, "Recent File", "Open this document");
        return;
    }
    const int base = history->GetBaseId();
    for (int i = 0; i < m_recentCount; ++i) {
        const size_t index = static_cast<size_t>(i);
        m_fileMenu->Insert(kRecentFilesPosition + index, base + i, recentFileLabel(index, history->GetHistoryFile(index)),
                           "Open this document");
    }
}

void CMainFrame::RefreshRecentFaces(const std::vector<std::string>& faces)
{
    if (!m_fontMenu)
        return;
    // The menu's own items, then a separator and the faces.
    while (m_fontMenu->GetMenuItemCount() > std::size(kFontMenu))
        m_fontMenu->Destroy(m_fontMenu->FindItemByPosition(std::size(kFontMenu)));
    if (faces.empty())
        return;
    m_fontMenu->AppendSeparator();
    for (std::size_t i = 0; i < faces.size() && i < static_cast<std::size_t>(shell::kRecentFaces); ++i)
        m_fontMenu->AppendCheckItem(ID_FRAME_FACE1 + static_cast<int>(i),
                                    wxString::Format("&%d %s", static_cast<int>(i + 1),
                                                     wxString::FromUTF8(shell::faceMenuLabel(faces[i]))),
                                    wxString::FromUTF8(faces[i]));
}

void CMainFrame::OnExitCommand(wxCommandEvent&) { Close(); }

void CMainFrame::OnToggleToolbar(wxCommandEvent&)
{
    if (wxToolBar* toolBar = GetToolBar()) {
        toolBar->Show(!toolBar->IsShown());
        SendSizeEvent();
    }
}

void CMainFrame::OnToggleStatusBar(wxCommandEvent&)
{
    if (wxStatusBar* statusBar = GetStatusBar()) {
        statusBar->Show(!statusBar->IsShown());
        SendSizeEvent();
    }
}

void CMainFrame::OnUpdateToolbar(wxUpdateUIEvent& event) { event.Check(GetToolBar() && GetToolBar()->IsShown()); }

void CMainFrame::OnUpdateStatusBar(wxUpdateUIEvent& event)
{
    event.Check(GetStatusBar() && GetStatusBar()->IsShown());
}

void CMainFrame::OnUpdateDisabled(wxUpdateUIEvent& event) { event.Enable(false); }

void CMainFrame::OnPane(wxCommandEvent&)
{
    // The view is the only pane: both keys bring the focus back to it.
    if (m_canvas)
        m_canvas->SetFocus();
}

void CMainFrame::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    wxStatusBar* statusBar = GetStatusBar();
    if (!statusBar)
        return;
    const wxString recording = m_canvas && m_canvas->recording()
                                   ? wxString::Format("Recording %d s", static_cast<int>(m_canvas->recordedSeconds()))
                                   : wxString();
    if (recording != m_recordingText) {
        statusBar->SetStatusText(recording, kRecordingPane);
        m_recordingText = recording;
    }
    // The window never waits for a video's encoder; the user hears when
    // it could not keep up.
    const int leftOut = m_canvas ? m_canvas->framesLeftOut() : 0;
    if (leftOut > m_leftOutShown)
        statusBar->SetStatusText(
            wxString::Format("The video encoder is behind: %d frames left out, the picture before shown on", leftOut), 0);
    m_leftOutShown = leftOut;
    const shell::LockIndicators locks =
        shell::lockIndicators(wxGetKeyState(WXK_CAPITAL), wxGetKeyState(WXK_NUMLOCK), wxGetKeyState(WXK_SCROLL));
    if (locks == m_locks)
        return;
    if (locks.caps != m_locks.caps)
        statusBar->SetStatusText(locks.caps, 1);
    if (locks.num != m_locks.num)
        statusBar->SetStatusText(locks.num, 2);
    if (locks.scroll != m_locks.scroll)
        statusBar->SetStatusText(locks.scroll, 3);
    m_locks = locks;
}
