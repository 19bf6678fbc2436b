#include "ToolsTestSupport.h"
#include "simmac/PackageFormat.h"
#include "simmac/SimulatedMac.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The tools as the app drives them: an osascript child whose script wraps a
// shell command line that names the simulated Mac's own tools.
class SimulatedTools : public ::testing::Test
{
protected:
    void SetUp() override { layoutSimulatedMac(root, BRENVOSS_SIMMAC_TOOL); }

    QString tool(const std::string& macPath) const
    {
        return QString::fromStdString(macPathInRoot(root, macPath).string());
    }

    static std::string quoted(const std::string& word)
    {
        std::string result = "'";
        for (char c : word)
            result += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return result + "'";
    }

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

    ToolRun administrator(const std::string& command) const
    {
        return runTool(tool("/usr/bin/osascript"), {QStringLiteral("-e"), script(command)});
    }

    std::string package(const std::string& name, const std::map<std::string, std::string>& files) const
    {
        const fs::path file = base / name;
        writeFileBytes(file, buildPackage("audio.brenvoss.tesselar.native.alpha", "1.0.0", files, "Alpha"));
        return file.string();
    }

    QTemporaryDir temporary;
    fs::path base = fs::path(temporary.path().toStdString());
    fs::path root = base / "mac";
};

TEST_F(SimulatedTools, OsascriptDecodesTheStringLiteral)
{
    // Single quotes, the shell's '\'' sequence, double quotes and backslashes
    // all survive the trip through the literal.
    for (const std::string text :
         {"plain", "it's", "say \"hi\"", "back\\slash", "both \\\" and '\\''", "tab\there"}) {
        const ToolRun run = administrator("printf '%s' " + quoted(text));
        EXPECT_EQ(run.exitCode, 0) << text << run.standardError.constData();
        EXPECT_EQ(run.standardOutput.toStdString(), text);
    }
}

TEST_F(SimulatedTools, OsascriptRefusesMalformedScriptsWithoutRunningThem)
{
    const std::string marker = (base / "ran").string();
    const std::string touch = "touch " + marker;
    const QString cases[] = {
        QString::fromStdString("do shell script \"" + touch +
                               " '\\'' \" with administrator privileges"), // \' unescaped
        QString::fromStdString("do shell script \"" + touch + "\" with administrator privileges extra"),
        QString::fromStdString("do shell script \"" + touch + "\""),
        QString::fromStdString("do shell script \"" + touch),
        QString::fromStdString("do shell script \"" + touch + "\"\" with administrator privileges"),
        QString::fromStdString("run script \"" + touch + "\" with administrator privileges"),
    };
    const QRegularExpression syntaxError(QStringLiteral("^\\d+:\\d+: syntax error: .+ \\(-2741\\)\n$"));
    for (const QString& text : cases) {
        const ToolRun run = runTool(tool("/usr/bin/osascript"), {QStringLiteral("-e"), text});
        EXPECT_EQ(run.exitCode, 1) << text.toStdString();
        EXPECT_TRUE(syntaxError.match(QString::fromUtf8(run.standardError)).hasMatch())
            << text.toStdString() << " -> " << run.standardError.constData();
    }
    EXPECT_FALSE(fs::exists(marker));

    for (const QStringList& arguments :
         {QStringList{}, QStringList{QStringLiteral("-e")}, QStringList{QStringLiteral("-x"), script("true")},
          QStringList{QStringLiteral("-e"), script("true"), QStringLiteral("more")}})
        EXPECT_EQ(runTool(tool("/usr/bin/osascript"), arguments).exitCode, 1);
}

TEST_F(SimulatedTools, OsascriptReportsAFailingCommandLikeTheRealOne)
{
    struct Case
    {
        std::string command;
        std::string text;
        int status;
    };
    const Case cases[] = {
        {"echo 'No such file' >&2; exit 7", "No such file", 7},
        {"printf 'two\\nlines\\n\\n' >&2; exit 1", "two\nlines", 1}, // trailing line feeds trimmed
        {"exit 3", "The command exited with a non-zero status.", 3},
    };
    for (const Case& c : cases) {
        const QString text = script(c.command);
        const ToolRun run = runTool(tool("/usr/bin/osascript"), {QStringLiteral("-e"), text});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.standardError.toStdString(), "0:" + std::to_string(text.size()) +
                                                       ": execution error: " + c.text + " (" +
                                                       std::to_string(c.status) + ")\n");
    }
}

TEST_F(SimulatedTools, CancelledAuthorisationRunsNothingUntilCleared)
{
    const std::string marker = (base / "ran").string();
    setAuthorizationAnswer(root, "cancel");
    const QString text = script("touch " + marker);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const ToolRun run = runTool(tool("/usr/bin/osascript"), {QStringLiteral("-e"), text});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.standardError.toStdString(),
                  "0:" + std::to_string(text.size()) + ": execution error: User canceled. (-128)\n");
    }
    EXPECT_FALSE(fs::exists(marker));

    setAuthorizationAnswer(root, "");
    EXPECT_EQ(runTool(tool("/usr/bin/osascript"), {QStringLiteral("-e"), text}).exitCode, 0);
    EXPECT_TRUE(fs::exists(marker));
}

