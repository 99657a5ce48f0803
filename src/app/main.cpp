#include <cstdio>
#include <string>
#include <vector>

#include <wx/app.h>

#include "app/LexfallApp.h"
#include "app/ShellRules.h"
#include "platform/TaskPool.h"
#include "view/CLexfallView.h"

// Help, version and bad options are answered before the toolkit starts,
// so they work without a display.
int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const shell::CommandLine commandLine = shell::parseCommandLine(args);
    switch (commandLine.action) {
    case shell::CommandLine::Action::Help:
        std::fputs(shell::usageText().c_str(), stdout);
        return 0;
    case shell::CommandLine::Action::Version:
        std::fputs(shell::versionText().c_str(), stdout);
        return 0;
    case shell::CommandLine::Action::Error:
        std::fprintf(stderr, "lexfall: %s\nTry 'lexfall --help' for more information.\n", commandLine.error.c_str());
        return 2;
    case shell::CommandLine::Action::Run:
        break;
    }

    const wxString file = wxString::FromUTF8(commandLine.file);
    if (file.empty() != commandLine.file.empty()) {
        std::fprintf(stderr, "lexfall: the file name is not valid UTF-8\n");
        return 2;
    }
    std::string error;
    if (!commandLine.face.empty() && !CLexfallView::CheckFace(commandLine.face, error)) {
        std::fprintf(stderr, "lexfall: %s\n", error.c_str());
        return 2;
    }
    if (const std::string problem = TaskPool::environmentProblem(); !problem.empty())
        std::fprintf(stderr, "lexfall: %s\n", problem.c_str());
    // The toolkit takes the application over and deletes it at the end.
    wxApp::SetInstance(new CLexfallApp(commandLine));
    return wxEntry(argc, argv) == 0 ? 0 : 1;
}
