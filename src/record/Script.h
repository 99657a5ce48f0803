#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Geometry.h"
#include "view/SceneSettings.h"

// A recording script: plain text, one command a line, '#' starts a
// comment. Commands and their keywords may be written in any case.
//
//   type TEXT                 each character a key press, one per tick
//   key Esc|Enter|Backspace|Tab
//   click X Y, dclick X Y     left button
//   drag X1 Y1 X2 Y2 [SECONDS]   left button, moving once a tick
//   rdrag X1 Y1 X2 Y2 [SECONDS]  right button, likewise
//   mode keyboard|nozzle|manipulate
//   font arial|symbol|FAMILY|FILE
//   display wireframe|shaded|cursor|compass|animate|smooth
//   collide on|off            letters collide, or pass through each other
//   words PATH                the Nozzle word file, as File > Open
//   save PATH                 the scene as it stands, as File > Save
//   wait SECONDS
//   SETTING VALUE             a setting by its option's name: physics sturdy,
//                             stiffness 500, smooth on, text-colour 336699
//
// TEXT runs from the blank after "type" to a '#' or the end of the line,
// trailing blanks dropped; "\#" types '#' and "\\" a backslash.

// The program's own clock: a tick every 16 ms.
inline constexpr int kTickMilliseconds = 16;
// How long a script may run, so that a typing slip such as "wait 1e12"
// is refused instead of recording for ever.
inline constexpr double kMaxScriptSeconds = 600.0;
inline constexpr int kMaxCoordinate = 100000;

// One command, reduced to what the recorder does with the view.
struct ScriptStep {
    enum class Action {
        Keys,        // `codes`, each pressed right after a tick
        Click,       // left press and release at `from`
        DoubleClick, // press, release, double-click, release at `from`
        Drag,        // left button from `from` to `to`, over `ticks`
        RightDrag,   // right button likewise
        Command,     // the view's menu command `command` (view/CommandIds.h)
        Collide,     // letters collide when `on`
        Words,       // File > Open, answered with `path`
        Face,        // Font > Other Face, answered with `path`: a family or a file
        Save,        // File > Save, to `path`
        Wait,        // `ticks` ticks
        Setting,     // `setting` takes the value `path`, as its option would
    };

    Action action = Action::Wait;
    int line = 0;
    std::vector<unsigned> codes;
    IntPoint from;
    IntPoint to;
    int ticks = 0;
    int command = 0;
    bool on = false;
    std::string path;
    const Setting* setting = nullptr;
};

struct Script {
    std::vector<ScriptStep> steps;
    int ticks = 0; // of all steps
};

struct ScriptError {
    int line = 0;
    std::string text; // the line as written
    std::string expected;
};

struct ParsedScript {
    Script script;
    std::optional<ScriptError> error; // the first one; the script is then empty
};

ParsedScript parseScript(std::string_view text);

// NAME:LINE: "TEXT": expected ..., the text cut short and its control
// bytes escaped so that a binary file cannot garble the terminal.
std::string describeScriptError(const ScriptError& error, const std::string& scriptName);

// Ticks of a stretch of seconds at the program's period, to the nearest.
int ticksForSeconds(double seconds);
