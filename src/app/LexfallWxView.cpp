#include "app/LexfallWxView.h"

#include <algorithm>
#include <cstdio>

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>

#include "app/FaceDlg.h"
#include "app/LexfallCanvas.h"
#include "app/MainFrame.h"
#include "app/SettingsDlg.h"
#include "app/SettingsStore.h"
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
constexpr int kFirstViewMenuId = shell::toMenuId(std::ranges::min(kViewCommands));
constexpr int kLastViewMenuId = shell::toMenuId(std::ranges::max(kViewCommands));

// The scene's command behind a menu item. File Open chooses the nozzle's
// word file, not a document.
int sceneCommand(int menuId) { return menuId == wxID_OPEN ? int(ID_FILE_OPEN) : shell::toCommand(menuId); }

// A picture file to write, asked for with the save dialog: a name without
// an extension gets the one of the chosen type; empty when cancelled or
// when the name asks for a type that is not offered.
wxString askPictureFile(wxWindow* parent, const wxString& title, const wxString& name, const wxString& wildcard,
                        const wxArrayString& extensions)
{
    wxFileDialog dialog(parent, title, wxEmptyString, name, wildcard, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return wxEmptyString;
    wxFileName file(dialog.GetPath());
    if (!file.HasExt())
        file.SetExt(extensions[static_cast<size_t>(std::max(0, dialog.GetFilterIndex())) % extensions.size()]);
    if (extensions.Index(file.GetExt().Lower()) != wxNOT_FOUND)
        return file.GetFullPath();
    wxString allowed = "." + extensions[0];
    for (size_t i = 1; i < extensions.size(); ++i)
        allowed += " or ." + extensions[i];
    wxMessageBox(wxString::Format("\"%s\" cannot be written: the name must end in %s.", file.GetFullName(), allowed),
                 title, wxOK | wxICON_ERROR, parent);
    return wxEmptyString;
}

} // namespace

wxIMPLEMENT_CLASS(CLexfallWxView, wxView);

CLexfallWxView::CLexfallWxView(SettingsStore& settings, const shell::CommandLine& options, TaskPool& pool)
    : m_settings(settings), m_options(options), m_pool(pool)
{
    Bind(wxEVT_MENU, &CLexfallWxView::OnViewCommand, this, kFirstViewMenuId, kLastViewMenuId);
    Bind(wxEVT_UPDATE_UI, &CLexfallWxView::OnUpdateViewCommand, this, kFirstViewMenuId, kLastViewMenuId);
    Bind(wxEVT_MENU, &CLexfallWxView::OnViewCommand, this, wxID_OPEN);
    Bind(wxEVT_MENU, &CLexfallWxView::OnSettings, this, ID_FRAME_SETTINGS);
    Bind(wxEVT_MENU, &CLexfallWxView::OnOtherFace, this, ID_FRAME_OTHER_FACE);
    Bind(wxEVT_MENU, &CLexfallWxView::OnRecentFace, this, ID_FRAME_FACE1, ID_FRAME_FACE_LAST);
    Bind(wxEVT_UPDATE_UI, &CLexfallWxView::OnUpdateRecentFace, this, ID_FRAME_FACE1, ID_FRAME_FACE_LAST);
    Bind(wxEVT_MENU, &CLexfallWxView::OnExportPicture, this, ID_FRAME_EXPORT_PICTURE);
    Bind(wxEVT_MENU, &CLexfallWxView::OnRecord, this, ID_FRAME_RECORD);
    Bind(wxEVT_MENU, &CLexfallWxView::OnStopRecording, this, ID_FRAME_STOP_RECORDING);
    Bind(wxEVT_UPDATE_UI, &CLexfallWxView::OnUpdateRecording, this, ID_FRAME_RECORD);
    Bind(wxEVT_UPDATE_UI, &CLexfallWxView::OnUpdateRecording, this, ID_FRAME_STOP_RECORDING);
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
    m_scene->m_pPool = &m_pool;
    // A scene chosen with File > Open becomes the document, as one from
    // the recent files does.
    m_scene->m_fnOpenScene = [doc](const std::string& path) {
        doc->GetDocumentManager()->CreateDocument(wxString::FromUTF8(path), wxDOC_SILENT);
    };
    SceneSettings settings = m_settings.loadSettings();
    // The options of the run go over the settings, and are not kept.
    applyChoices(m_options.settings, settings);
    m_scene->ApplySettings(settings);
    startFace();
    frame->RefreshRecentFaces(m_faces.recent);
    auto* canvas = new CLexfallCanvas(frame, *m_scene);
    canvas->setShortcutFilter([frame](const wxKeyEvent& key) { return frame->TranslateShortcut(key); });
    canvas->setFrameStats(m_options.frameStats);
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
    // Quitting finishes a recording without asking.
    stopRecording();
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
    if (command == ID_DISPLAY_COLLIDE)
        saveChoice([](SceneSettings& stored, const CLexfallView& scene) { stored.collide = scene.m_bCollide; });
    if (command == ID_DISPLAY_SMOOTH)
        saveChoice([](SceneSettings& stored, const CLexfallView& scene) { stored.smoothEdges = scene.m_bSmooth; });
}

