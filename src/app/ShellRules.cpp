#include "app/ShellRules.h"

#include <memory>

#include <CLI/CLI.hpp>

#include "record/SettingOptions.h"

#include "glyph/FontCatalog.h"

namespace shell {

namespace {

// The man page is made from the help by help2man.
std::unique_ptr<CLI::App> makeParser(CommandLine& result)
{
    auto app = std::make_unique<CLI::App>(
        "Turns typed text into soft bodies that fall, bounce, pile up and can be pushed about.", "lexfall");
    app->set_version_flag("--version", kVersionText);
    app->add_flag("--frame-stats", result.frameStats, "print the frames painted and ticks run each second on standard error");
    app->add_option("--face", result.face,
                    "the face of new letters in this run: an installed family (\"DejaVu Serif\", \"DejaVu Serif:bold\") "
                    "or a TrueType, OpenType or Type 1 file, FILE:N for face N of a collection")
        ->type_name("FAMILY|FILE")
        ->check([](const std::string& face) { return face.empty() ? std::string("needs a font family or a font file") : std::string(); });
    addSettingOptions(*app, result.settings);
    app->add_option("FILE", result.file, "a scene saved with File > Save (.lexscene), opened to go on where it was")
        ->type_name("")
        ->check([](const std::string& file) { return file.empty() ? std::string("empty file name") : std::string(); });
    app->footer("The settings' options apply to this run only; the saved settings stay.\n"
                "LEXFALL_THREADS=N in the environment sets how many threads the animation\n"
                "uses (by default one a processor); the result is the same whatever N.");
    return app;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine result;
    const auto app = makeParser(result);
    const ParsedOptions parsed = parseOptions(*app, args);
    CommandLine answer;
    switch (parsed.outcome) {
    case ParsedOptions::Outcome::Run:
        return result;
    case ParsedOptions::Outcome::Help:
        answer.action = CommandLine::Action::Help;
        break;
    case ParsedOptions::Outcome::Version:
        answer.action = CommandLine::Action::Version;
        break;
    case ParsedOptions::Outcome::Error:
        answer.action = CommandLine::Action::Error;
        answer.error = parsed.text;
        break;
    }
    return answer;
}

std::string usageText()
{
    CommandLine scratch;
    return makeParser(scratch)->help();
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
    const std::optional<std::string> name = FontCatalog::faceName(face);
    const std::string shown = name ? *name : slash == std::string::npos ? face : face.substr(slash + 1);
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
