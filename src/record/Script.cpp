#include "record/Script.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/KeyCodes.h"
#include "platform/Printable.h"
#include "view/CommandIds.h"
#include "words/Utf8.h"

namespace {

struct Keyword {
    std::string_view name;
    unsigned value;
};

constexpr Keyword kKeys[] = {{"esc", keycode::Escape}, {"enter", keycode::Enter}, {"backspace", keycode::Backspace}, {"tab", keycode::Tab}};
constexpr Keyword kModes[] = {{"keyboard", ID_MODE_KEYBOARD}, {"nozzle", ID_MODE_NOZZLE}, {"manipulate", ID_MODE_MANIPULATE}};
constexpr Keyword kFonts[] = {{"arial", ID_FONT_ARIAL}, {"symbol", ID_FONT_SYMBOL}};
constexpr Keyword kDisplays[] = {{"wireframe", ID_DISPLAY_WIREFRAME},
                                 {"shaded", ID_DISPLAY_SHADED},
                                 {"cursor", ID_DISPLAY_SHOWCURSOR},
                                 {"compass", ID_DISPLAY_SHOWCOMPASS},
                                 {"animate", ID_DISPLAY_ANIMATE},
                                 {"smooth", ID_DISPLAY_SMOOTH}};
constexpr Keyword kSwitches[] = {{"on", 1}, {"off", 0}};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string lowered(std::string_view word)
{
    std::string out(word);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> words(std::string_view s)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isBlank(s[i]))
            ++i;
        const std::size_t start = i;
        while (i < s.size() && !isBlank(s[i]))
            ++i;
        if (i > start)
            out.push_back(s.substr(start, i - start));
    }
    return out;
}

template <std::size_t N>
std::optional<unsigned> lookUp(const Keyword (&table)[N], std::string_view word)
{
    const std::string key = lowered(word);
    for (const Keyword& k : table)
        if (k.name == key)
            return k.value;
    return std::nullopt;
}

std::optional<int> coordinate(std::string_view s)
{
    int value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size() || value < -kMaxCoordinate || value > kMaxCoordinate)
        return std::nullopt;
    return value;
}

std::optional<double> seconds(std::string_view s)
{
    double value = 0.0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size() || !(value >= 0.0 && value <= kMaxScriptSeconds))
        return std::nullopt;
    return value;
}

// What "type" types: up to an unescaped '#', trailing blanks dropped.
// Empty when an escape is unknown.
std::optional<std::string> typedText(std::string_view rest)
{
    std::string text;
    for (std::size_t i = 0; i < rest.size() && rest[i] != '#'; ++i) {
        if (rest[i] != '\\') {
            text += rest[i];
            continue;
        }
        if (i + 1 == rest.size() || (rest[i + 1] != '#' && rest[i + 1] != '\\'))
            return std::nullopt;
        text += rest[++i];
    }
    while (!text.empty() && isBlank(text.back()))
        text.pop_back();
    return text;
}

std::string coordinateRange() { return std::to_string(-kMaxCoordinate) + " to " + std::to_string(kMaxCoordinate); }
std::string maxSeconds() { return std::to_string(static_cast<int>(kMaxScriptSeconds)); }

bool point(std::string_view x, std::string_view y, IntPoint& p)
{
    const std::optional<int> px = coordinate(x), py = coordinate(y);
    if (px && py)
        p = IntPoint{*px, *py};
    return px && py;
}

// A command of one keyword from `table`: a key to press or a menu command.
template <std::size_t N>
std::optional<std::string> keyword(const std::vector<std::string_view>& arg, const Keyword (&table)[N],
                                   const char* expected, bool isKey, ScriptStep& step)
{
    const std::optional<unsigned> value = arg.size() == 1 ? lookUp(table, arg[0]) : std::nullopt;
    if (!value)
        return expected;
    if (isKey) {
        step.action = ScriptStep::Action::Keys;
        step.codes = {*value};
    } else {
        step.action = ScriptStep::Action::Command;
        step.command = static_cast<int>(*value);
    }
    return std::nullopt;
}

std::optional<std::string> parseType(std::string_view rest, ScriptStep& step)
{
    // One blank parts the command from its text; further blanks are typed.
    if (!rest.empty() && isBlank(rest.front()))
        rest.remove_prefix(1);
    const std::optional<std::string> text = typedText(rest);
    if (!text)
        return "type TEXT, with \\# for '#' and \\\\ for a backslash";
    if (text->empty())
        return "type TEXT";
    const std::optional<std::vector<char32_t>> codes = decodeUtf8(*text);
    if (!codes)
        return "type TEXT in UTF-8";
    step.action = ScriptStep::Action::Keys;
    step.codes.assign(codes->begin(), codes->end());
    return std::nullopt;
}

