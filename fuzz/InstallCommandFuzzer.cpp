// The installation command line. Whatever the package paths, digests and
// names hold (quotes, backslashes, $(...), backticks, line breaks, NULs, text
// beyond ASCII), /bin/sh makes root's private folder once, then per package,
// in order, copies it there and hashes the copy; only when every copy's
// digest matches (ignoring case) does it install exactly those copies, in
// order. The first digest that differs stops the chain with "The security
// check for NAME failed." (a NUL in NAME shown as U+FFFD) as the only output
// and status 1, before anything is installed; the private folder is removed
// last either way. The line holds no NUL, and the AppleScript around it gives
// osascript exactly that command line.
#include "FuzzCheck.h"
#include "ShellHarness.h"
#include "install/ShellCommands.h"

#include <cstddef>
#include <cstdint>

namespace {

ShellHarness* harness = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static ShellHarness instance;
    harness = &instance;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Strings in threes: path, digest, name. A forked shell per input is
    // slow; four packages is plenty of batch. The input is split on NUL, so
    // in a name U+0001 stands for U+0000.
    const QStringList strings = splitOnNul(data, size, 12);
    QList<VerifiedPackage> packages;
    for (qsizetype i = 0; i < strings.size(); i += 3)
        packages.append(VerifiedPackage{strings[i], strings.value(i + 1),
                                        strings.value(i + 2).replace(QChar(1), QChar(0))});
    const QString commandLine = installCommandLine(packages, harness->root());
    FUZZ_CHECK(!commandLine.contains(QChar(0)), "a NUL in " + fuzz::visible(commandLine));
    checkAppleScript(commandLine, strings);

    QList<QByteArray> expected;
    QByteArray output;
    const QByteArray folder = harness->privateFolder().toUtf8();
    if (!packages.isEmpty())
        expected << "mktemp"
                 << "-d" << harness->root().resolve(QString::fromLatin1(privateFolderTemplate)).toUtf8();
    const QByteArray target = harness->root().path().toUtf8();
    QList<QByteArray> installs;
    for (qsizetype i = 0; i < packages.size(); ++i) {
        const QByteArray copy = folder + '/' + QByteArray::number(i + 1) + ".pkg";
        expected << "cp"
                 << "--" << packages[i].file.toUtf8() << copy << "shasum"
                 << "-a"
                 << "256" << copy;
        if (packages[i].sha256.compare(QLatin1String(ShellHarness::fileDigest), Qt::CaseInsensitive) != 0) {
            output = "The security check for " +
                     QString(packages[i].name).replace(QChar(0), QChar(0xFFFD)).toUtf8() + " failed.\n";
            installs.clear();
            break;
        }
        installs << "installer"
                 << "-pkg" << copy << "-target" << target;
    }
    expected << installs;
    if (!packages.isEmpty())
        expected << "rm"
                 << "-rf"
                 << "--" << folder;
    const ShellHarness::Run run = harness->run(commandLine);
    checkCalls(run, expected, commandLine, output.isEmpty() ? 0 : 1);
    FUZZ_CHECK(run.output == output,
               "output " + fuzz::visible(run.output) + ", expected " + fuzz::visible(output));
    return 0;
}
