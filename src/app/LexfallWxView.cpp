#include "app/LexfallWxView.h"

#include <cstdio>

#include <wx/app.h>
#include <wx/msgdlg.h>

#include "app/FaceDlg.h"
#include "app/LexfallApp.h"
#include "app/LexfallCanvas.h"
#include "app/MainFrame.h"
#include "app/SettingsDlg.h"
#include "app/ShellRules.h"
#include "app/WxDrawContext.h"
#include "glyph/FontCatalog.h"
#include "view/CLexfallView.h"
#include "view/CommandIds.h"

namespace {

// The scene's update handlers acting on the toolkit's update event.
class WxCommandUpdate final : public CommandUpdate {
public:
    explicit WxCommandUpdate(wxUpdateUIEvent& event) : m_event(event) {}
    void setCheck(bool checked) override { m_event.Check(checked); }
    void enable(bool enabled) override { m_event.Enable(enabled); }

private:
    wxUpdateUIEvent& m_event;
};

// The view's own command identifiers form one block.
constexpr int kFirstViewMenuId = shell::toMenuId(ID_FONT_ARIAL);
constexpr int kLastViewMenuId = shell::toMenuId(ID_DISPLAY_COLLIDE);

// The scene's command behind a menu item. File Open chooses the nozzle's
// word file, not a document.
int sceneCommand(int menuId) { return menuId == wxID_OPEN ? int(ID_FILE_OPEN) : shell::toCommand(menuId); }

} // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CLexfallWxView, wxView);

CLexfallWxView::CLexfallWxView()
{
    Bind(wxEVT_MENU, &CLexfallWxView::OnViewCommand, this, kFirstViewMenuId, kLastViewMenuId);
    Bind(wxEVT_UPDATE_UI, &CLexfallWxView::OnUpdateViewCommand, this, kFirstViewMenuId, kLastViewMenuId);
    Bind(wxEVT_MENU, &CLexfallWxView::OnViewCommand, this, wxID_OPEN);
    Bind(wxEVT_MENU, &CLexfallWxView::OnSettings, this, ID_FRAME_SETTINGS);
    Bind(wxEVT_MENU, &CLexfallWxView::OnOtherFace, this, ID_FRAME_OTHER_FACE);
    Bind(wxEVT_MENU, &CLexfallWxView::OnRecentFace, this, ID_FRAME_FACE1, ID_FRAME_FACE_LAST);
    Bind(wxEVT_UPDATE_UI, &CLexfallWxView::OnUpdateRecentFace, this, ID_FRAME_FACE1, ID_FRAME_FACE_LAST);
    Bind(wxEVT_UPDATE_UI, &CLexfallWxView::OnUpdateViewCommand, this, wxID_OPEN);
}

CLexfallWxView::~CLexfallWxView() { destroyCanvas(); }

bool CLexfallWxView::OnCreate(wxDocument* doc, long flags)
{
    if (!wxView::OnCreate(doc, flags))
        return false;
    auto* frame = wxDynamicCast(wxTheApp->GetTopWindow(), CMainFrame);
    if (!frame)
        return false;

    m_scene = std::make_unique<CLexfallView>();
    m_scene->m_pPool = &frame->Pool();
    SceneSettings settings = CLexfallApp::LoadSettings();
    settings.utf8Words = settings.utf8Words || CLexfallApp::Utf8WordsForRun();
    settings.collide = settings.collide || CLexfallApp::CollideForRun();
    m_scene->ApplySettings(settings);
    if (const auto preset = CLexfallApp::PhysicsForRun())
        m_scene->ChoosePreset(*preset);
    startFace();
    frame->RefreshRecentFaces(m_faces.recent);
    if (CLexfallApp::SmoothForRun())
        m_scene->m_bSmooth = true;
    auto* canvas = new CLexfallCanvas(frame, *m_scene);
    canvas->setShortcutFilter([frame](const wxKeyEvent& key) { return frame->TranslateShortcut(key); });
    canvas->setFrameStats(CLexfallApp::FrameStats());
    m_canvas = canvas;
    frame->SetCanvas(canvas);
    SetFrame(frame);
    Activate(true);
    canvas->SetFocus();
    return true;
}

bool CLexfallWxView::OnClose(bool deleteWindow)
{
    if (!wxView::OnClose(deleteWindow))
        return false;
    Activate(false);
    destroyCanvas();
    SetFrame(nullptr);
    return true;
}

