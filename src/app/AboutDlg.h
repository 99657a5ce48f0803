#pragma once

#include <wx/dialog.h>

// The About box: icon, version line, a one-line note and OK, which is the
// default button; Esc closes it too.
class CAboutDlg final : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent);
};
