// The removal command line. Whatever the bundle paths and receipt
// identifiers hold, /bin/sh deletes exactly each bundle inside the Mac's root,
// once, in ascending order, then forgets exactly each receipt in ascending
// order; and the AppleScript around it gives osascript exactly that line.
#include "FuzzCheck.h"
#include "ShellHarness.h"
#include "uninstall/RemovalCommand.h"

#include <QSet>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

ShellHarness* harness = nullptr;

// Ascending by Unicode code point (not UTF-16 unit, which puts characters
// beyond U+FFFF before U+E000…U+FFFF).
QStringList ascending(QStringList strings)
{
    std::sort(strings.begin(), strings.end(), [](const QString& a, const QString& b) {
        const QList<uint> ua = a.toUcs4();
        const QList<uint> ub = b.toUcs4();
        return std::lexicographical_compare(ua.begin(), ua.end(), ub.begin(), ub.end());
    });
    return strings;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static ShellHarness instance;
    harness = &instance;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Alternate strings are bundles and receipts; a repeated bundle is one
    // root, a repeated receipt is forgotten twice.
    const QStringList strings = splitOnNul(data, size, 12);
    QSet<QString> roots;
    QStringList receipts;
    for (qsizetype i = 0; i < strings.size(); ++i) {
        if (i % 2 == 0)
            roots.insert(strings[i]);
        else
            receipts.append(strings[i]);
    }
    const QString commandLine = removalCommandLine(roots, receipts, harness->root());
    checkAppleScript(commandLine, strings);

    QList<QByteArray> expected;
    for (const QString& bundle : ascending(QStringList(roots.cbegin(), roots.cend())))
        expected << "rm"
                 << "-rf"
                 << "--" << harness->root().resolve(bundle).toUtf8();
    for (const QString& receipt : ascending(receipts))
        expected << "pkgutil"
                 << "--forget" << receipt.toUtf8();
    checkCalls(harness->run(commandLine), expected, commandLine);
    return 0;
}
