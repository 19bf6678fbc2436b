#pragma once

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <string>

// A property every input must keep. A violation prints what was expected and
// aborts, which libFuzzer reports as a crash and saves the input for.
#define FUZZ_CHECK(condition, ...)                                                                           \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::fuzz::violated(#condition, __FILE__, __LINE__, ::fuzz::describe(__VA_ARGS__));                 \
    } while (false)

namespace fuzz {

[[noreturn]] inline void violated(const char* condition, const char* file, int line,
                                  const std::string& detail)
{
    std::fprintf(stderr, "\n*** property violated at %s:%d: %s\n%s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

// Text as a C string literal would show it, so control characters, quotes
// and bytes beyond ASCII stay visible in the report.
inline std::string visible(const QByteArray& bytes)
{
    std::string out = "\"";
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u >= 0x20 && u < 0x7f) {
            out += c;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            out += hex;
        }
    }
    return out + "\"";
}

inline std::string visible(const QString& text)
{
    return visible(text.toUtf8());
}

inline std::string describe()
{
    return {};
}

inline std::string describe(const char* text)
{
    return text;
}

inline std::string describe(const std::string& text)
{
    return text;
}

inline std::string describe(const QString& text)
{
    return text.toStdString();
}

} // namespace fuzz
