#include "simmac/AppleScript.h"

#include <cctype>
#include <string_view>
#include <vector>

namespace {

struct Parser
{
    std::string_view text;
    std::size_t position = 0;

    void skipBlanks()
    {
        while (position < text.size() && (text[position] == ' ' || text[position] == '\t'))
            ++position;
    }

    // The offending token as osascript quotes it, and where it ends.
    std::pair<std::string, std::size_t> tokenAt(std::size_t start) const
    {
        if (start >= text.size())
            return {"end of script", start};
        std::size_t end = start;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])))
            ++end;
        return {"“" + std::string(text.substr(start, end - start)) + "”", end};
    }

    AdministratorScript error(std::size_t start, std::size_t end, const std::string& message) const
    {
        const std::string where = std::to_string(characterPosition(std::string(text), start)) + ":" +
                                  std::to_string(characterPosition(std::string(text), end));
        return AdministratorScript{std::nullopt, 0, 0, where + ": syntax error: " + message + " (-2741)"};
    }

    AdministratorScript expected(const std::string& what) const
    {
        const auto [found, end] = tokenAt(position);
        return error(position, end, "Expected " + what + " but found " + found + ".");
    }

    bool keyword(std::string_view word)
    {
        if (text.size() - position < word.size())
            return false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(text[position + i])) != word[i])
                return false;
        }
        const std::size_t after = position + word.size();
        if (after < text.size() &&
            (std::isalnum(static_cast<unsigned char>(text[after])) || text[after] == '_'))
            return false;
        position = after;
        return true;
    }
};

} // namespace

AdministratorScript parseAdministratorScript(const std::string& script)
{
    Parser parser{script};
    parser.skipBlanks();
    const std::size_t statementStart = parser.position;
    for (std::string_view word : {"do", "shell", "script"}) {
        if (!parser.keyword(word))
            return parser.expected("“do shell script”");
        parser.skipBlanks();
    }
    if (parser.position >= script.size() || script[parser.position] != '"')
        return parser.expected("“\"”");

    const std::size_t literalStart = parser.position++;
    std::string command;
    for (;;) {
        if (parser.position >= script.size())
            return parser.error(literalStart, script.size(), "Expected “\"” but found end of script.");
        const char c = script[parser.position];
        if (c == '"')
            break;
        if (c != '\\') {
            command += c;
            ++parser.position;
            continue;
        }
        const char next = parser.position + 1 < script.size() ? script[parser.position + 1] : '\0';
        switch (next) {
        case '\\':
            command += '\\';
            break;
        case '"':
            command += '"';
            break;
        case 'n':
            command += '\n';
            break;
        case 'r':
            command += '\r';
            break;
        case 't':
            command += '\t';
            break;
        default:
            return parser.error(parser.position, parser.position + 2,
                                "Expected “\"” but found unknown token.");
        }
        parser.position += 2;
    }
    ++parser.position; // the closing quote

    parser.skipBlanks();
    std::size_t statementEnd = parser.position;
    for (std::string_view word : {"with", "administrator", "privileges"}) {
        if (!parser.keyword(word))
            return parser.expected("“with administrator privileges”");
        statementEnd = parser.position;
        parser.skipBlanks();
    }
    while (parser.position < script.size() &&
           std::isspace(static_cast<unsigned char>(script[parser.position])))
        ++parser.position;
    if (parser.position < script.size())
        return parser.expected("end of line");
    return AdministratorScript{std::move(command),
                               characterPosition(script, statementStart),
                               characterPosition(script, statementEnd),
                               {}};
}

std::size_t characterPosition(const std::string& text, std::size_t offset)
{
    std::size_t units = 0;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // A lead byte starts a character; one of four bytes lies beyond U+FFFF.
        units += (byte & 0xC0) != 0x80 ? ((byte & 0xF8) == 0xF0 ? 2 : 1) : 0;
    }
    return units;
}
