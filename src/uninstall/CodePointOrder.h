#pragma once

#include <QString>
#include <algorithm>

// Ascending by Unicode code point, the order uninstallation queries receipts
// and writes its commands in. QString's own order compares UTF-16 units,
// which puts characters beyond U+FFFF (stored as surrogates, D800-DFFF) before
// those from U+E000 to U+FFFF; moving the surrogates above the rest of the
// BMP makes the first differing unit decide as its code point would.
inline bool codePointLess(const QString& a, const QString& b)
{
    const auto key = [](QChar c) {
        const char16_t u = c.unicode();
        return u >= 0xE000 ? u - 0x800 : u >= 0xD800 ? u + 0x2000 : int(u);
    };
    const auto [ia, ib] = std::mismatch(a.cbegin(), a.cend(), b.cbegin(), b.cend());
    if (ia == a.cend() || ib == b.cend())
        return ib != b.cend();
    return key(*ia) < key(*ib);
}
