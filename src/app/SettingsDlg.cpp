#include "app/SettingsDlg.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/clrpicker.h>
#include <wx/menuitem.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

namespace {

constexpr PhysicsPreset kPresets[] = {PhysicsPreset::AsDesigned, PhysicsPreset::Sturdy};

wxColour toWx(Rgb c) { return wxColour(c.red, c.green, c.blue); }

Rgb fromWx(const wxColour& c) { return Rgb{c.Red(), c.Green(), c.Blue()}; }

// A number written whole: out of its range it is still an answer, which the
// field shows brought into the range.
std::optional<double> typedNumber(const wxString& text, unsigned digits)
{
    double value = 0.0;
    if (!text.ToDouble(&value) || !std::isfinite(value) || (digits == 0 && value != std::floor(value)))
        return std::nullopt;
    return value;
}

// What a spin field shows once the toolkit has read `text` its own way:
// the number it starts with, or 0, brought into the range.
wxString settledText(const wxString& text, SettingRange range, unsigned digits)
{
    const double value = std::clamp(std::strtod(text.utf8_str(), nullptr), range.lo, range.hi);
    return wxString::Format("%.*f", static_cast<int>(digits), value);
}

} // namespace

CSettingsDlg::CSettingsDlg(wxWindow* parent, const SceneSettings& settings, const wxColour& desktop)
    : wxDialog(parent, wxID_ANY, "Settings", wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
               "LexfallSettings"),
      m_desktop(desktop)
{
    auto* grid = new wxFlexGridSizer(2, FromDIP(wxSize(12, 6)));
    grid->AddGrowableCol(1);
    for (const Setting& setting : settingTable()) {
        const wxString label = wxString::FromUTF8(setting.label.data(), setting.label.size());
        wxWindow* control = nullptr;
        switch (setting.kind) {
        case SettingKind::Preset: {
            auto* choice = new wxChoice(this, wxID_ANY);
            choice->Append("As designed");
            choice->Append("Sturdy");
            choice->Bind(wxEVT_CHOICE, &CSettingsDlg::OnPreset, this);
            control = choice;
            break;
        }
        case SettingKind::Number: {
            auto* spin = new wxSpinCtrlDouble(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                              wxSP_ARROW_KEYS, setting.range.lo, setting.range.hi, setting.range.lo,
                                              setting.step);
            spin->SetDigits(setting.digits);
            watch(spin, label, setting.range, setting.digits);
            control = spin;
            break;
        }
        case SettingKind::Whole: {
            auto* spin = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                        wxSP_ARROW_KEYS, static_cast<int>(setting.range.lo),
                                        static_cast<int>(setting.range.hi));
            watch(spin, label, setting.range, 0);
            control = spin;
            break;
        }
        case SettingKind::Colour:
            control = new wxColourPickerCtrl(this, wxID_ANY);
            break;
        case SettingKind::DesktopColour:
            control = new wxColourPickerCtrl(this, wxID_ANY);
            control->Bind(wxEVT_COLOURPICKER_CHANGED, [this](wxColourPickerEvent&) { m_desktopBackground = false; });
            break;
        case SettingKind::Switch:
            control = new wxCheckBox(this, wxID_ANY, wxString::FromUTF8(setting.check.data(), setting.check.size()));
            break;
        }
        if (!setting.tip.empty())
            control->SetToolTip(wxString::FromUTF8(setting.tip.data(), setting.tip.size()));
        if (label.empty())
            grid->AddSpacer(0);
        else
            grid->Add(new wxStaticText(this, wxID_ANY, label), wxSizerFlags().CentreVertical());
        grid->Add(control, setting.kind == SettingKind::Switch ? wxSizerFlags() : wxSizerFlags().Expand());
        m_controls.push_back(control);
    }

    auto* note = new wxStaticText(this, wxID_ANY, "Physics, size and precision apply to letters made from now on.");

    auto* reset = new wxButton(this, wxID_ANY, "Reset to &As designed");
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(reset);
    buttons->AddStretchSpacer();
    buttons->Add(CreateButtonSizer(wxOK | wxCANCEL));

    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(grid, wxSizerFlags().Expand().Border(wxALL, FromDIP(12)));
    column->Add(note, wxSizerFlags().Border(wxLEFT | wxRIGHT, FromDIP(12)));
    column->Add(buttons, wxSizerFlags().Expand().Border(wxALL, FromDIP(12)));
    SetSizerAndFit(column);

    reset->Bind(wxEVT_BUTTON, &CSettingsDlg::OnReset, this);

    show(settings);
    CentreOnParent();
}

