#include "view/CLexfallView.h"

#include <algorithm>
#include <cstring>

#include "glyph/FontFace.h"
#include "glyph/InstallPaths.h"
#include "platform/Printable.h"
#include "view/CommandIds.h"

namespace {

// The two faces; m_pszFontFile always points at one of these.
constexpr const char kArialFace[] = "arial.ttf";
constexpr const char kSymbolFace[] = "Symbol.ttf";

bool isFace(const char* current, const char* name) { return std::strcmp(current, name) == 0; }

// A command the view handles and its update handler; none for a command
// without a check mark, which is then simply enabled.
struct ViewCommand {
    int id;
    void (CLexfallView::*run)();
    void (CLexfallView::*update)(CommandUpdate&) const;
};

constexpr ViewCommand kViewCommands[] = {
    {ID_MODE_KEYBOARD, &CLexfallView::OnModeKeyboard, &CLexfallView::OnUpdateModeKeyboard},
    {ID_MODE_NOZZLE, &CLexfallView::OnModeNozzle, &CLexfallView::OnUpdateModeNozzle},
    {ID_MODE_MANIPULATE, &CLexfallView::OnModeManipulate, &CLexfallView::OnUpdateModeManipulate},
    {ID_FONT_ARIAL, &CLexfallView::OnFontArial, &CLexfallView::OnUpdateFontArial},
    {ID_FONT_SYMBOL, &CLexfallView::OnFontSymbol, &CLexfallView::OnUpdateFontSymbol},
    {ID_DISPLAY_WIREFRAME, &CLexfallView::OnDisplayWireframe, &CLexfallView::OnUpdateDisplayWireframe},
    {ID_DISPLAY_SHADED, &CLexfallView::OnDisplayShaded, &CLexfallView::OnUpdateDisplayShaded},
    {ID_DISPLAY_ANIMATE, &CLexfallView::OnDisplayAnimate, &CLexfallView::OnUpdateDisplayAnimate},
    {ID_DISPLAY_SHOWCURSOR, &CLexfallView::OnDisplayShowCursor, &CLexfallView::OnUpdateDisplayShowCursor},
    {ID_DISPLAY_SHOWCOMPASS, &CLexfallView::OnDisplayShowCompass, &CLexfallView::OnUpdateDisplayShowCompass},
    {ID_DISPLAY_COLLIDE, &CLexfallView::OnDisplayCollide, &CLexfallView::OnUpdateDisplayCollide},
    {ID_DISPLAY_SMOOTH, &CLexfallView::OnDisplaySmooth, &CLexfallView::OnUpdateDisplaySmooth},
    {ID_FILE_OPEN, &CLexfallView::OnOpenWordFile, nullptr},
};

const ViewCommand* findCommand(int id)
{
    for (const ViewCommand& command : kViewCommands)
        if (command.id == id)
            return &command;
    return nullptr;
}

} // namespace

CLexfallView::CLexfallView() : m_strWordFileDirectory(lexfallShareDirectory()), m_pszFontFile(kArialFace)
{
    m_pMesher = std::make_unique<GlyphMesher>();
    // A missing face is not reported: bodies then simply have no particles.
    m_pMesher->loadFont(m_pszFontFile, m_nFontSize);
    m_pBodies.reserve(10);
    m_pPoints = std::make_unique<IntPoint[]>(0);
    m_pPen = std::make_unique<Pen>(Pen{m_crText, 1});
    m_pBrush = std::make_unique<Brush>(Brush{m_crText});
}

CLexfallView::~CLexfallView() = default;

void CLexfallView::OnModeKeyboard()
{
    m_bKeyboardMode = true;
    m_bNozzleMode = false;
    m_bManipulateMode = false;
}

void CLexfallView::OnModeNozzle()
{
    if (!m_bWordsLoaded) {
        // The word-file command selects Nozzle itself once a file loads.
        OnOpenWordFile();
        return;
    }
    m_bNozzleMode = true;
    m_bKeyboardMode = false;
    m_bManipulateMode = false;
}

void CLexfallView::OnModeManipulate()
{
    m_bManipulateMode = true;
    m_bKeyboardMode = false;
    m_bNozzleMode = false;
}

void CLexfallView::OnFontArial()
{
    if (isFace(m_pszFontFile, kArialFace) && m_strFace.empty())
        return;
    m_strFace.clear();
    if (SetFontFile(kArialFace))
        m_pszFontFile = kArialFace;
}

