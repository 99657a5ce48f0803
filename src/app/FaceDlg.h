#pragma once

#include <string>
#include <vector>

#include <wx/dialog.h>

class wxListBox;
class wxTextCtrl;

// Font > Other Face: an installed family from a list that narrows as a
// name is typed, or a font file. A file holding several faces asks which.
class CFaceDlg final : public wxDialog {
public:
    CFaceDlg(wxWindow* parent, std::vector<std::string> families, const std::string& current);

    // The family or file chosen, as CLexfallView::ChooseFace takes it.
    const std::string& face() const { return m_face; }

private:
    void fill();
    void OnFilter(wxCommandEvent& event);
    void OnChoose(wxCommandEvent& event);
    void OnFile(wxCommandEvent& event);

    std::vector<std::string> m_families;
    std::vector<std::string> m_shown;
    std::string m_face;
    wxTextCtrl* m_filter;
    wxListBox* m_list;
};
