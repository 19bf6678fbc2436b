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

    static Run run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished(10000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    Run osascript(const QStringList& arguments) const
    {
        return run(QString::fromStdString(macPathInRoot(root, "/usr/bin/osascript").string()), arguments);
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

namespace {

// The same simulated Mac, for the programs' own command lines.
class SimulatedTools : public SimulatedOsascript
{
};

// Every command line of ours: --help goes to standard output with status 0; a
// wrong argument is named on standard error, and no folder is made from it.
TEST_F(SimulatedTools, CommandLinesExplainThemselvesAndNameWhatWasWrong)
{
    const std::string server = BRENVOSS_VENDOR_SERVER, simmac = BRENVOSS_SIMMAC_CLI, tour = BRENVOSS_TOUR,
                      dev = BRENVOSS_SOURCE_DIR "/dev", fuzz = BRENVOSS_SOURCE_DIR "/fuzz/run.sh";
    const std::string missing = (base / "missing").string(), outside = (base / "outside").string();
    fs::create_directory(outside);
    const struct
    {
        std::string program;
        std::vector<std::string> arguments;
        int exitCode;
        std::string says; // on standard output for status 0, else on standard error
    } cases[] = {
        {server, {"--help"}, 0, "--root DIR"},
        {server, {"--port", "abc", "--root", root.string()}, 2, "--port: 'abc' is not a port number"},
        {server, {"--root", root.string(), "--demo", missing}, 2, "--root and --demo cannot be combined"},
        {server, {"--root", missing}, 1, "--root: '" + missing + "'"},
        {simmac, {"-h"}, 0, "protect ROOT PATH"},
        {simmac, {"frobnicate"}, 2, "unknown command: frobnicate"},
        {simmac, {"authorization", missing, "allow"}, 1, "ROOT: '" + missing + "'"},
        {simmac, {"protect", root.string(), outside}, 1, "PATH: '" + outside + "'"},
        {tour, {"--help"}, 0, "--edition"},
        {tour, {"--edition", "Foo"}, 2, "--edition: 'Foo'"},
        {dev, {"--help"}, 0, "fresh-check"},
        {dev, {"frobnicate"}, 2, "unknown command: frobnicate"},
        {fuzz, {"-h"}, 0, "replay BUILD_DIR"},
        {fuzz, {"frobnicate"}, 2, "unknown command: frobnicate"},
    };
    for (const auto& c : cases) {
        QStringList arguments;
        for (const std::string& argument : c.arguments)
            arguments << QString::fromStdString(argument);
        SCOPED_TRACE(c.program + " " + arguments.join(u' ').toStdString());
        const Run result = run(QString::fromStdString(c.program), arguments);
        EXPECT_EQ(result.exitCode, c.exitCode);
        const QByteArray& said = c.exitCode == 0 ? result.standardOutput : result.standardError;
        EXPECT_TRUE(said.contains(QByteArray::fromStdString(c.says))) << said.toStdString();
    }
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_TRUE(protectedPaths(root).empty());
}

} // namespace
