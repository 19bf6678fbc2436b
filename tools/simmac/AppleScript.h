#pragma once

#include <optional>
#include <string>

// The one AppleScript statement the simulated osascript understands:
//
//   do shell script "<string literal>" with administrator privileges
//
// Keywords are matched ignoring case and may be separated by any blanks.
// Inside the literal, \\ stands for a backslash, \" for a double quote and
// \n, \r, \t for the control characters, as in AppleScript; any other
// backslash sequence is a syntax error, which is how a command line that was
// not escaped for AppleScript shows up.
struct AdministratorScript
{
    std::optional<std::string> command; // the decoded shell command line
    // Otherwise the error as osascript prints it, without the line feed:
    // "START:END: syntax error: MESSAGE (-2741)".
    std::string syntaxError;
};

AdministratorScript parseAdministratorScript(const std::string& script);