TEST_F(SimulatedTools, InstallerExtractsThePayloadAndWritesTheReceipt)
{
    const std::string pkg = package(
        "it's here/alpha.pkg", {{"Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Info.plist", "<plist/>"}});
    // As the app writes it: the tool and the target inside the simulated root.
    const ToolRun run = administrator(quoted(tool("/usr/sbin/installer").toStdString()) + " -pkg " +
                                      quoted(pkg) + " -target " + quoted(root.string()));
    ASSERT_EQ(run.exitCode, 0) << run.standardError.constData();
    EXPECT_EQ(run.standardOutput, "installer: Package name is Alpha\ninstaller: Installing at base path /\n"
                                  "installer: The install was successful.\n");
    EXPECT_EQ(readFileBytes(root / "Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Info.plist"), "<plist/>");

    const ToolRun files =
        runTool(tool("/usr/sbin/pkgutil"),
                {QStringLiteral("--files"), QStringLiteral("audio.brenvoss.tesselar.native.alpha")});
    EXPECT_EQ(files.exitCode, 0);
    EXPECT_EQ(files.standardOutput,
              "Library\nLibrary/Audio\nLibrary/Audio/Plug-Ins\nLibrary/Audio/Plug-Ins/VST3\n"
              "Library/Audio/Plug-Ins/VST3/Alpha.vst3\n"
              "Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents\n"
              "Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Info.plist\n");

    // "-target /" means the simulated root too.
    EXPECT_EQ(runTool(tool("/usr/sbin/installer"), {QStringLiteral("-pkg"), QString::fromStdString(pkg),
                                                    QStringLiteral("-target"), QStringLiteral("/")})
                  .exitCode,
              0);
}

TEST_F(SimulatedTools, InstallerRejectsBrokenPackagesAndWritesNothing)
{
    const std::string missing = (base / "missing.pkg").string();
    const std::string broken = (base / "broken.pkg").string();
    writeFileBytes(broken, buildPackage("a.b", "1", {{"Library/x", "y"}}).substr(0, 700));
    for (const std::string& pkg : {missing, broken}) {
        const ToolRun run =
            runTool(tool("/usr/sbin/installer"), {QStringLiteral("-pkg"), QString::fromStdString(pkg),
                                                  QStringLiteral("-target"), QStringLiteral("/")});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.standardError.toStdString(),
                  "installer: Error - the package path specified was invalid: '" + pkg + "'.\n");
    }
    EXPECT_FALSE(fs::exists(root / "Library/x"));
    EXPECT_TRUE(receiptIdentifiers(root).empty());
    EXPECT_EQ(runTool(tool("/usr/sbin/installer"), {QStringLiteral("-pkg"), QString::fromStdString(broken)})
                  .exitCode,
              1);
}

TEST_F(SimulatedTools, PkgutilListsAndForgetsReceipts)
{
    writeReceipt(root, "audio.brenvoss.tesselar.native.alpha", {"Library/Audio/Plug-Ins/VST3/Alpha.vst3"});
    const QString id = QStringLiteral("audio.brenvoss.tesselar.native.alpha");
    EXPECT_EQ(runTool(tool("/usr/sbin/pkgutil"), {QStringLiteral("--files"), id}).standardOutput,
              "Library/Audio/Plug-Ins/VST3/Alpha.vst3\n");

    const ToolRun forget = runTool(tool("/usr/sbin/pkgutil"), {QStringLiteral("--forget"), id});
    EXPECT_EQ(forget.exitCode, 0);
    EXPECT_EQ(forget.standardOutput, "Forgot package 'audio.brenvoss.tesselar.native.alpha' on '/'.\n");
    EXPECT_FALSE(receiptExists(root, id.toStdString()));

    for (const QString& unknown : {id, QStringLiteral("../../etc/passwd")}) {
        for (const QString& command : {QStringLiteral("--files"), QStringLiteral("--forget")}) {
            const ToolRun run = runTool(tool("/usr/sbin/pkgutil"), {command, unknown});
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.standardError, "No receipt for '" + unknown.toUtf8() + "' found at '/'.\n");
            EXPECT_TRUE(run.standardOutput.isEmpty());
        }
    }
    EXPECT_EQ(runTool(tool("/usr/sbin/pkgutil"), {QStringLiteral("--bogus"), id}).exitCode, 1);
}

TEST_F(SimulatedTools, RmRefusesProtectedPathsAndRemovesTheRest)
{
    const fs::path guarded = installBundle(root, "/Library/Audio/Plug-Ins/VST3/Guarded.vst3", "1.0");
    const fs::path free = installBundle(root, "/Library/Audio/Plug-Ins/VST3/Free.vst3", "1.0");
    const fs::path other = installBundle(root, "/Library/Audio/Plug-Ins/Components/Other.component", "1.0");
    protectPath(root, guarded.string());

    const ToolRun run =
        administrator(quoted(tool("/bin/rm").toStdString()) + " -rf -- " + quoted(guarded.string()) + " " +
                      quoted(free.string()) + " " + quoted((guarded / "Contents").string()));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.standardError.indexOf("rm: " + QByteArray::fromStdString(guarded.string()) +
                                        ": Operation not permitted"),
              -1);
    EXPECT_TRUE(fs::exists(guarded / "Contents/Info.plist"));
    EXPECT_FALSE(fs::exists(free));

    // Removing a folder that holds a protected bundle takes everything else.
    const ToolRun parent = runTool(
        tool("/bin/rm"), {QStringLiteral("-rf"), QString::fromStdString((root / "Library").string())});
    EXPECT_EQ(parent.exitCode, 1);
    EXPECT_TRUE(fs::exists(guarded / "Contents/Info.plist"));
    EXPECT_FALSE(fs::exists(other));

    const ToolRun plain = runTool(
        tool("/bin/rm"), {QStringLiteral("-rf"), QString::fromStdString((base / "nothing").string())});
    EXPECT_EQ(plain.exitCode, 0);
}

} // namespace

namespace {

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
        const ToolRun run = runTool(QString::fromStdString(c.program), arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        const QByteArray& said = c.exitCode == 0 ? run.standardOutput : run.standardError;
        EXPECT_TRUE(said.contains(QByteArray::fromStdString(c.says))) << said.toStdString();
    }
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_TRUE(protectedPaths(root).empty());
}

} // namespace
