#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

namespace {

TEST(ChildProcess, PassesArgumentsAsIsAndReadsBothOutputsToTheEnd)
{
    const auto shell = [](const char* script, StandardOutput output) {
        return runChildProcess(QStringLiteral("/bin/sh"),
                               {QStringLiteral("-c"), QString::fromLatin1(script), QStringLiteral("sh"),
                                QStringLiteral("a b"), QStringLiteral("$(x)")},
                               output);
    };
    // Far more than a pipe holds: the child would block if nobody read.
    const ChildOutcome captured = shell(
        "printf '%s|' \"$@\"; head -c 3000000 /dev/zero | tr '\\0' e >&2; exit 3", StandardOutput::Capture);
    EXPECT_FALSE(captured.launchError.has_value());
    EXPECT_EQ(captured.exitStatus, 3);
    EXPECT_EQ(captured.standardOutput, QByteArray("a b|$(x)|"));
    EXPECT_EQ(captured.standardError, QByteArray(3000000, 'e'));
    // A child ended by a signal reports the signal's number.
    const ChildOutcome inherited = shell("echo \"$1\" >&2; kill -15 $$", StandardOutput::Inherit);
    EXPECT_EQ(inherited.exitStatus, 15);
    EXPECT_EQ(inherited.standardError, QByteArray("a b\n"));
}

TEST(ChildProcess, OnlyValidUtf8IsText)
{
    EXPECT_EQ(strictUtf8("Gr\xc3\xbc\xc3\x9f"
                         "e\n"),
              QStringLiteral("Gr\u00fc\u00dfe\n"));
    EXPECT_EQ(strictUtf8("bad \xff byte"), QString());
}

} // namespace