void CLexfallView::OnFontSymbol()
{
    if (isFace(m_pszFontFile, kSymbolFace) && m_strFace.empty())
        return;
    m_strFace.clear();
    if (SetFontFile(kSymbolFace))
        m_pszFontFile = kSymbolFace;
}

void CLexfallView::OnDisplayWireframe() { m_bWireframe = true; }
void CLexfallView::OnDisplayShaded() { m_bWireframe = false; }
void CLexfallView::OnDisplayAnimate() { m_bAnimate = !m_bAnimate; }
void CLexfallView::OnDisplayShowCursor() { m_bShowCursor = !m_bShowCursor; }
void CLexfallView::OnDisplayShowCompass() { m_bShowCompass = !m_bShowCompass; }
void CLexfallView::OnDisplayCollide() { SetCollide(!m_bCollide); }
void CLexfallView::OnDisplaySmooth() { m_bSmooth = !m_bSmooth; }

void CLexfallView::OnUpdateModeKeyboard(CommandUpdate& ui) const { ui.setCheck(m_bKeyboardMode); }
void CLexfallView::OnUpdateModeNozzle(CommandUpdate& ui) const { ui.setCheck(m_bNozzleMode); }
void CLexfallView::OnUpdateModeManipulate(CommandUpdate& ui) const { ui.setCheck(m_bManipulateMode); }
void CLexfallView::OnUpdateFontArial(CommandUpdate& ui) const
{
    ui.setCheck(isFace(m_pszFontFile, kArialFace) && m_strFace.empty());
}
void CLexfallView::OnUpdateFontSymbol(CommandUpdate& ui) const
{
    ui.setCheck(isFace(m_pszFontFile, kSymbolFace) && m_strFace.empty());
}
void CLexfallView::OnUpdateDisplayWireframe(CommandUpdate& ui) const { ui.setCheck(m_bWireframe); }
void CLexfallView::OnUpdateDisplayShaded(CommandUpdate& ui) const { ui.setCheck(!m_bWireframe); }
void CLexfallView::OnUpdateDisplayAnimate(CommandUpdate& ui) const { ui.setCheck(m_bAnimate); }
void CLexfallView::OnUpdateDisplayShowCursor(CommandUpdate& ui) const { ui.setCheck(m_bShowCursor); }
void CLexfallView::OnUpdateDisplayShowCompass(CommandUpdate& ui) const { ui.setCheck(m_bShowCompass); }
void CLexfallView::OnUpdateDisplayCollide(CommandUpdate& ui) const { ui.setCheck(m_bCollide); }
void CLexfallView::OnUpdateDisplaySmooth(CommandUpdate& ui) const { ui.setCheck(m_bSmooth); }

bool CLexfallView::OnCommand(int id)
{
    const ViewCommand* command = findCommand(id);
    if (!command)
        return false;
    (this->*command->run)();
    return true;
}

bool CLexfallView::OnUpdateCommand(int id, CommandUpdate& ui) const
{
    const ViewCommand* command = findCommand(id);
    if (!command)
        return false;
    if (command->update)
        (this->*command->update)(ui);
    else
        ui.enable(true);
    return true;
}

bool CLexfallView::SetFontFile(const char* name)
{
    m_pMesher->unloadFont();
    if (m_pMesher->loadFont(name, m_nFontSize))
        return true;
    m_pMesher->loadFont(kArialFace, m_nFontSize);
    return false;
}

namespace {

std::string unreadableFace(const std::string& face)
{
    // Built by appending: g++ 12 warns falsely on a literal + a temporary.
    std::string text = "\"";
    text += printable(face);
    text += "\" is not a TrueType, OpenType or Type 1 face Lexfall can read";
    return text;
}

} // namespace

bool CLexfallView::ChooseFace(const std::string& face, std::string& error)
{
    const std::optional<FaceLocation> location = m_pMesher->catalog().locate(face, error);
    if (!location)
        return false;
    if (!m_pMesher->loadFace(*location, m_nFontSize)) {
        error = unreadableFace(face);
        return false;
    }
    m_strFace = face;
    return true;
}

bool CLexfallView::CheckFace(const std::string& face, std::string& error)
{
    const FontCatalog catalog;
    const std::optional<FaceLocation> location = catalog.locate(face, error);
    if (!location)
        return false;
    FontFace opened;
    if (!opened.openAny(location->file.c_str(), location->index)) {
        error = unreadableFace(face);
        return false;
    }
    return true;
}

