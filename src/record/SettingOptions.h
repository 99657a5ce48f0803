#pragma once

#include <string>
#include <vector>

#include "view/SceneSettings.h"

namespace CLI {
class App;
}

// Gives `app` an option for every setting that has one, as the table
// declares it: a switch is a flag, anything else takes a value, which is
// checked as the settings file checks it. Each option given is added to
// `choices`.
void addSettingOptions(CLI::App& app, std::vector<SettingChoice>& choices);

// What running `app` over the arguments (without the program's name) came
// to: go on, or the help, the version or what was wrong, the option named,
// to print.
struct ParsedOptions {
    enum class Outcome { Run, Help, Version, Error };
    Outcome outcome = Outcome::Run;
    std::string text;
};
ParsedOptions parseOptions(CLI::App& app, const std::vector<std::string>& args);
