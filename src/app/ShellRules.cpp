#include "app/ShellRules.h"

#include <iterator>

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
    for (auto it = args.begin(); it != args.end(); ++it) {
        const std::string& arg = *it;
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg == "--frame-stats") {
            result.frameStats = true;
            continue;
        }
        if (!optionsEnded && arg == "--collide") {
            result.collide = true;
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
        if (!optionsEnded && arg == "--utf8-words") {
            result.utf8Words = true;
            continue;
        }
        if (!optionsEnded && (arg == "--face" || arg.rfind("--face=", 0) == 0)) {
            if (arg == "--face" && std::next(it) == args.end())
                return failure("--face needs a font family or a font file");
            result.face = arg == "--face" ? *++it : arg.substr(std::string("--face=").size());
            if (result.face.empty())
                return failure("--face needs a font family or a font file");
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

// The man page is made from this text by help2man: an option, then its
// description after two or more blanks or on the next line, indented.
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
           "      --collide      letters collide in this run: they rest on the floor\n"
           "                     and on each other and pile up\n"
           "      --face=FAMILY|FILE\n"
           "                     the face of new letters in this run: an installed\n"
           "                     family (\"DejaVu Serif\", \"DejaVu Serif:bold\") or a\n"
           "                     TrueType, OpenType or Type 1 file, FILE:N for face N\n"
           "                     of a collection\n"
           "      --utf8-words   read Nozzle word files in UTF-8 as words of every\n"
           "                     language\n"
           "      --smooth       draw with smooth edges in this run (Display > Smooth\n"
           "                     Edges)\n"
           "      --frame-stats  print the frames painted and ticks run each second\n"
           "                     on standard error\n"
           "\n"
           "FILE is a scene saved with File > Save (.lexscene), opened to go on where it was.\n"
           "LEXFALL_THREADS=N in the environment sets how many threads the animation\n"
           "uses (by default one a processor); the result is the same whatever N.\n";
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
    return static_cast<unsigned>(unicode);
}

void rememberFace(std::vector<std::string>& recent, const std::string& face)
{
    std::erase(recent, face);
    recent.insert(recent.begin(), face);
    if (recent.size() > static_cast<std::size_t>(kRecentFaces))
        recent.resize(static_cast<std::size_t>(kRecentFaces));
}

std::string faceMenuLabel(const std::string& face)
{
    const auto slash = face.find_last_of('/');
    const std::string shown = slash == std::string::npos ? face : face.substr(slash + 1);
    std::string label;
    for (const char c : shown)
        label += c == '&' ? std::string("&&") : std::string(1, c);
    return label;
}

LockIndicators lockIndicators(bool caps, bool num, bool scroll)
{
    return {caps ? "CAP" : "", num ? "NUM" : "", scroll ? "SCRL" : ""};
}

} // namespace shell