SceneSettings CLexfallView::Settings() const
{
    SceneSettings settings;
    settings.preset = m_preset;
    settings.physics = PhysicsValues{.stiffness = m_dStiffness,
                                     .damping = m_dDamping,
                                     .shapeKeeping = m_dShapeKeeping,
                                     .restitution = m_dRestitution,
                                     .typingSpin = m_dSpinStart,
                                     .gravityStrength = m_dGravityStrength,
                                     .keepUpright = m_dKeepUpright,
                                     .airDamping = m_dDrag};
    settings.fontSize = m_nFontSize;
    settings.precision = m_dPrecision;
    settings.nozzlePeriod = m_nEmitPeriod;
    settings.text = m_crText;
    settings.background = m_crBackground;
    settings.collide = m_bCollide;
    settings.utf8Words = m_bUtf8Words;
    settings.smoothEdges = m_bSmooth;
    return settings;
}

void CLexfallView::ApplySettings(const SceneSettings& settings)
{
    m_preset = settings.preset;
    m_dStiffness = settings.physics.stiffness;
    m_dDamping = settings.physics.damping;
    m_dShapeKeeping = settings.physics.shapeKeeping;
    m_dKeepUpright = settings.physics.keepUpright;
    m_dDrag = settings.physics.airDamping;
    m_dRestitution = settings.physics.restitution;
    m_dSpinStart = settings.physics.typingSpin;
    m_dSpin = std::min(m_dSpin, m_dSpinStart);
    // A new strength changes what the needle means; an unchanged one keeps
    // the gravity as it stands (the first is not the needle's).
    if (settings.physics.gravityStrength != m_dGravityStrength) {
        m_dGravityStrength = settings.physics.gravityStrength;
        UpdateGravityFromNeedle();
    }
    if (settings.fontSize != m_nFontSize) {
        m_nFontSize = settings.fontSize;
        m_pMesher->setPointSize(m_nFontSize);
    }
    m_dPrecision = settings.precision;
    m_nEmitPeriod = settings.nozzlePeriod;
    m_crText = settings.text;
    *m_pPen = Pen{m_crText, 1};
    *m_pBrush = Brush{m_crText};
    m_crBackground = settings.background;
    SetCollide(settings.collide);
    m_bUtf8Words = settings.utf8Words;
    m_bSmooth = settings.smoothEdges;
}

void CLexfallView::ChoosePreset(PhysicsPreset preset)
{
    SceneSettings settings = Settings();
    settings.preset = preset;
    settings.physics = presetValues(preset);
    ApplySettings(settings);
}

void CLexfallView::SetCollide(bool on)
{
    if (on == m_bCollide)
        return;
    m_bCollide = on;
    // Whatever slept did so under the other rule: all start awake.
    m_collisions.wakeAll();
}

void CLexfallView::ClearScene()
{
    // Bodies first: their global forces point into the triangle lists.
    m_collisions.clear();
    m_pBodies.clear();
    m_pBodyTriangles.clear();
    m_pAdvances.clear();
    m_entryCount = {0, 0};
}

int CLexfallView::TriangleEntries() const
{
    if (m_entryCount.lists == m_pBodyTriangles.size())
        return m_entryCount.entries;
    int total = 0;
    for (const auto& list : m_pBodyTriangles)
        total += static_cast<int>(list->size());
    return total;
}

void CLexfallView::EnsurePointCapacity(int n)
{
    if (m_nPointCapacity >= n)
        return;
    // The capacity is exactly what was asked for; the storage beneath it
    // grows geometrically, so adding a character to a big scene neither
    // reallocates nor clears the whole buffer each time.
    if (n > m_nPointStorage) {
        const int storage = std::max(n, m_nPointStorage + m_nPointStorage / 2);
        auto grown = std::make_unique_for_overwrite<IntPoint[]>(static_cast<std::size_t>(storage));
        std::copy_n(m_pPoints.get(), m_nPointCapacity, grown.get());
        m_pPoints = std::move(grown);
        m_nPointStorage = storage;
    }
    // Only the new part is cleared: a repaint before the next tick then
    // reads defined points, and the old ones still show the last tick.
    std::fill(&m_pPoints[static_cast<std::size_t>(m_nPointCapacity)], &m_pPoints[static_cast<std::size_t>(n)],
              IntPoint{});
    m_nPointCapacity = n;
}
