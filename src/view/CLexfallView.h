#pragma once

#include <concepts>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bodies/CharacterBody.h"
#include "bodies/SceneRandom.h"
#include "glyph/GlyphMesher.h"
#include "physics/Collisions.h"
#include "physics/ParticleSystem.h"
#include "physics/Vector3.h"
#include "platform/CommandUpdate.h"
#include "platform/DrawContext.h"
#include "platform/Geometry.h"
#include "platform/TaskPool.h"
#include "platform/ViewBase.h"
#include "view/SceneSettings.h"
#include "words/WordFile.h"

// The scene view: owns every body, the font, the point buffer and the
// interaction state. It talks to its window only through ViewBase, so the
// same object runs in the desktop program, in tests and headless.
//
// State is public in the manner of a framework view's attributes: the
// desktop shell, the tests and the benchmarks read it directly.
class CLexfallView : public ViewBase {
public:
    using TriangleList = ::TriangleList;
    using WordList = ::WordList;

    CLexfallView();
    ~CLexfallView();
    CLexfallView(const CLexfallView&) = delete;
    CLexfallView& operator=(const CLexfallView&) = delete;

    // Commands and their update handlers.
    void OnModeKeyboard();
    void OnModeNozzle();
    void OnModeManipulate();
    void OnFontArial();
    void OnFontSymbol();
    void OnDisplayWireframe();
    void OnDisplayShaded();
    void OnDisplayAnimate();
    void OnDisplayShowCursor();
    void OnDisplayShowCompass();
    void OnDisplayCollide();
    void OnDisplaySmooth();
    void OnUpdateModeKeyboard(CommandUpdate& ui) const;
    void OnUpdateModeNozzle(CommandUpdate& ui) const;
    void OnUpdateModeManipulate(CommandUpdate& ui) const;
    void OnUpdateFontArial(CommandUpdate& ui) const;
    void OnUpdateFontSymbol(CommandUpdate& ui) const;
    void OnUpdateDisplayWireframe(CommandUpdate& ui) const;
    void OnUpdateDisplayShaded(CommandUpdate& ui) const;
    void OnUpdateDisplayAnimate(CommandUpdate& ui) const;
    void OnUpdateDisplayShowCursor(CommandUpdate& ui) const;
    void OnUpdateDisplayShowCompass(CommandUpdate& ui) const;
    void OnUpdateDisplayCollide(CommandUpdate& ui) const;
    void OnUpdateDisplaySmooth(CommandUpdate& ui) const;

    // Routing by command identifier (view/CommandIds.h): false when the
    // view has no handler, so the shell can route further or disable.
    bool OnCommand(int id);
    bool OnUpdateCommand(int id, CommandUpdate& ui) const;

    bool SetFontFile(const char* name);
    // Another face than the Font menu's two: an installed family ("DejaVu
    // Serif", "DejaVu Serif:bold"), a font file, or "FILE:N" for face N of
    // a collection. False, with the face in use kept and the reason in
    // `error`, for an unknown family or a file that is no readable face.
    bool ChooseFace(const std::string& face, std::string& error);
    // Whether ChooseFace would take the face, without loading it.
    static bool CheckFace(const std::string& face, std::string& error);
    // What Display > Settings shows and sets. Physics, size and precision
    // apply to letters made afterwards, colours at once.
    SceneSettings Settings() const;
    void ApplySettings(const SceneSettings& settings);
    // A preset's physics, keeping size, precision and colours.
    void ChoosePreset(PhysicsPreset preset);
    // Letters collide from now on, every one in the scene, or no longer.
    void SetCollide(bool on);
    void ClearScene();
    void EnsurePointCapacity(int n);
    // Entries of all triangle lists: kept up by the tick, AddCharacter,
    // Backspace and Enter, and counted afresh whenever the number of lists
    // changed otherwise.
    int TriangleEntries() const;

    // The tick.
    void StartAnimationTimer();
    void OnTimer(unsigned timerId);
    void UpdatePoints(const TriangleList& list, int offset);

    void AddCharacter(char32_t c);
    // A byte of Latin-1 text, read unsigned (as the mesher reads it).
    template <std::same_as<char> Byte>
    void AddCharacter(Byte c)
    {
        AddCharacter(latin1(c));
    }
    // A word of a face chosen with ChooseFace, shaped: kerned, joined and
    // in right-to-left order where its script asks, each glyph a body.
    void AddShapedWord(const std::u32string& word);
    // A glyph's body moved by `offset` from the insertion point, which
    // then advances by `advance`: the glyph's own when none is given.
    void AddGlyph(char32_t c, std::optional<double> advance, std::optional<Vector3> offset);
    // Where a line of letters reaches the window's right side.
    int RightMargin() const;

    // Painting, for the window, a printed page and the preview alike.
    void OnDraw(DrawContext& dc);
    void DrawCursor(DrawContext& dc) const;
    void DrawCompass(DrawContext& dc) const;
    void DrawNeedle(DrawContext& dc) const;
    void SetNeedle(IntPoint point);
    void MoveCompass(IntPoint point);
    void UpdateGravityFromNeedle();
    IntRect CompassSquare() const;
    IntRect CompassCentreBox() const;

    // Window messages.
    void OnKeyDown(unsigned key, unsigned repeat, unsigned flags);
    void OnChar(unsigned code, unsigned repeat, unsigned flags);
    void OnLButtonDown(unsigned flags, IntPoint point);
    void OnLButtonUp(unsigned flags, IntPoint point);
    void OnLButtonDblClk(unsigned flags, IntPoint point);
    void OnMouseMove(unsigned flags, IntPoint point);
    void OnRButtonDown(unsigned flags, IntPoint point);
    void OnRButtonUp(unsigned flags, IntPoint point);
    void OnRButtonDblClk(unsigned flags, IntPoint point);

