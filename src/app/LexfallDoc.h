#pragma once

#include <wx/docview.h>

// The document holds nothing: saving writes an empty file and opening
// only checks that the file can be read.
class CLexfallDoc final : public wxDocument {
public:
    CLexfallDoc();

    bool OnOpenDocument(const wxString& file) override;
    bool Save() override;

protected:
    bool DoSaveDocument(const wxString& file) override;
    bool DoOpenDocument(const wxString& file) override;

private:
    void OnUpdateSave(wxUpdateUIEvent& event);

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
    wxString MakeNewDocumentName() override;
    wxString MakeFrameTitle(wxDocument* doc) override;
    wxFileHistory* OnCreateFileHistory() override;
    void AddFileToHistory(const wxString& file) override;
    void RemoveFileFromHistory(size_t i) override;

private:
    void historyChanged();
};

inline constexpr int kRecentFileCount = 4;
