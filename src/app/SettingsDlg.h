#pragma once

#include <optional>
#include <vector>

#include <wx/dialog.h>

#include "view/SceneSettings.h"

class wxSpinCtrlBase;

// Display > Settings: the preset, the physics values, size and precision
// of new letters, the colours and smooth edges. Choosing a preset fills in
// its physics; "Reset to As designed" fills in the program's own values
// throughout.
class CSettingsDlg final : public wxDialog {
public:
    // `desktop` is the window colour shown while the background is the
    // desktop's own.
    CSettingsDlg(wxWindow* parent, const SceneSettings& settings, const wxColour& desktop);

    SceneSettings settings() const;

    // Refuses a number field whose text cannot be read, naming the field.
    bool TransferDataFromWindow() override;

private:
    // A number field, its text as shown, and what was typed into it when
    // that is not a number: the toolkit would quietly put the nearest
    // number it can read in its place.
    struct NumberField {
        wxSpinCtrlBase* control;
        wxString label; // from its row
        SettingRange range;
        unsigned digits;
        wxString shown;
        std::optional<wxString> refused;
    };
    void watch(wxSpinCtrlBase* control, const wxString& label, SettingRange range, unsigned digits);
    void OnNumberText(NumberField& field, const wxString& text);

    void show(const SceneSettings& settings);
    void OnPreset(wxCommandEvent& event);
    void OnReset(wxCommandEvent& event);

    wxColour m_desktop;
    bool m_desktopBackground = true; // until a colour is picked
    // The control of each setting, in the table's order.
    std::vector<wxWindow*> m_controls;
    std::vector<NumberField> m_numbers;
};