    // Word sources.
    void OnOpenWordFile();
    // 1: words read; 0: no word in the file; -1: cannot open. On 0 and -1
    // the list is destroyed.
    // With `utf8`, words of any script from a UTF-8 file.
    static int LoadWordFile(const char* path, std::unique_ptr<WordList>& words, bool utf8 = false);
    void EmitNextWord();
    void EmitWordNetWord();
    void AddWord(const std::u32string& word);
    // The one WordNet search: synonyms of the verb "fall". The text
    // belongs to the library; empty when its database is missing.
    static const char* SearchWordNet();
    // Folder the word-file dialog starts in (the sample word file's).
    std::string m_strWordFileDirectory;
    // File > Open hands a scene file (view/SceneFile.h) here rather than
    // reading it as words: the desktop opens it as its document. Without
    // one, the scene is read into this view.
    std::function<void(const std::string& path)> m_fnOpenScene;

    unsigned m_nTimerID = 0;
    std::unique_ptr<GlyphMesher> m_pMesher;
    std::vector<std::unique_ptr<ParticleSystem>> m_pBodies;
    // Parallel to m_pBodies; each list is heap-held so the body's global
    // force can keep pointing at it.
    std::vector<std::unique_ptr<TriangleList>> m_pBodyTriangles;
    std::deque<double> m_pAdvances;
    int m_nPointCapacity = 0;
    int m_nPoints = 0;
    std::unique_ptr<IntPoint[]> m_pPoints;
    int m_nPointStorage = 0; // points m_pPoints really holds, >= m_nPointCapacity
    // The points of each body in m_pPoints, in its order, as the last tick
    // wrote them; sized as bodies are added, so the tick allocates nothing.
    std::vector<int> m_bodyPoints;
    // The entries of m_pBodyTriangles when it held `lists` lists; counting
    // them walks every body, which a scene of thousands cannot afford on
    // every added character.
    struct {
        std::size_t lists = 0;
        int entries = 0;
    } m_entryCount;
    bool m_bWireframe = false;
    bool m_bSmooth = false; // Display > Smooth Edges
    bool m_bAnimate = false;
    bool m_bAdding = false;
    bool m_bShowCursor = true;
    bool m_bLeftDown = false;
    bool m_bRightDown = false;
    bool m_bNozzleMode = false;
    bool m_bKeyboardMode = true;
    Vector3 m_vInsert{0.0, 300.0, 0.0};
    // Where the line being typed began: colliding letters wrap back to it
    // at the right margin, as a line of text would.
    double m_dLineStart = 0.0;
    Vector3 m_vGravity{0.0, 100.0, 0.0};
    int m_nFontSize = 48;
    double m_dPrecision = 30.0;
    double m_dRestitution = 0.4;
    double m_dStiffness = 200.0;
    double m_dDamping = 1.0;
    double m_dShapeKeeping = 0.0;
    double m_dKeepUpright = 0.0;
    double m_dGravityStrength = 0.02;
    PhysicsPreset m_preset = PhysicsPreset::AsDesigned;
    double m_dDrag = 0.0;
    double m_dSpinStart = 48.0;
    double m_dSpin = 48.0;
    int m_nCharsAllowed = 0;
    const char* m_pszFontFile; // one of the two face names
    std::string m_strFace;     // the face ChooseFace chose; empty for those two
    std::unique_ptr<Pen> m_pPen;
    std::unique_ptr<Brush> m_pBrush;
    Rgb m_crText{0, 0, 0};
    std::optional<Rgb> m_crBackground; // none: the desktop's window colour
    std::unique_ptr<WordList> m_pWords;
    int m_nWordIndex = 0;
    bool m_bUtf8Words = false; // word files read as UTF-8 when they are
    bool m_bWordsLoaded = false;
    int m_nEmitCounter = 0;
    int m_nEmitPeriod = 5;
    // Scatters nozzle spin. The program has one view, so one sequence per
    // view is the one sequence per run an unseeded C library rand gives.
    RandomSequence m_random;
    double m_dCompassX = 300.0;
    double m_dCompassY = 300.0;
    double m_dCompassRadius = 100.0;
    IntPoint m_ptNeedle{300, 317};
    bool m_bShowCompass = false;
    bool m_bMovingCompass = false;
    bool m_bManipulateMode = false;
    Vector3 m_vMouse;
    Vector3 m_vMousePrev;
    // Under the Sturdy preset the push is the movement since the last tick.
    Vector3 m_vMouseAtTick;
    // The application's threads, which big scenes tick and paint on; none
    // (null) does everything on the calling thread. The results are the
    // same to the bit either way.
    TaskPool* m_pPool = nullptr;
    // Letters keep out of one another and rest on the floor and on each
    // other.
    bool m_bCollide = false;
    Collisions m_collisions;
    // Which bodies the tick found outside the window, and where each run of
    // bodies' points starts; kept between ticks, so that the tick allocates
    // nothing once the scene has grown.
    std::vector<unsigned char> m_leaving;
    std::vector<int> m_partOffsets;
    const char* m_pszWordNetText = nullptr; // belongs to the WordNet library
    // The answer a scene file brought back, which m_pszWordNetText then
    // points into.
    std::string m_strWordNetAnswer;
    int m_nWordNetPos = 0;
    // Source of m_pszWordNetText on the first double-click; tests put
    // their own text here.
    std::function<const char*()> m_fnWordNetSearch = &CLexfallView::SearchWordNet;
};