void CSettingsDlg::show(const SceneSettings& settings)
{
    SceneSettings s = settings;
    const auto table = settingTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Setting& setting = table[i];
        wxWindow* control = m_controls[i];
        switch (setting.kind) {
        case SettingKind::Preset:
            for (int p = 0; p < static_cast<int>(std::size(kPresets)); ++p)
                if (kPresets[p] == setting.preset(s))
                    static_cast<wxChoice*>(control)->SetSelection(p);
            break;
        case SettingKind::Number:
            static_cast<wxSpinCtrlDouble*>(control)->SetValue(setting.number(s));
            break;
        case SettingKind::Whole:
            static_cast<wxSpinCtrl*>(control)->SetValue(setting.whole(s));
            break;
        case SettingKind::Colour:
            static_cast<wxColourPickerCtrl*>(control)->SetColour(toWx(setting.colour(s)));
            break;
        case SettingKind::DesktopColour: {
            const std::optional<Rgb>& colour = setting.desktopColour(s);
            m_desktopBackground = !colour;
            static_cast<wxColourPickerCtrl*>(control)->SetColour(colour ? toWx(*colour) : m_desktop);
            break;
        }
        case SettingKind::Switch:
            static_cast<wxCheckBox*>(control)->SetValue(setting.on(s));
            break;
        }
    }
    for (NumberField& field : m_numbers) {
        field.shown = field.control->GetTextValue();
        field.refused.reset();
    }
}

void CSettingsDlg::watch(wxSpinCtrlBase* control, const wxString& label, SettingRange range, unsigned digits)
{
    // Found by index: the list may grow after this.
    const std::size_t index = m_numbers.size();
    m_numbers.push_back({control, wxStripMenuCodes(label).BeforeLast(':'), range, digits, wxEmptyString, std::nullopt});
    control->Bind(wxEVT_TEXT, [this, index](wxCommandEvent& event) {
        OnNumberText(m_numbers[index], event.GetString());
        event.Skip();
    });
}

void CSettingsDlg::OnNumberText(NumberField& field, const wxString& text)
{
    if (typedNumber(text, field.digits)) {
        // The toolkit writing its own reading over a refused text is no
        // answer from the user.
        if (!field.refused || text != settledText(*field.refused, field.range, field.digits))
            field.refused.reset();
    } else {
        field.refused = text;
    }
}

bool CSettingsDlg::TransferDataFromWindow()
{
    for (NumberField& field : m_numbers) {
        if (!field.refused) {
            // A number beyond the range takes the nearest end, as the field
            // shows it, even before the toolkit has settled it.
            if (typedNumber(field.control->GetTextValue(), field.digits))
                field.control->SetValue(settledText(field.control->GetTextValue(), field.range, field.digits));
            continue;
        }
        wxString message = wxString::Format("%s needs a number from %g to %g", field.label, field.range.lo, field.range.hi);
        if (!field.refused->empty())
            message += wxString::Format(", not \"%s\"", *field.refused);
        message += "; it is back to " + field.shown + ".";
        field.control->SetValue(field.shown);
        field.refused.reset();
        wxMessageBox(message, "Settings", wxOK | wxICON_WARNING, this);
        field.control->SetFocus();
        return false;
    }
    return wxDialog::TransferDataFromWindow();
}

SceneSettings CSettingsDlg::settings() const
{
    SceneSettings s;
    const auto table = settingTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Setting& setting = table[i];
        wxWindow* control = m_controls[i];
        switch (setting.kind) {
        case SettingKind::Preset: {
            const int preset = static_cast<wxChoice*>(control)->GetSelection();
            setting.preset(s) = preset >= 0 ? kPresets[preset] : PhysicsPreset::AsDesigned;
            break;
        }
        case SettingKind::Number:
            setting.number(s) = static_cast<wxSpinCtrlDouble*>(control)->GetValue();
            break;
        case SettingKind::Whole:
            setting.whole(s) = static_cast<wxSpinCtrl*>(control)->GetValue();
            break;
        case SettingKind::Colour:
            setting.colour(s) = fromWx(static_cast<wxColourPickerCtrl*>(control)->GetColour());
            break;
        case SettingKind::DesktopColour:
            if (!m_desktopBackground)
                setting.desktopColour(s) = fromWx(static_cast<wxColourPickerCtrl*>(control)->GetColour());
            break;
        case SettingKind::Switch:
            setting.on(s) = static_cast<wxCheckBox*>(control)->GetValue();
            break;
        }
    }
    return s;
}
void CSettingsDlg::OnPreset(wxCommandEvent&)
{
    SceneSettings s = settings();
    s.physics = presetValues(s.preset);
    show(s);
}

void CSettingsDlg::OnReset(wxCommandEvent&) { show(SceneSettings::asDesigned()); }
