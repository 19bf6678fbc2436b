// The simulated Mac's tools must be as strict as the real ones: a script the
// app quotes wrongly fails here instead of running something else as root.
#include "simmac/SimulatedMac.h"
#include "vendorserver/VendorServer.h"

#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// Every command line of ours, and the simulated osascript's: --help goes to
// standard output with status 0; a wrong argument is named on standard error,
// and nothing is run or made from it. osascript decodes its string literal as
// the real one does and refuses, without running it, any other statement.
TEST(SimulatedTools, CommandLinesExplainThemselvesAndNameWhatWasWrong)
{
    QTemporaryDir temporary;
    const fs::path base = temporary.path().toStdString(), root = base / "mac";
    layoutSimulatedMac(root, BRENVOSS_SIMMAC_TOOL);
    const std::string server = BRENVOSS_VENDOR_SERVER, simmac = BRENVOSS_SIMMAC_CLI, tour = BRENVOSS_TOUR,
                      dev = BRENVOSS_SOURCE_DIR "/dev", fuzz = BRENVOSS_SOURCE_DIR "/fuzz/run.sh",
                      osascript = macPathInRoot(root, "/usr/bin/osascript").string();
    const std::string missing = (base / "missing").string(), outside = (base / "outside").string();
    const std::string ran = "touch " + (base / "ran").string(), script = "do shell script \"",
                      touch = script + ran, with = " with administrator privileges",
                      syntaxError = ": syntax error: Expected ";
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
        {osascript,
         {"-e", script + "printf 'it'\\\\''s \\\"hi\\\" back\\\\slash\ttab'\"" + with},
         0,
         "it's \"hi\" back\\slash\ttab"},
        {osascript,
         {"-e", touch + " '\\'' \"" + with},
         1,
         syntaxError + "“\"” but found unknown token. (-2741)\n"},
        {osascript, {"-e", touch + "\"" + with + " extra"}, 1, syntaxError},
        {osascript, {"-e", touch + "\""}, 1, syntaxError},
        {osascript, {"-e", touch}, 1, syntaxError},
        {osascript, {"-e", touch + "\"\"" + with}, 1, syntaxError},
        {osascript, {"-e", "run script \"" + ran + "\"" + with}, 1, syntaxError},
        {osascript, {"-x", touch + "\"" + with}, 1, "usage: osascript -e"},
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
        EXPECT_TRUE(said.contains(QByteArray::fromStdString(c.says))) << said.toStdString();
    }
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(fs::exists(base / "ran"));
    EXPECT_TRUE(protectedPaths(root).empty());
}

// The one fault of the vendor server that the fault matrix cannot see fail:
// a redirect that went nowhere would let the https-to-http rows pass unseen.
TEST(VendorServer, RedirectFaultAnswersWithTheLocation)
{
    VendorServer server("");
    ASSERT_TRUE(server.start());
    server.putFile("/a.json", "{}");
    server.setFault("/a.json", Fault{.redirectTo = "http://127.0.0.1:9/elsewhere"});
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(server.port()));
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write("GET /a.json HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(5000))
        answer += socket.readAll();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 302")) << answer.constData();
    EXPECT_TRUE(answer.contains("Location: http://127.0.0.1:9/elsewhere\r\n")) << answer.constData();
}

} // namespace
