#include "app/FaceDlg.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/choicdlg.h>
#include <wx/filedlg.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "glyph/FontFace.h"

namespace {

std::string folded(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The face of a file to use: face 0, or the one picked from a collection;
// empty when the user cancels.
std::string pickFaceOf(wxWindow* parent, const std::string& path)
{
    FontFace first;
    if (!first.openAny(path.c_str()) || first.faceCount() < 2)
        return path; // a single face, or one the view will report as unreadable
    wxArrayString names;
    const long count = std::min(first.faceCount(), 64L);
    for (long i = 0; i < count; ++i) {
        FontFace face;
        const std::string name = face.openAny(path.c_str(), i) ? face.familyName() : "?";
        names.Add(wxString::Format("%ld: %s", i, wxString::FromUTF8(name)));
    }
    wxSingleChoiceDialog choose(parent, "This file holds several faces. Which one?", "Other Face", names);
    if (choose.ShowModal() != wxID_OK)
        return {};
    const int index = choose.GetSelection();
    return index == 0 ? path : path + ":" + std::to_string(index);
}

} // namespace

CFaceDlg::CFaceDlg(wxWindow* parent, std::vector<std::string> families, const std::string& current)
    : wxDialog(parent, wxID_ANY, "Other Face", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER, "LexfallFace"),
      m_families(std::move(families))
{
    m_filter = new wxTextCtrl(this, wxID_ANY);
    m_filter->SetHint("Type to narrow the list");
    m_list = new wxListBox(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(360, 320)));
    auto* file = new wxButton(this, wxID_ANY, "From &File...");

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(file);
    buttons->AddStretchSpacer();
    buttons->Add(CreateButtonSizer(wxOK | wxCANCEL));

    auto* column = new wxBoxSizer(wxVERTICAL);
    const int border = FromDIP(12);
    column->Add(new wxStaticText(this, wxID_ANY, "&Installed families:"), wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, border));
    column->Add(m_filter, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, border));
    column->Add(m_list, wxSizerFlags(1).Expand().Border(wxLEFT | wxRIGHT | wxTOP, border));
    column->Add(buttons, wxSizerFlags().Expand().Border(wxALL, border));
    SetSizerAndFit(column);

    fill();
    const auto at = std::find(m_shown.begin(), m_shown.end(), current);
    if (at != m_shown.end())
        m_list->SetSelection(static_cast<int>(at - m_shown.begin()));

    m_filter->Bind(wxEVT_TEXT, &CFaceDlg::OnFilter, this);
    m_list->Bind(wxEVT_LISTBOX_DCLICK, &CFaceDlg::OnChoose, this);
    Bind(wxEVT_BUTTON, &CFaceDlg::OnChoose, this, wxID_OK);
    file->Bind(wxEVT_BUTTON, &CFaceDlg::OnFile, this);
    m_filter->SetFocus();
    CentreOnParent();
}

void CFaceDlg::fill()
{
    const std::string wanted = folded(m_filter->GetValue().utf8_string());
    m_shown.clear();
    wxArrayString items;
    for (const std::string& family : m_families) {
        if (!wanted.empty() && folded(family).find(wanted) == std::string::npos)
            continue;
        m_shown.push_back(family);
        items.Add(wxString::FromUTF8(family));
    }
    m_list->Set(items);
    if (!m_shown.empty())
        m_list->SetSelection(0);
}

void CFaceDlg::OnFilter(wxCommandEvent&) { fill(); }

void CFaceDlg::OnChoose(wxCommandEvent&)
{
    const int selected = m_list->GetSelection();
    if (selected == wxNOT_FOUND)
        return;
    m_face = m_shown[static_cast<std::size_t>(selected)];
    EndModal(wxID_OK);
}

void CFaceDlg::OnFile(wxCommandEvent&)
{
    wxFileDialog dialog(this, "Face File", "/usr/share/fonts", wxEmptyString,
                        "Fonts (*.ttf;*.otf;*.ttc;*.otc;*.t1;*.pfb;*.pfa)|*.ttf;*.otf;*.ttc;*.otc;*.t1;*.pfb;*.pfa;"
                        "*.TTF;*.OTF;*.TTC;*.OTC;*.PFB;*.PFA|All files (*)|*",
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK)
        return;
    m_face = pickFaceOf(this, dialog.GetPath().utf8_string());
    if (!m_face.empty())
        EndModal(wxID_OK);
}
