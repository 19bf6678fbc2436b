#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

namespace {

TEST(ChildProcess, LargeErrorOutputNeverStallsTheChild)
{
    // Far more than a pipe holds: the child would block if nobody read.
    const ChildOutcome outcome = runChildProcess(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("head -c 3000000 /dev/zero | tr '\\0' e >&2; exit 3")},
        StandardOutput::Inherit);
    EXPECT_FALSE(outcome.launchError.has_value());
    EXPECT_EQ(outcome.exitStatus, 3);
    EXPECT_EQ(outcome.standardError.size(), 3000000);
}

TEST(ChildProcess, EndedBySignalReportsTheSignalNumber)
{
    for (const int signal : {9, 15}) {
        const ChildOutcome outcome = runChildProcess(
            QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("kill -%1 $$").arg(signal)},
            StandardOutput::Inherit);
        EXPECT_EQ(outcome.exitStatus, signal);
    }
}

TEST(ChildProcess, CapturesOutputAndArgumentsArePassedAsIs)
{
    const ChildOutcome outcome =
        runChildProcess(QStringLiteral("/bin/sh"),
                        {QStringLiteral("-c"), QStringLiteral("printf '%s|' \"$@\""), QStringLiteral("sh"),
                         QStringLiteral("a b"), QStringLiteral("$(x)")},
                        StandardOutput::Capture);
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_EQ(outcome.standardOutput, QByteArray("a b|$(x)|"));
}

TEST(ChildProcess, MissingProgramIsALaunchFailure)
{
    const ChildOutcome outcome =
        runChildProcess(QStringLiteral("/nonexistent/osascript"), {QStringLiteral("-e"), QStringLiteral("x")},
                        StandardOutput::Inherit);
    ASSERT_TRUE(outcome.launchError.has_value());
    EXPECT_FALSE(outcome.launchError->description.isEmpty());
}

TEST(ChildProcess, OnlyValidUtf8IsText)
{
    EXPECT_EQ(strictUtf8(QByteArray("x\n")), QStringLiteral("x\n"));
    EXPECT_EQ(strictUtf8(QByteArray("Gr\xc3\xbc\xc3\x9f"
                                    "e")),
              QStringLiteral("Gr\u00fc\u00dfe"));
    EXPECT_EQ(strictUtf8(QByteArray("bad \xff byte")), QString());
    EXPECT_EQ(strictUtf8(QByteArray("cut \xc3")), QString());
    EXPECT_EQ(strictUtf8(QByteArray("\xEF\xBB\xBFx")), QStringLiteral("\uFEFFx"));
}

} // namespace
