#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

namespace {

ChildOutcome shell(const QString& script, StandardOutput output = StandardOutput::Inherit,
                   const QStringList& arguments = {})
{
    return runChildProcess(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"), script} + arguments,
                           output);
}

TEST(ChildProcess, LargeErrorOutputNeverStallsTheChild)
{
    // Far more than a pipe holds: the child would block if nobody read.
    const ChildOutcome outcome = shell(QStringLiteral("head -c 3000000 /dev/zero | tr '\\0' e >&2; exit 3"));
    EXPECT_FALSE(outcome.launchError.has_value());
    EXPECT_EQ(outcome.exitStatus, 3);
    EXPECT_EQ(outcome.standardError.size(), 3000000);
}

TEST(ChildProcess, EndedBySignalReportsTheSignalNumber)
{
    EXPECT_EQ(shell(QStringLiteral("kill -15 $$")).exitStatus, 15);
}

TEST(ChildProcess, CapturesOutputAndArgumentsArePassedAsIs)
{
    const ChildOutcome outcome = shell(QStringLiteral("printf '%s|' \"$@\""), StandardOutput::Capture,
                                       {QStringLiteral("sh"), QStringLiteral("a b"), QStringLiteral("$(x)")});
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_EQ(outcome.standardOutput, QByteArray("a b|$(x)|"));
}

TEST(ChildProcess, OnlyValidUtf8IsText)
{
    EXPECT_EQ(strictUtf8(QByteArray("Gr\xc3\xbc\xc3\x9f"
                                    "e\n")),
              QStringLiteral("Gr\u00fc\u00dfe\n"));
    EXPECT_EQ(strictUtf8(QByteArray("bad \xff byte")), QString());
    EXPECT_EQ(strictUtf8(QByteArray("cut \xc3")), QString());
    EXPECT_EQ(strictUtf8(QByteArray("\xEF\xBB\xBFx")), QStringLiteral("\uFEFFx"));
}

} // namespace
