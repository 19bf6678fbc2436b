// The installation command line. Whatever the package paths hold (quotes,
// backslashes, $(...), backticks, line breaks, text beyond ASCII), /bin/sh
// runs the installer once per package, in order, with exactly
// -pkg PATH -target ROOT; and the AppleScript around it gives osascript
// exactly that command line.
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
    // A forked shell per input is slow; a dozen packages is plenty of batch.
    const QStringList files = splitOnNul(data, size, 12);
    const QString commandLine = installCommandLine(files, harness->root());
    checkAppleScript(commandLine, files);

    QList<QByteArray> expected;
    const QByteArray target = harness->root().path().toUtf8();
    for (const QString& file : files)
        expected << "installer"
                 << "-pkg" << file.toUtf8() << "-target" << target;
    checkCalls(harness->run(commandLine), expected, commandLine);
    return 0;
}