void CLexfallWxView::destroyCanvas()
{
    if (!m_canvas)
        return;
    if (auto* frame = wxDynamicCast(m_canvas->GetParent(), CMainFrame))
        frame->SetCanvas(nullptr);
    m_canvas->Destroy();
    m_canvas = nullptr;
}

void CLexfallWxView::OnDraw(wxDC* dc)
{
    if (!dc || !m_scene)
        return;
    WxDrawContext context(*dc);
    m_scene->OnDraw(context);
}

void CLexfallWxView::OnChangeFilename()
{
    wxWindow* frame = GetFrame();
    wxDocument* doc = GetDocument();
    if (frame && doc)
        frame->SetLabel(doc->GetDocumentManager()->MakeFrameTitle(doc));
}

void CLexfallWxView::OnViewCommand(wxCommandEvent& event)
{
    const int command = sceneCommand(event.GetId());
    if (!m_scene || !m_scene->OnCommand(command)) {
        event.Skip();
        return;
    }
    if (command == ID_FONT_ARIAL || command == ID_FONT_SYMBOL)
        saveFace();
    // The choice to collide is kept, alone: the rest of the settings file
    // stays as the Settings dialog left it.
    if (command == ID_DISPLAY_COLLIDE) {
        SceneSettings stored = CLexfallApp::LoadSettings();
        stored.collide = m_scene->m_bCollide;
        CLexfallApp::SaveSettings(stored);
    }
    // Smooth Edges is kept with the per-user settings.
    if (command == ID_DISPLAY_SMOOTH)
        CLexfallApp::SaveSettings(m_scene->Settings());
}

void CLexfallWxView::OnSettings(wxCommandEvent&)
{
    if (!m_scene || !m_canvas)
        return;
    CSettingsDlg dialog(m_canvas->GetParent(), m_scene->Settings(), m_canvas->GetBackgroundColour());
    if (dialog.ShowModal() != wxID_OK)
        return;
    const SceneSettings settings = dialog.settings();
    m_scene->ApplySettings(settings);
    CLexfallApp::SaveSettings(settings);
    m_canvas->Refresh();
}

void CLexfallWxView::startFace()
{
    m_faces = FaceHistory::load();
    const std::string& forRun = CLexfallApp::FaceForRun();
    const std::string face = forRun.empty() ? m_faces.face : forRun;
    if (face == "symbol") {
        m_scene->OnCommand(ID_FONT_SYMBOL);
        return;
    }
    std::string error;
    if (!face.empty() && face != "arial" && !m_scene->ChooseFace(face, error))
        std::fprintf(stderr, "lexfall: %s; the letters are Arial's\n", error.c_str());
}

void CLexfallWxView::saveFace()
{
    const std::string& other = m_scene->m_strFace;
    m_faces.face = !other.empty() ? other : std::string(m_scene->m_pszFontFile) == "Symbol.ttf" ? "symbol" : "arial";
    m_faces.save();
}

void CLexfallWxView::chooseFace(const std::string& face)
{
    if (!m_scene || face.empty())
        return;
    std::string error;
    if (!m_scene->ChooseFace(face, error)) {
        wxMessageBox(wxString::FromUTF8(error), "Other Face", wxOK | wxICON_ERROR, GetFrame());
        return;
    }
    shell::rememberFace(m_faces.recent, face);
    saveFace();
    if (auto* frame = wxDynamicCast(GetFrame(), CMainFrame))
        frame->RefreshRecentFaces(m_faces.recent);
}

void CLexfallWxView::OnOtherFace(wxCommandEvent&)
{
    if (!m_scene || !m_canvas)
        return;
    CFaceDlg dialog(m_canvas->GetParent(), fontCatalog::families(), m_scene->m_pMesher->familyName());
    if (dialog.ShowModal() == wxID_OK)
        chooseFace(dialog.face());
}

void CLexfallWxView::OnRecentFace(wxCommandEvent& event)
{
    const auto index = static_cast<std::size_t>(event.GetId() - ID_FRAME_FACE1);
    if (index < m_faces.recent.size())
        chooseFace(std::string(m_faces.recent[index]));
}

void CLexfallWxView::OnUpdateRecentFace(wxUpdateUIEvent& event)
{
    const auto index = static_cast<std::size_t>(event.GetId() - ID_FRAME_FACE1);
    event.Check(m_scene && index < m_faces.recent.size() && m_faces.recent[index] == m_scene->m_strFace);
}

void CLexfallWxView::OnUpdateViewCommand(wxUpdateUIEvent& event)
{
    WxCommandUpdate ui(event);
    if (!m_scene || !m_scene->OnUpdateCommand(sceneCommand(event.GetId()), ui))
        event.Skip();
}
