#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

namespace {

// Exit statuses, stderr and captured stdout are driven by the install and
// uninstall workflows through osascript and pkgutil; a signal is not.
TEST(ChildProcess, PassesArgumentsAsIsAndAChildEndedByASignalReportsItsNumber)
{
    const ChildOutcome outcome =
        runChildProcess(QStringLiteral("/bin/sh"),
                        {QStringLiteral("-c"), QStringLiteral("printf '%s|' \"$@\"; kill -15 $$"),
                         QStringLiteral("sh"), QStringLiteral("a b"), QStringLiteral("$(x)")},
                        StandardOutput::Capture);
    EXPECT_EQ(outcome.exitStatus, 15);
    EXPECT_EQ(outcome.standardOutput, QByteArray("a b|$(x)|"));
}

TEST(ChildProcess, OnlyValidUtf8IsText)
{
    EXPECT_EQ(strictUtf8("Gr\xc3\xbc\xc3\x9f"
                         "e\n"),
              QStringLiteral("Gr\u00fc\u00dfe\n"));
    EXPECT_EQ(strictUtf8("bad \xff byte"), QString());
}

} // namespace
