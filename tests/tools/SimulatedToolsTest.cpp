#include "simmac/SimulatedMac.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// Our command lines: --help on standard output, status 0; a wrong argument
// named on standard error, nothing run or made. The simulated osascript is as
// strict as the real one, so a script the app quotes wrongly fails here
// instead of running something else as root.
TEST(SimulatedTools, CommandLinesExplainThemselvesAndNameWhatWasWrong)
{
    QTemporaryDir temporary;
    const fs::path base = temporary.path().toStdString(), root = base / "mac";
    layoutSimulatedMac(root, BRENVOSS_SIMMAC_TOOL);
    const std::string server = BRENVOSS_VENDOR_SERVER, simmac = BRENVOSS_SIMMAC_CLI, tour = BRENVOSS_TOUR,
                      publish = BRENVOSS_PUBLISH, dev = BRENVOSS_SOURCE_DIR "/dev",
                      fuzz = BRENVOSS_SOURCE_DIR "/fuzz/run.sh",
                      osascript = macPathInRoot(root, "/usr/bin/osascript").string();
    const std::string missing = (base / "missing").string(), outside = (base / "outside").string();
    const std::string script = "do shell script \"", touch = script + "touch " + (base / "ran").string(),
                      with = " with administrator privileges", error = ": syntax error: Expected ";
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
        {simmac, {"-h"}, 0, "protect ROOT PATH"},
        {simmac, {"frobnicate"}, 2, "unknown command: frobnicate"},
        {simmac, {"authorization", missing, "allow"}, 1, "ROOT: '" + missing + "'"},
        {simmac, {"protect", root.string(), outside}, 1, "PATH: '" + outside + "'"},
        {tour, {"--help"}, 0, "--edition"},
        {tour, {"--edition", "Foo"}, 2, "--edition: 'Foo'"},
        {dev, {"--help"}, 0, "fresh-check"},
        {publish, {"check", "--help"}, 0, "keygen --private-key FILE"},
        {publish, {"make", "--source"}, 2, "--source needs a value"},
        {publish, {"sign", "a.json", "--days", "0", "--private-key", missing}, 2, "--days: a number of days"},
        {fuzz, {"-h"}, 0, "replay BUILD_DIR"},
        {osascript, {"-e", script + "printf 'it'\\\\''s \\\"a\\\" b\\\\c'\"" + with}, 0, "it's \"a\" b\\c"},
        {osascript, {"-e", touch + " '\\'' \"" + with}, 1, error + "“\"” but found unknown token. (-2741)"},
        {osascript, {"-e", touch + "\""}, 1, error},
        {osascript, {"-x", touch + "\"" + with}, 1, "usage: osascript -e"},
        // The whole of standard error: positions in UTF-16 units, one line ending dropped.
        {osascript,
         {"-e", script + "printf '\xC3\xA9\xF0\x9F\x98\x80\\\\n\\\\n' >&2; exit 3\"" + with},
         1,
         "0:78: execution error: \xC3\xA9\xF0\x9F\x98\x80\n (3)\n"},
    };
    for (const auto& c : cases) {
        QStringList arguments;
        for (const std::string& argument : c.arguments)
            arguments << QString::fromStdString(argument);
        SCOPED_TRACE(c.program + " " + arguments.join(u' ').toStdString());
        QProcess process;
        process.start(QString::fromStdString(c.program), arguments);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, c.exitCode);
        const QByteArray said =
            c.exitCode == 0 ? process.readAllStandardOutput() : process.readAllStandardError();
        if (c.says.ends_with('\n'))
            EXPECT_EQ(said.toStdString(), c.says);
        else
            EXPECT_TRUE(said.contains(QByteArray::fromStdString(c.says))) << said.toStdString();
    }
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(fs::exists(base / "ran"));
    EXPECT_TRUE(protectedPaths(root).empty());
}

} // namespace
