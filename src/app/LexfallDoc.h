#pragma once

#include <wx/docview.h>

// The document is the scene in its view: saving writes it as a scene file
// (view/SceneFile.h), opening one brings that scene back in place of the
// one on screen, which a file that cannot be opened leaves as it was.
// Nothing marks the document modified, so nothing asks to be saved.
class CLexfallDoc final : public wxDocument {
public:
    CLexfallDoc();

    bool OnOpenDocument(const wxString& file) override;
    bool Save() override;
    // The save dialog; a name typed without an extension gets the scene's.
    bool SaveAs() override;

protected:
    bool DoSaveDocument(const wxString& file) override;
    bool DoOpenDocument(const wxString& file) override;

private:
    void OnUpdateSave(wxUpdateUIEvent& event);
    // The scene of the document's view; null before the view exists.
    class CLexfallView* scene() const;

    wxDECLARE_DYNAMIC_CLASS(CLexfallDoc);
    wxDECLARE_NO_COPY_CLASS(CLexfallDoc);
};

// The single-document manager: File New and opening a file reuse the one
// document, so the view and its scene stay; new documents are "Untitled"
// and the frame reads "<document> - Lexfall".
class CLexfallDocManager final : public wxDocManager {
public:
    CLexfallDocManager();

    wxDocument* CreateDocument(const wxString& path, long flags = 0) override;
    // The one template, whatever the name: a scene is known by its first
    // bytes, and any other file is refused with a message when opened.
    wxDocTemplate* FindTemplateForPath(const wxString& path) override;
    wxString MakeNewDocumentName() override;
    wxString MakeFrameTitle(wxDocument* doc) override;
    wxFileHistory* OnCreateFileHistory() override;
    void AddFileToHistory(const wxString& file) override;
    void RemoveFileFromHistory(size_t i) override;

private:
    void historyChanged();
};

inline constexpr int kRecentFileCount = 4;
