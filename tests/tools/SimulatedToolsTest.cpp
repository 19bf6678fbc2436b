// The simulated osascript must be as strict as the real one: a script the app
// quotes wrongly fails here instead of running something else as root.
#include "simmac/SimulatedMac.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class SimulatedOsascript : public ::testing::Test
{
protected:
    void SetUp() override { layoutSimulatedMac(root, BRENVOSS_SIMMAC_TOOL); }

    struct Run
    {
        int exitCode = -1;
        QByteArray standardOutput;
        QByteArray standardError;
    };

    Run osascript(const QStringList& arguments) const
    {
        QProcess process;
        process.start(QString::fromStdString(macPathInRoot(root, "/usr/bin/osascript").string()), arguments);
        process.waitForFinished(10000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    // The script as the app writes it: backslashes and double quotes escaped.
    static QString script(const std::string& command)
    {
        std::string escaped;
        for (char c : command) {
            if (c == '\\' || c == '"')
                escaped += '\\';
            escaped += c;
        }
        return QString::fromStdString("do shell script \"" + escaped + "\" with administrator privileges");
    }

    QTemporaryDir temporary;
    fs::path base = fs::path(temporary.path().toStdString());
    fs::path root = base / "mac";
};

TEST_F(SimulatedOsascript, DecodesTheStringLiteralLikeTheRealOne)
{
    // Single quotes in the shell's '\'' form, double quotes and backslashes
    // all survive the trip through the literal.
    for (const std::string text : {"it's", "say \"hi\"", "back\\slash", "both \\\" and '\\''", "tab\there"}) {
        std::string quoted = "'";
        for (char c : text)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        const Run run = osascript({QStringLiteral("-e"), script("printf '%s' " + quoted + "'")});
        EXPECT_EQ(run.exitCode, 0) << text << run.standardError.constData();
        EXPECT_EQ(run.standardOutput.toStdString(), text);
    }
}

TEST_F(SimulatedOsascript, RefusesMalformedScriptsWithoutRunningThem)
{
    const std::string touch = "touch " + (base / "ran").string();
    const std::string cases[] = {
        "do shell script \"" + touch + " '\\'' \" with administrator privileges", // \' is not an escape
        "do shell script \"" + touch + "\" with administrator privileges extra",
        "do shell script \"" + touch + "\"",
        "do shell script \"" + touch,
        "do shell script \"" + touch + "\"\" with administrator privileges",
        "run script \"" + touch + "\" with administrator privileges",
    };
    const QRegularExpression syntaxError(QStringLiteral("^\\d+:\\d+: syntax error: .+ \\(-2741\\)\n$"));
    for (const std::string& text : cases) {
        const Run run = osascript({QStringLiteral("-e"), QString::fromStdString(text)});
        EXPECT_EQ(run.exitCode, 1) << text;
        EXPECT_TRUE(syntaxError.match(QString::fromUtf8(run.standardError)).hasMatch()) << text;
    }
    for (const QStringList& arguments :
         {QStringList{}, QStringList{QStringLiteral("-x"), script(touch)},
          QStringList{QStringLiteral("-e"), script(touch), QStringLiteral("more")}})
        EXPECT_EQ(osascript(arguments).exitCode, 1);
    EXPECT_FALSE(fs::exists(base / "ran"));
}

} // namespace
