#pragma once

#include <cstddef>
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
//
// Positions in osascript's messages count characters as the Mac's strings do,
// in UTF-16 code units: a character beyond U+FFFF counts two.
struct AdministratorScript
{
    std::optional<std::string> command; // the decoded shell command line
    // Where the statement lies in the script, for an execution error:
    // from "do" to the end of "privileges", blanks around it left out.
    std::size_t statementStart = 0, statementEnd = 0;
    // Otherwise the error as osascript prints it, without the line feed:
    // "START:END: syntax error: MESSAGE (-2741)".
    std::string syntaxError;
};

AdministratorScript parseAdministratorScript(const std::string& script);

// The character position of byte `offset` of UTF-8 `text`, in UTF-16 code units.
std::size_t characterPosition(const std::string& text, std::size_t offset);
