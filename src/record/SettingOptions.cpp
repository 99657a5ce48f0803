#include "record/SettingOptions.h"

#include <CLI/CLI.hpp>


void addSettingOptions(CLI::App& app, std::vector<SettingChoice>& choices)
{
    for (const Setting& setting : settingTable()) {
        if (setting.option.empty())
            continue;
        const std::string name = "--" + std::string(setting.option);
        std::string help(setting.help);
        if (setting.kind == SettingKind::Number || setting.kind == SettingKind::Whole)
            help += " (" + settingExpects(setting) + ")";
        if (setting.kind == SettingKind::Switch) {
            app.add_flag_callback(name, [&choices, &setting] { choices.push_back({&setting, "1"}); }, help);
            continue;
        }
        const CLI::Validator valid(
            [&setting](std::string& text) {
                SceneSettings scratch;
                return readSetting(setting, scratch, text) ? std::string()
                                                           : "needs " + settingExpects(setting) + ", not \"" + text + "\"";
            },
            "");
        app.add_option_function<std::string>(
               name, [&choices, &setting](const std::string& text) { choices.push_back({&setting, text}); }, help)
            ->check(valid)
            ->type_name(setting.kind == SettingKind::Preset                                                ? "designed|sturdy"
                        : setting.kind == SettingKind::Colour || setting.kind == SettingKind::DesktopColour ? "#RRGGBB"
                                                                                                            : "N");
    }
}

ParsedOptions parseOptions(CLI::App& app, const std::vector<std::string>& args)
{
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return {ParsedOptions::Outcome::Help, app.help()};
    } catch (const CLI::CallForVersion& version) {
        return {ParsedOptions::Outcome::Version, std::string(version.what()) + "\n"};
    } catch (const CLI::ParseError& error) {
        return {ParsedOptions::Outcome::Error, error.what()};
    }
    return {};
}
