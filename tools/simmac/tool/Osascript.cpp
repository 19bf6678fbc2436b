#include "Tools.h"
#include "simmac/AppleScript.h"
#include "simmac/SimulatedMac.h"

#include <iostream>

namespace {

// do shell script drops one line ending from what the command wrote, as it
// does from its result.
std::string withoutFinalLineEnding(std::string text)
{
    if (text.ends_with("\r\n"))
        text.resize(text.size() - 2);
    else if (text.ends_with('\n') || text.ends_with('\r'))
        text.pop_back();
    return text;
}

} // namespace

int runOsascript(const std::filesystem::path& root, const std::vector<std::string>& arguments)
{
    if (arguments.size() != 2 || arguments[0] != "-e") {
        std::cerr << "usage: osascript -e 'do shell script \"...\" with administrator privileges'\n"
                     "(the simulated osascript runs exactly this statement)\n";
        return 1;
    }
    const std::string& script = arguments[1];
    const AdministratorScript parsed = parseAdministratorScript(script);
    if (!parsed.command) {
        std::cerr << parsed.syntaxError << "\n";
        return 1;
    }
    // An execution error names the failing statement's characters: here the
    // one statement of the script.
    const std::string where = std::to_string(parsed.statementStart) + ":" +
                              std::to_string(parsed.statementEnd) + ": execution error: ";
    // The prompt is open now; a test may act in this window.
    const std::filesystem::path hook = promptHookPath(root);
    std::error_code error;
    if (std::filesystem::is_regular_file(hook, error))
        runAndWait(hook.string(), {hook.string()});
    if (authorizationAnswer(root) == "cancel") {
        std::cerr << where << "User canceled. (-128)\n";
        return 1;
    }

    std::cout.flush();
    std::string errorText;
    const int status = runAndWait("/bin/sh", {"sh", "-c", *parsed.command}, &errorText);
    if (status == 0)
        return 0;
    std::string text = withoutFinalLineEnding(errorText);
    if (text.empty())
        text = "The command exited with a non-zero status.";
    std::cerr << where << text << " (" << status << ")\n";
    return 1;
}
