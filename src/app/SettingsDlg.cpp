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

// A number in the range, written whole (and, with no digits, a whole one).
bool readable(const wxString& text, SettingRange range, unsigned digits)
{
    double value = 0.0;
    return text.ToDouble(&value) && std::isfinite(value) && value >= range.lo && value <= range.hi &&
           (digits > 0 || value == std::floor(value));
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
    const auto row = [this, grid](const char* label, wxWindow* control) {
        for (NumberField& field : m_numbers)
            if (field.control == control)
                field.label = wxStripMenuCodes(label).BeforeLast(':');
        grid->Add(new wxStaticText(this, wxID_ANY, label), wxSizerFlags().CentreVertical());
        grid->Add(control, wxSizerFlags().Expand());
    };
    const auto number = [this](SettingRange range, double step, unsigned digits) {
        auto* spin = new wxSpinCtrlDouble(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                          wxSP_ARROW_KEYS, range.lo, range.hi, range.lo, step);
        spin->SetDigits(digits);
        watch(spin, range, digits);
        return spin;
    };

    m_preset = new wxChoice(this, wxID_ANY);
    m_preset->Append("As designed");
    m_preset->Append("Sturdy");
    row("&Physics:", m_preset);
    row("Spring &stiffness:", m_stiffness = number(settingRanges::stiffness, 10.0, 1));
    row("Spring &damping:", m_damping = number(settingRanges::damping, 0.1, 2));
    row("Shape &keeping:", m_shapeKeeping = number(settingRanges::shapeKeeping, 0.05, 2));
    row("Keep &upright:", m_keepUpright = number(settingRanges::keepUpright, 0.05, 2));
    row("A&ir damping:", m_airDamping = number(settingRanges::airDamping, 0.1, 2));
    row("Floor &restitution:", m_restitution = number(settingRanges::restitution, 0.05, 2));
    row("T&yping spin:", m_typingSpin = number(settingRanges::typingSpin, 1.0, 1));
    row("Compass &gravity strength:", m_gravityStrength = number(settingRanges::gravityStrength, 0.001, 4));
    m_fontSize = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                                static_cast<int>(settingRanges::fontSize.lo), static_cast<int>(settingRanges::fontSize.hi));
    watch(m_fontSize, settingRanges::fontSize, 0);
    row("&Font size:", m_fontSize);
    row("C&hord precision:", m_precision = number(settingRanges::precision, 1.0, 1));
    row("&Text colour:", m_text = new wxColourPickerCtrl(this, wxID_ANY));
    row("&Background colour:", m_background = new wxColourPickerCtrl(this, wxID_ANY));
    grid->AddSpacer(0);
    grid->Add(m_collide = new wxCheckBox(this, wxID_ANY, "&Letters collide"));

    grid->AddSpacer(0);
    grid->Add(m_utf8Words = new wxCheckBox(this, wxID_ANY, "&Words in every language (UTF-8)"));
    m_utf8Words->SetToolTip("Nozzle word files in UTF-8 give words of letters and numbers of any script");
    row("Edges:", m_smooth = new wxCheckBox(this, wxID_ANY, "Smooth &edges"));

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

    m_preset->Bind(wxEVT_CHOICE, &CSettingsDlg::OnPreset, this);
    reset->Bind(wxEVT_BUTTON, &CSettingsDlg::OnReset, this);
    m_background->Bind(wxEVT_COLOURPICKER_CHANGED, [this](wxColourPickerEvent&) { m_desktopBackground = false; });

    show(settings);
    CentreOnParent();
}

void CSettingsDlg::show(const SceneSettings& settings)
{
    for (int i = 0; i < static_cast<int>(std::size(kPresets)); ++i)
        if (kPresets[i] == settings.preset)
            m_preset->SetSelection(i);
    m_stiffness->SetValue(settings.physics.stiffness);
    m_damping->SetValue(settings.physics.damping);
    m_shapeKeeping->SetValue(settings.physics.shapeKeeping);
    m_keepUpright->SetValue(settings.physics.keepUpright);
    m_airDamping->SetValue(settings.physics.airDamping);
    m_restitution->SetValue(settings.physics.restitution);
    m_typingSpin->SetValue(settings.physics.typingSpin);
    m_gravityStrength->SetValue(settings.physics.gravityStrength);
    m_fontSize->SetValue(settings.fontSize);
    m_precision->SetValue(settings.precision);
    m_text->SetColour(toWx(settings.text));
    m_desktopBackground = !settings.background;
    m_background->SetColour(settings.background ? toWx(*settings.background) : m_desktop);
    m_collide->SetValue(settings.collide);
    m_utf8Words->SetValue(settings.utf8Words);
    m_smooth->SetValue(settings.smoothEdges);
    for (NumberField& field : m_numbers) {
        field.shown = field.control->GetTextValue();
        field.refused.reset();
    }
}

void CSettingsDlg::watch(wxSpinCtrlBase* control, SettingRange range, unsigned digits)
{
    // Found by index: the list may grow after this.
    const std::size_t index = m_numbers.size();
    m_numbers.push_back({control, wxEmptyString, range, digits, wxEmptyString, std::nullopt});
    control->Bind(wxEVT_TEXT, [this, index](wxCommandEvent& event) {
        OnNumberText(m_numbers[index], event.GetString());
        event.Skip();
    });
}

void CSettingsDlg::OnNumberText(NumberField& field, const wxString& text)
{
    if (readable(text, field.range, field.digits)) {
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
        if (!field.refused)
            continue;
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
    const int preset = m_preset->GetSelection();
    s.preset = preset >= 0 ? kPresets[preset] : PhysicsPreset::AsDesigned;
    s.physics.stiffness = m_stiffness->GetValue();
    s.physics.damping = m_damping->GetValue();
    s.physics.shapeKeeping = m_shapeKeeping->GetValue();
    s.physics.keepUpright = m_keepUpright->GetValue();
    s.physics.airDamping = m_airDamping->GetValue();
    s.physics.restitution = m_restitution->GetValue();
    s.physics.typingSpin = m_typingSpin->GetValue();
    s.physics.gravityStrength = m_gravityStrength->GetValue();
    s.fontSize = m_fontSize->GetValue();
    s.precision = m_precision->GetValue();
    s.text = fromWx(m_text->GetColour());
    if (!m_desktopBackground)
        s.background = fromWx(m_background->GetColour());
    s.collide = m_collide->GetValue();
    s.utf8Words = m_utf8Words->GetValue();
    s.smoothEdges = m_smooth->GetValue();
    return s;
}

void CSettingsDlg::OnPreset(wxCommandEvent&)
{
    SceneSettings s = settings();
    s.physics = presetValues(s.preset);
    show(s);
}

void CSettingsDlg::OnReset(wxCommandEvent&) { show(SceneSettings::asDesigned()); }
