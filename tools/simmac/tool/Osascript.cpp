#include "Tools.h"
#include "simmac/AppleScript.h"
#include "simmac/SimulatedMac.h"

#include <iostream>

namespace {

// osascript reports where in the script an error happened, in characters.
std::size_t characterCount(const std::string& text)
{
    std::size_t count = 0;
    for (unsigned char c : text)
        count += (c & 0xC0) != 0x80;
    return count;
}

std::string trimmedTrailingNewlines(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
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
    const std::string where = "0:" + std::to_string(characterCount(script)) + ": execution error: ";
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
    std::string text = trimmedTrailingNewlines(errorText);
    if (text.empty())
        text = "The command exited with a non-zero status.";
    std::cerr << where << text << " (" << status << ")\n";
    return 1;
}
