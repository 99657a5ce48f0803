#include "app/LexfallDoc.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/filehistory.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/msgdlg.h>

#include "app/LexfallWxView.h"
#include "app/MainFrame.h"
#include "view/SceneFile.h"

wxIMPLEMENT_DYNAMIC_CLASS(CLexfallDoc, wxDocument);

CLexfallDoc::CLexfallDoc() { Bind(wxEVT_UPDATE_UI, &CLexfallDoc::OnUpdateSave, this, wxID_SAVE); }

bool CLexfallDoc::OnOpenDocument(const wxString& file)
{
    if (!wxDocument::OnOpenDocument(file))
        return false;
    // A reused document may still carry the "Untitled" title.
    SetTitle(wxFileName(file).GetFullName());
    OnChangeFilename(true);
    return true;
}

bool CLexfallDoc::Save()
{
    // Like Save As for a document never saved; otherwise the scene is
    // written to its file again.
    if (!GetDocumentSaved() || GetFilename().empty())
        return SaveAs();
    return OnSaveDocument(GetFilename());
}

bool CLexfallDoc::SaveAs()
{
    wxDocTemplate* docTemplate = GetDocumentTemplate();
    if (!docTemplate)
        return false;
    const wxString extension = sceneFile::kExtension;
    const wxString folder = GetFilename().empty() ? GetDocumentManager()->GetLastDirectory() : wxPathOnly(GetFilename());
    wxFileDialog dialog(GetDocumentWindow(), "Save As", folder, wxFileNameFromPath(GetFilename()),
                        docTemplate->GetDescription() + " (" + docTemplate->GetFileFilter() + ")|" +
                            docTemplate->GetFileFilter(),
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return false;
    wxFileName file(dialog.GetPath());
    if (!file.HasExt()) {
        file.SetExt(extension);
        // The dialog asked about the name as typed, not this one.
        if (file.FileExists() &&
            wxMessageBox(wxString::Format("\"%s\" already exists. Do you want to replace it?", file.GetFullName()),
                         "Save As", wxYES_NO | wxNO_DEFAULT | wxICON_WARNING, GetDocumentWindow()) != wxYES)
            return false;
    }
    const wxString path = file.GetFullPath();
    if (!OnSaveDocument(path))
        return false;
    SetTitle(file.GetFullName());
    SetFilename(path, true);
    GetDocumentManager()->AddFileToHistory(path);
    return true;
}

CLexfallView* CLexfallDoc::scene() const
{
    const auto* view = wxDynamicCast(GetFirstView(), CLexfallWxView);
    return view ? view->scene() : nullptr;
}

bool CLexfallDoc::DoSaveDocument(const wxString& file)
{
    std::string error = "the program has no scene open";
    if (const CLexfallView* view = scene(); view && sceneFile::save(*view, std::string(file.utf8_str()), error))
        return true;
    wxLogError("The scene could not be saved to \"%s\": %s.", file, wxString::FromUTF8(error));
    return false;
}

bool CLexfallDoc::DoOpenDocument(const wxString& file)
{
    if (wxFileName::DirExists(file)) {
        wxLogError("\"%s\" is a folder, not a file.", file);
        return false;
    }
    CLexfallView* view = scene();
    std::string error = "the program has no scene open", note;
    if (!view || !sceneFile::open(*view, std::string(file.utf8_str()), error, note)) {
        wxLogError("The file \"%s\" could not be opened: %s.", file, wxString::FromUTF8(error));
        return false;
    }
    if (auto* frame = wxDynamicCast(wxTheApp->GetTopWindow(), CMainFrame); frame && !note.empty())
        frame->SetStatusText(wxString::FromUTF8(note));
    return true;
}

void CLexfallDoc::OnUpdateSave(wxUpdateUIEvent& event) { event.Enable(true); }

// The base constructor would make its own nine-entry history before this
// class's OnCreateFileHistory exists; the manager is initialised here.
CLexfallDocManager::CLexfallDocManager() : wxDocManager(0, false)
{
    SetMaxDocsOpen(1);
    Initialize();
}

wxDocument* CLexfallDocManager::CreateDocument(const wxString& path, long flags)
{
    wxDocument* doc = GetDocuments().empty() ? nullptr : static_cast<wxDocument*>(GetDocuments().GetFirst()->GetData());
    if (!doc)
        return wxDocManager::CreateDocument(path, flags);

    if (!doc->OnSaveModified())
        return nullptr;
    if (flags & wxDOC_NEW)
        return doc->OnNewDocument() ? doc : nullptr;
    if (path.empty() || !doc->OnOpenDocument(path))
        return nullptr;
    AddFileToHistory(path);
    return doc;
}

wxDocTemplate* CLexfallDocManager::FindTemplateForPath(const wxString&)
{
    return GetTemplates().empty() ? nullptr : static_cast<wxDocTemplate*>(GetTemplates().GetFirst()->GetData());
}

wxString CLexfallDocManager::MakeNewDocumentName() { return "Untitled"; }

wxString CLexfallDocManager::MakeFrameTitle(wxDocument* doc)
{
    const wxString app = wxTheApp->GetAppDisplayName();
    return doc ? doc->GetUserReadableName() + " - " + app : app;
}

wxFileHistory* CLexfallDocManager::OnCreateFileHistory() { return new wxFileHistory(kRecentFileCount); }

void CLexfallDocManager::AddFileToHistory(const wxString& file)
{
    wxDocManager::AddFileToHistory(wxFileName(file).GetAbsolutePath());
    historyChanged();
}

void CLexfallDocManager::RemoveFileFromHistory(size_t i)
{
    wxDocManager::RemoveFileFromHistory(i);
    historyChanged();
}

void CLexfallDocManager::historyChanged()
{
    if (auto* frame = wxDynamicCast(wxTheApp->GetTopWindow(), CMainFrame))
        frame->RefreshRecentFiles();
}
