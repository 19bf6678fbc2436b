#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

namespace {

// Exit statuses, stderr and captured stdout are driven by the install and
// uninstall workflows through osascript and pkgutil; a signal and bytes that
// are not UTF-8 (kept out of messages and receipt paths) are not.
TEST(ChildProcess, PassesArgumentsAsIsAndReportsASignalAndOnlyValidUtf8IsText)
{
    const ChildOutcome outcome =
        runChildProcess(QStringLiteral("/bin/sh"),
                        {QStringLiteral("-c"), QStringLiteral("printf '%s|' \"$@\"; kill -15 $$"),
                         QStringLiteral("sh"), QStringLiteral("a b"), QStringLiteral("$(x)")},
                        StandardOutput::Capture);
    EXPECT_EQ(outcome.exitStatus, 15);
    EXPECT_EQ(outcome.standardOutput, QByteArray("a b|$(x)|"));
    EXPECT_EQ(strictUtf8("\xc3\xbc"), QStringLiteral("\u00fc"));
    EXPECT_EQ(strictUtf8("bad \xff byte"), QString());
    // An argument would end at a NUL on its way to the child: it is refused, never cut short.
    EXPECT_TRUE(runChildProcess(QStringLiteral("/bin/true"), {QStringLiteral("a") + QChar(0) + u'b'},
                                StandardOutput::Capture)
                    .launchError);
}

} // namespace
