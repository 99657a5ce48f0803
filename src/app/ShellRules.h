#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "view/SceneSettings.h"

// Small rules of the desktop shell that do not need wxWidgets, kept apart
// so they can be tested without a display.
namespace shell {

inline constexpr const char* kAppName = "Lexfall";
inline constexpr const char* kVersionText = "Lexfall Version 0.001";

// wxWidgets wants menu identifiers below 32767, above which the view's
// command identifiers lie: menu items carry them shifted down.
inline constexpr int kMenuIdShift = 30000;
constexpr int toMenuId(int command) { return command - kMenuIdShift; }
constexpr int toCommand(int menuId) { return menuId + kMenuIdShift; }

// What the command line asks for.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    std::string file;  // document to open, empty for a new one
    std::string error; // set for Action::Error
    bool frameStats = false; // report frames painted each second
    std::string face;        // --face FAMILY|FILE: the face for this run
    // Settings for this run, over the saved ones, which they leave alone.
    std::vector<SettingChoice> settings;
};

// Reads the arguments after the program name. "--help"/"-h" and
// "--version" win over a bad option; "--" ends the options; at most one
// file may be named. An option's value follows '=' or a blank.
CommandLine parseCommandLine(const std::vector<std::string>& args);

std::string usageText();
std::string versionText();

// "Name (*.ext)|*.ext||" to the "Name (*.ext)|*.ext" form of wxWidgets:
// trailing empty fields dropped, an odd field left over ignored.
std::string toWxWildcard(const std::string& filter);

// The file-open dialog's default extension: a name typed without one gets
// it when only the extended name exists. `exists` tells whether a path
// names an existing file.
std::string applyDefaultExtension(const std::string& path, const std::string& extension,
                                  const std::function<bool(const std::string&)>& exists);

// The character code the view receives for a key, or kNoCharacter when
// the key produces none: any Unicode character. `unicode` is the key's character (0 or negative
// when it has none). Alt without Ctrl makes a menu shortcut, not a
// character; the Delete key types nothing.
inline constexpr unsigned kNoCharacter = 0;
enum class KeyKind { Ordinary, NumpadEnter, Delete };
unsigned characterCode(long unicode, KeyKind kind, bool alt, bool ctrl);

// The Font menu's last few faces chosen: `face` first, each face once,
// at most kRecentFaces.
inline constexpr int kRecentFaces = 4;
void rememberFace(std::vector<std::string>& recent, const std::string& face);
// A face's menu text: a family as it is, a face file by the name its
// face gives ("WenQuanYi Zen Hei Mono" for face 1 of wqy-zenhei.ttc), or
// by the file's name when it holds no such face; '&' doubled.
std::string faceMenuLabel(const std::string& face);

// The status-bar texts of the lock-key indicators.
struct LockIndicators {
    std::string caps;
    std::string num;
    std::string scroll;

    bool operator==(const LockIndicators&) const = default;
};
LockIndicators lockIndicators(bool caps, bool num, bool scroll);

} // namespace shell
