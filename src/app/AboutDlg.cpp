#include "app/AboutDlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "app/Resources.h"
#include "app/ShellRules.h"

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "About Lexfall", wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
               "LexfallAboutBox")
{
    auto* icon = new wxStaticBitmap(this, wxID_ANY, resources::appIcon(32));
    auto* version = new wxStaticText(this, wxID_ANY, wxString());
    version->SetLabelText(shell::kVersionText);
    auto* note = new wxStaticText(this, wxID_ANY, wxString());
    note->SetLabelText("Typed text falls as soft bodies.");
    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();

    auto* texts = new wxBoxSizer(wxVERTICAL);
    texts->Add(version, wxSizerFlags().Border(wxBOTTOM, FromDIP(6)));
    texts->Add(note);

    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(icon, wxSizerFlags().Border(wxALL, FromDIP(12)).Top());
    row->Add(texts, wxSizerFlags(1).Border(wxTOP | wxBOTTOM, FromDIP(14)));
    row->Add(ok, wxSizerFlags().Border(wxALL, FromDIP(12)).Top());
    SetSizerAndFit(row);

    SetAffirmativeId(wxID_OK);
    SetEscapeId(wxID_OK);
    ok->SetFocus();
    CentreOnParent();
}
