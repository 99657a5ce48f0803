#include "app/ShellRules.h"

namespace shell {

namespace {

CommandLine just(CommandLine::Action action)
{
    CommandLine result;
    result.action = action;
    return result;
}

CommandLine failure(std::string message)
{
    CommandLine result = just(CommandLine::Action::Error);
    result.error = std::move(message);
    return result;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine result;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h")
            return just(CommandLine::Action::Help);
        if (arg == "--version")
            return just(CommandLine::Action::Version);
    }
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg == "--frame-stats") {
            result.frameStats = true;
            continue;
        }
        if (!optionsEnded && arg == "--smooth") {
            result.smooth = true;
            continue;
        }
        if (!optionsEnded && arg.rfind("--physics=", 0) == 0) {
            const std::string name = arg.substr(std::string("--physics=").size());
            result.physics = presetNamed(name);
            if (!result.physics)
                return failure("unknown physics '" + name + "' (choose designed or sturdy)");
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-')
            return failure("unknown option '" + arg + "'");
        if (arg.empty())
            return failure("empty file name");
        if (!result.file.empty())
            return failure("only one file can be opened");
        result.file = arg;
    }
    return result;
}

std::string usageText(const std::string& programName)
{
    return "Usage: " + programName + " [OPTION]... [FILE]\n"
           "Turns typed text into soft bodies that fall, bounce and can be pushed about.\n"
           "\n"
           "  -h, --help         show this help and exit\n"
           "      --version      show the version and exit\n"
           "      --physics=designed|sturdy\n"
           "                     how letters move in this run: as designed (they\n"
           "                     crumple as they fall) or sturdy (they stay readable)\n"
           "      --smooth       draw with smooth edges in this run (Display > Smooth\n"
           "                     Edges)\n"
           "      --frame-stats  print the frames painted and ticks run each second\n"
           "                     on standard error\n"
           "\n"
           "FILE is opened as the program's (empty) document.\n";
}

std::string versionText() { return std::string(kVersionText) + "\n"; }

std::string toWxWildcard(const std::string& filter)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto bar = filter.find('|', start);
        fields.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    while (!fields.empty() && fields.back().empty())
        fields.pop_back();

    std::string wildcard;
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].empty())
            break; // "||" ends the list
        if (!wildcard.empty())
            wildcard += '|';
        wildcard += fields[i] + '|' + fields[i + 1];
    }
    return wildcard;
}

std::string applyDefaultExtension(const std::string& path, const std::string& extension,
                                  const std::function<bool(const std::string&)>& exists)
{
    std::string ext = extension;
    if (!ext.empty() && ext[0] == '.')
        ext.erase(0, 1);
    if (ext.empty() || path.empty() || exists(path))
        return path;

    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name.find('.') != std::string::npos)
        return path;

    const std::string extended = path + '.' + ext;
    return exists(extended) ? extended : path;
}

unsigned characterCode(long unicode, KeyKind kind, bool alt, bool ctrl)
{
    if (alt && !ctrl)
        return kNoCharacter;
    if (kind == KeyKind::Delete)
        return kNoCharacter;
    if (kind == KeyKind::NumpadEnter)
        return 13;
    if (unicode <= 0)
        return kNoCharacter;
    // Codes beyond one byte go through unchanged: the view adds nothing for
    // them rather than a glyph for a wrong character.
    return static_cast<unsigned>(unicode);
}

LockIndicators lockIndicators(bool caps, bool num, bool scroll)
{
    return {caps ? "CAP" : "", num ? "NUM" : "", scroll ? "SCRL" : ""};
}

} // namespace shell
