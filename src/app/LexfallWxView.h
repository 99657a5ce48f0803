#pragma once

#include <memory>

#include <wx/docview.h>
#include <wx/weakref.h>

#include "app/FaceHistory.h"
#include "app/LexfallCanvas.h"
#include "app/ShellRules.h"
#include "platform/TaskPool.h"
#include "view/SceneSettings.h"

class CLexfallView;
class SettingsStore;

// The document/view framework's view: owns the scene view and the canvas
// window it draws in, and routes the view's commands and their update
// handlers to it. Printing and print preview draw through the same OnDraw.
// It starts from the user's settings, and the options of the run, and
// saves the settings when the user changes them.
class CLexfallWxView final : public wxView {
public:
    CLexfallWxView(SettingsStore& settings, const shell::CommandLine& options, TaskPool& pool);
    ~CLexfallWxView() override;

    bool OnCreate(wxDocument* doc, long flags) override;
    bool OnClose(bool deleteWindow) override;
    void OnDraw(wxDC* dc) override;
    void OnChangeFilename() override;

    CLexfallView* scene() const { return m_scene.get(); }
    CLexfallCanvas* canvas() const { return m_canvas.get(); }

private:
    void OnViewCommand(wxCommandEvent& event);
    void OnSettings(wxCommandEvent& event);
    void OnOtherFace(wxCommandEvent& event);
    void OnRecentFace(wxCommandEvent& event);
    void OnUpdateRecentFace(wxUpdateUIEvent& event);
    // Loads a face; tells the user why when it cannot, the face in use
    // staying. Kept in the settings and first in the recent faces.
    void chooseFace(const std::string& face);
    // The face now in use, kept in the settings.
    void saveFace();
    void startFace();
    // One choice of the settings, kept alone: the rest of the settings file
    // stays as the Settings dialog left it.
    void saveChoice(void (*choose)(SceneSettings& stored, const CLexfallView& scene));
    void OnExportPicture(wxCommandEvent& event);
    void OnRecord(wxCommandEvent& event);
    void OnStopRecording(wxCommandEvent& event);
    void OnUpdateRecording(wxUpdateUIEvent& event);
    void stopRecording();
    void showStatus(const wxString& text);
    // Says in the status bar when the settings could not be saved.
    void reportSaved(bool saved);
    void OnUpdateViewCommand(wxUpdateUIEvent& event);
    void destroyCanvas();

    SettingsStore& m_settings;
    shell::CommandLine m_options;
    TaskPool& m_pool;
    std::unique_ptr<CLexfallView> m_scene;
    FaceHistory m_faces;
    wxWeakRef<CLexfallCanvas> m_canvas; // a child of the frame, which deletes it last

    wxDECLARE_CLASS(CLexfallWxView);
    wxDECLARE_NO_COPY_CLASS(CLexfallWxView);
};
