#include "app/SettingsDlg.h"

#include <iterator>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/clrpicker.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

namespace {

constexpr PhysicsPreset kPresets[] = {PhysicsPreset::AsDesigned, PhysicsPreset::Sturdy};

wxColour toWx(Rgb c) { return wxColour(c.red, c.green, c.blue); }

Rgb fromWx(const wxColour& c) { return Rgb{c.Red(), c.Green(), c.Blue()}; }

} // namespace

CSettingsDlg::CSettingsDlg(wxWindow* parent, const SceneSettings& settings, const wxColour& desktop)
    : wxDialog(parent, wxID_ANY, "Settings", wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
               "LexfallSettings"),
      m_desktop(desktop)
{
    auto* grid = new wxFlexGridSizer(2, FromDIP(wxSize(12, 6)));
    grid->AddGrowableCol(1);
    const auto row = [this, grid](const char* label, wxWindow* control) {
        grid->Add(new wxStaticText(this, wxID_ANY, label), wxSizerFlags().CentreVertical());
        grid->Add(control, wxSizerFlags().Expand());
    };
    const auto number = [this](SettingRange range, double step, unsigned digits) {
        auto* spin = new wxSpinCtrlDouble(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                          wxSP_ARROW_KEYS, range.lo, range.hi, range.lo, step);
        spin->SetDigits(digits);
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
    row("Floor &restitution:", m_restitution = number(settingRanges::restitution, 0.05, 2));
    row("T&yping spin:", m_typingSpin = number(settingRanges::typingSpin, 1.0, 1));
    row("Compass &gravity strength:", m_gravityStrength = number(settingRanges::gravityStrength, 0.001, 4));
    m_fontSize = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                                static_cast<int>(settingRanges::fontSize.lo), static_cast<int>(settingRanges::fontSize.hi));
    row("&Font size:", m_fontSize);
    row("Chord &precision:", m_precision = number(settingRanges::precision, 1.0, 1));
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
