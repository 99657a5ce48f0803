#include "app/LexfallWxView.h"

#include <algorithm>

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>

#include "app/LexfallCanvas.h"
#include "app/MainFrame.h"
#include "app/SettingsDlg.h"
#include "app/SettingsStore.h"
#include "app/ShellRules.h"
#include "app/WxDrawContext.h"
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
constexpr int kLastViewMenuId = shell::toMenuId(ID_MODE_MANIPULATE);

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

CLexfallWxView::CLexfallWxView(SettingsStore& settings, const shell::CommandLine& options)
    : m_settings(settings), m_options(options)
{
    Bind(wxEVT_MENU, &CLexfallWxView::OnViewCommand, this, kFirstViewMenuId, kLastViewMenuId);
    Bind(wxEVT_UPDATE_UI, &CLexfallWxView::OnUpdateViewCommand, this, kFirstViewMenuId, kLastViewMenuId);
    Bind(wxEVT_MENU, &CLexfallWxView::OnViewCommand, this, wxID_OPEN);
    Bind(wxEVT_MENU, &CLexfallWxView::OnSettings, this, ID_FRAME_SETTINGS);
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
    m_scene->ApplySettings(m_settings.loadSettings());
    if (m_options.physics)
        m_scene->ChoosePreset(*m_options.physics);
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
    if (!m_scene || !m_scene->OnCommand(sceneCommand(event.GetId())))
        event.Skip();
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
    if (!m_settings.saveSettings(settings))
        showStatus("Settings not saved: " + m_settings.error());
    m_canvas->Refresh();
}

void CLexfallWxView::OnUpdateViewCommand(wxUpdateUIEvent& event)
{
    WxCommandUpdate ui(event);
    if (!m_scene || !m_scene->OnUpdateCommand(sceneCommand(event.GetId()), ui))
        event.Skip();
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
    const wxString path = askPictureFile(m_canvas->GetParent(), "Record Animation", "lexfall.gif",
                                         "Animated GIF (*.gif)|*.gif|Animated WebP (*.webp)|*.webp", extensions);
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