void CLexfallWxView::saveChoice(void (*choose)(SceneSettings& stored, const CLexfallView& scene))
{
    SceneSettings stored = m_settings.loadSettings();
    choose(stored, *m_scene);
    reportSaved(m_settings.saveSettings(stored));
}

void CLexfallWxView::startFace()
{
    m_faces = m_settings.loadFaces();
    const std::string face = m_options.face.empty() ? m_faces.face : m_options.face;
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
    reportSaved(m_settings.saveFaces(m_faces));
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
    CFaceDlg dialog(m_canvas->GetParent(), m_scene->m_pMesher->catalog().families(), m_scene->m_pMesher->familyName());
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

void CLexfallWxView::OnSettings(wxCommandEvent&)
{
    if (!m_scene || !m_canvas)
        return;
    CSettingsDlg dialog(m_canvas->GetParent(), m_scene->Settings(), m_canvas->GetBackgroundColour());
    if (dialog.ShowModal() != wxID_OK)
        return;
    const SceneSettings settings = dialog.settings();
    m_scene->ApplySettings(settings);
    reportSaved(m_settings.saveSettings(settings));
    m_canvas->Refresh();
}

void CLexfallWxView::OnUpdateViewCommand(wxUpdateUIEvent& event)
{
    WxCommandUpdate ui(event);
    if (!m_scene || !m_scene->OnUpdateCommand(sceneCommand(event.GetId()), ui))
        event.Skip();
}

void CLexfallWxView::reportSaved(bool saved)
{
    if (!saved)
        showStatus("Settings not saved: " + m_settings.error());
}

void CLexfallWxView::showStatus(const wxString& text)
{
    if (auto* frame = wxDynamicCast(GetFrame(), CMainFrame))
        frame->SetStatusText(text);
}

void CLexfallWxView::OnExportPicture(wxCommandEvent&)
{
    if (!m_canvas)
        return;
    wxArrayString extensions;
    extensions.Add("png");
    const wxString path = askPictureFile(m_canvas->GetParent(), "Export Picture", "lexfall.png", "PNG picture (*.png)|*.png",
                                         extensions);
    if (path.empty())
        return;
    std::string error;
    if (m_canvas->exportPicture(std::string(path.utf8_str()), error))
        showStatus("Picture saved to " + path);
    else
        wxMessageBox("The picture could not be saved: " + wxString::FromUTF8(error) + ".", "Export Picture",
                     wxOK | wxICON_ERROR, m_canvas->GetParent());
}

void CLexfallWxView::OnRecord(wxCommandEvent&)
{
    if (!m_canvas || m_canvas->recording())
        return;
    wxArrayString extensions;
    extensions.Add("gif");
    extensions.Add("webp");
    extensions.Add("mp4");
    extensions.Add("webm");
    const wxString path = askPictureFile(m_canvas->GetParent(), "Record Animation", "lexfall.gif",
                                         "Animated GIF (*.gif)|*.gif|Animated WebP (*.webp)|*.webp|"
                                         "MP4 video (*.mp4)|*.mp4|WebM video (*.webm)|*.webm",
                                         extensions);
    if (path.empty())
        return;
    std::string error;
    if (m_canvas->startRecording(std::string(path.utf8_str()), error))
        showStatus("Recording to " + path + "; File > Stop Recording finishes it");
    else
        wxMessageBox("The recording could not start: " + wxString::FromUTF8(error) + ".", "Record Animation",
                     wxOK | wxICON_ERROR, m_canvas->GetParent());
}

void CLexfallWxView::OnStopRecording(wxCommandEvent&) { stopRecording(); }

void CLexfallWxView::stopRecording()
{
    if (!m_canvas || !m_canvas->recording())
        return;
    const double seconds = m_canvas->recordedSeconds();
    std::string error;
    if (m_canvas->stopRecording(error))
        showStatus(wxString::Format("Recorded %.1f s", seconds));
    else
        wxMessageBox(wxString::FromUTF8(error) + ".", "Record Animation", wxOK | wxICON_ERROR, m_canvas->GetParent());
}

void CLexfallWxView::OnUpdateRecording(wxUpdateUIEvent& event)
{
    const bool recording = m_canvas && m_canvas->recording();
    event.Enable(event.GetId() == ID_FRAME_RECORD ? m_canvas && !recording : recording);
}