// Sets `step` from a command and the rest of its line, or returns what
// was expected instead.
std::optional<std::string> parseStep(std::string_view command, std::string_view rest, ScriptStep& step)
{
    const std::string name = lowered(command);
    if (name == "type")
        return parseType(rest, step);
    const std::string_view args = rest.substr(0, rest.find('#'));
    if (name == "words") {
        step.action = ScriptStep::Action::Words;
        step.path = std::string(trimmed(args));
        return step.path.empty() ? std::optional<std::string>("words PATH") : std::nullopt;
    }
    if (name == "save") {
        step.action = ScriptStep::Action::Save;
        step.path = std::string(trimmed(args));
        return step.path.empty() ? std::optional<std::string>("save PATH") : std::nullopt;
    }
    const std::vector<std::string_view> arg = words(args);
    if (name == "key")
        return keyword(arg, kKeys, "key Esc|Enter|Backspace|Tab", true, step);
    if (name == "mode")
        return keyword(arg, kModes, "mode keyboard|nozzle|manipulate", false, step);
    if (name == "font") {
        if (!keyword(arg, kFonts, "", false, step))
            return std::nullopt;
        step.action = ScriptStep::Action::Face;
        step.path = std::string(trimmed(args));
        return step.path.empty() ? std::optional<std::string>("font arial|symbol|FAMILY|FILE") : std::nullopt;
    }
    if (name == "display")
        return keyword(arg, kDisplays, "display wireframe|shaded|cursor|compass|animate|smooth", false, step);
    if (name == "collide") {
        const std::optional<unsigned> on = arg.size() == 1 ? lookUp(kSwitches, arg[0]) : std::nullopt;
        if (!on)
            return "collide on|off";
        step.action = ScriptStep::Action::Collide;
        step.on = *on != 0;
        return std::nullopt;
    }
    if (name == "click" || name == "dclick") {
        step.action = name == "click" ? ScriptStep::Action::Click : ScriptStep::Action::DoubleClick;
        if (arg.size() == 2 && point(arg[0], arg[1], step.from))
            return std::nullopt;
        return name + " X Y, whole numbers from " + coordinateRange();
    }
    if (name == "drag" || name == "rdrag") {
        step.action = name == "drag" ? ScriptStep::Action::Drag : ScriptStep::Action::RightDrag;
        if ((arg.size() == 4 || arg.size() == 5) && point(arg[0], arg[1], step.from) && point(arg[2], arg[3], step.to)) {
            const std::optional<double> s = arg.size() == 5 ? seconds(arg[4]) : 0.0;
            if (s) {
                step.ticks = ticksForSeconds(*s);
                return std::nullopt;
            }
        }
        return name + " X1 Y1 X2 Y2 [SECONDS], whole numbers from " + coordinateRange() + " and seconds from 0 to " +
               maxSeconds();
    }
    if (name == "wait") {
        step.action = ScriptStep::Action::Wait;
        const std::optional<double> s = arg.size() == 1 ? seconds(arg[0]) : std::nullopt;
        if (!s)
            return "wait SECONDS, from 0 to " + maxSeconds();
        step.ticks = ticksForSeconds(*s);
        return std::nullopt;
    }
    if (const Setting* setting = findSettingOption(name)) {
        // '#' starts a comment, so a colour may be written without it.
        std::string value = arg.size() == 1 ? std::string(arg[0]) : std::string();
        if ((setting->kind == SettingKind::Colour || setting->kind == SettingKind::DesktopColour) && value.size() == 6)
            value.insert(0, "#");
        SceneSettings scratch;
        if (arg.size() != 1 || !readSetting(*setting, scratch, value))
            return name + " " + (setting->kind == SettingKind::Colour || setting->kind == SettingKind::DesktopColour
                                     ? std::string("rrggbb") + (setting->kind == SettingKind::DesktopColour ? "|system" : "")
                                     : settingExpects(*setting));
        step.action = ScriptStep::Action::Setting;
        step.setting = setting;
        step.path = value;
        return std::nullopt;
    }
    return "a command: type, key, click, dclick, drag, rdrag, mode, font, display, collide, words, save, wait or "
           "a setting such as physics or stiffness";
}

int stepTicks(const ScriptStep& step)
{
    return step.action == ScriptStep::Action::Keys ? static_cast<int>(step.codes.size()) : step.ticks;
}

} // namespace

int ticksForSeconds(double seconds) { return static_cast<int>(std::lround(seconds * 1000.0 / kTickMilliseconds)); }

ParsedScript parseScript(std::string_view text)
{
    ParsedScript parsed;
    const int maxTicks = ticksForSeconds(kMaxScriptSeconds);
    int line = 0;
    while (!text.empty()) {
        ++line;
        const std::size_t end = text.find('\n');
        std::string_view current = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!current.empty() && current.back() == '\r')
            current.remove_suffix(1);

        const std::string_view body = trimmed(current);
        if (body.empty() || body.front() == '#')
            continue;
        std::size_t commandEnd = 0;
        while (commandEnd < body.size() && !isBlank(body[commandEnd]) && body[commandEnd] != '#')
            ++commandEnd;

        ScriptStep step;
        step.line = line;
        std::optional<std::string> expected = parseStep(body.substr(0, commandEnd), body.substr(commandEnd), step);
        if (!expected && parsed.script.ticks + stepTicks(step) > maxTicks)
            expected = "a script of at most " + std::to_string(static_cast<int>(kMaxScriptSeconds)) + " s in all";
        if (expected) {
            parsed.script = {};
            parsed.error = ScriptError{line, std::string(current), std::move(*expected)};
            return parsed;
        }
        parsed.script.ticks += stepTicks(step);
        parsed.script.steps.push_back(std::move(step));
    }
    return parsed;
}

std::string describeScriptError(const ScriptError& error, const std::string& scriptName)
{
    constexpr std::size_t kShown = 80;
    std::string shown = printable(std::string_view(error.text).substr(0, kShown));
    if (error.text.size() > kShown)
        shown += "...";
    return scriptName + ":" + std::to_string(error.line) + ": \"" + shown + "\": expected " + error.expected;
}
