#pragma once

#include <string>

// "<directory of the running executable>/../share/lexfall/", normalised,
// with a trailing '/'; empty when the executable cannot be located.
std::string lexfallShareDirectory();

// lexfallShareDirectory() + "fonts/".
std::string lexfallFontDirectory();
