#include "app/LexfallDoc.h"

#include <wx/app.h>
#include <wx/ffile.h>
#include <wx/filehistory.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "app/MainFrame.h"

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
    // Like Save As for a document never saved; otherwise the (empty) file
    // is written again.
    if (!GetDocumentSaved() || GetFilename().empty())
        return SaveAs();
    return OnSaveDocument(GetFilename());
}

bool CLexfallDoc::DoSaveDocument(const wxString& file)
{
    bool written = false;
    {
        wxLogNull quiet;
        wxFFile out;
        written = out.Open(file, "wb") && out.Close();
    }
    if (!written) {
        wxLogError("The file \"%s\" could not be written.", file);
        return false;
    }
    return true;
}

bool CLexfallDoc::DoOpenDocument(const wxString& file)
{
    if (wxFileName::DirExists(file)) {
        wxLogError("\"%s\" is a folder, not a file.", file);
        return false;
    }
    bool readable = false;
    {
        wxLogNull quiet;
        wxFFile in;
        readable = in.Open(file, "rb");
    }
    if (!readable) {
        wxLogError("The file \"%s\" could not be opened.", file);
        return false;
    }
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
