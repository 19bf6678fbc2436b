#include "ShellHarness.h"

#include "FuzzCheck.h"
#include "install/ShellCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

// Quote, blank, command substitutions, backslash, double quote, a line break
// and a letter beyond ASCII: every one of them must survive as part of one word.
const char* const hostileRootName = "brenvoss fuzz 'mac' $(exit 7) `false` \\ \"\xc3\xa9\"\n-XXXXXX";

// `answer`, when given, is shell text the stub runs after logging: what the
// tool prints for the line to read back.
void writeStub(const QString& path, const char* tool, const char* answer = "")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write " + path.toStdString());
    file.write(QByteArray("#!/bin/sh\nprintf '%s\\0' ") + tool + " \"$@\" >>\"$BRENVOSS_FUZZ_LOG\"\n" +
               answer);
    file.close();
    FUZZ_CHECK(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string shown(const QList<QByteArray>& tokens)
{
    std::string text;
    for (const QByteArray& token : tokens)
        text += " " + fuzz::visible(token);
    return text;
}

} // namespace

ShellHarness::ShellHarness()
    : m_folder(QDir::tempPath() + QLatin1Char('/') + QString::fromUtf8(hostileRootName))
{
    FUZZ_CHECK(m_folder.isValid(),
               "cannot create the simulated Mac: " + m_folder.errorString().toStdString());
    m_root = SystemRoot(m_folder.path());
    writeStub(m_root.resolve(QStringLiteral("/usr/sbin/installer")), "installer");
    writeStub(m_root.resolve(QStringLiteral("/bin/rm")), "rm");
    writeStub(m_root.resolve(QStringLiteral("/usr/sbin/pkgutil")), "pkgutil");
    writeStub(m_root.resolve(QStringLiteral("/bin/cp")), "cp");
    writeStub(m_root.resolve(QStringLiteral("/usr/bin/mktemp")), "mktemp",
              "printf '%s\\n' \"$BRENVOSS_FUZZ_PRIVATE\"\n");
    writeStub(m_root.resolve(QStringLiteral("/usr/bin/shasum")), "shasum",
              "printf '%s  %s\\n' \"$BRENVOSS_FUZZ_DIGEST\" \"$3\"\n");
    // mktemp's answer: as hostile as the root, but it ends like a real one
    // (command substitution drops trailing line feeds).
    m_private = m_root.resolve(QStringLiteral("/private/tmp/brenvoss-install.q'u \"o\" $(t) `t` \\ \n.Zz9"));
    QDir().mkpath(m_folder.filePath(QStringLiteral("cwd")));
    m_log = m_folder.filePath(QStringLiteral("calls.log"));
    m_output = m_folder.filePath(QStringLiteral("output.txt"));
}

ShellHarness::Run ShellHarness::run(const QString& commandLine) const
{
    QFile log(m_log);
    FUZZ_CHECK(log.open(QIODevice::WriteOnly | QIODevice::Truncate));
    log.close();

    // Should quoting ever fail, whatever the input smuggled in finds no
    // programs (no PATH) and runs in a scratch folder.
    QByteArray command = commandLine.toUtf8();
    QByteArray logVariable = "BRENVOSS_FUZZ_LOG=" + QFile::encodeName(m_log);
    QByteArray pathVariable = "PATH=/nonexistent";
    QByteArray privateVariable = "BRENVOSS_FUZZ_PRIVATE=" + m_private.toUtf8();
    QByteArray digestVariable = QByteArray("BRENVOSS_FUZZ_DIGEST=") + fileDigest;
    std::vector<char*> environment;
    for (char** variable = environ; *variable; ++variable) {
        if (qstrncmp(*variable, "PATH=", 5) != 0 && qstrncmp(*variable, "BRENVOSS_FUZZ_", 14) != 0)
            environment.push_back(*variable);
    }
    environment.push_back(logVariable.data());
    environment.push_back(pathVariable.data());
    environment.push_back(privateVariable.data());
    environment.push_back(digestVariable.data());
    environment.push_back(nullptr);

    const QByteArray outputPath = QFile::encodeName(m_output);
    const QByteArray scratch = QFile::encodeName(m_folder.filePath(QStringLiteral("cwd")));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addchdir_np(&actions, scratch.constData());

    char shell[] = "sh";
    char dashC[] = "-c";
    char* arguments[] = {shell, dashC, command.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, "/bin/sh", &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    FUZZ_CHECK(spawned == 0, "cannot start /bin/sh");

    int waitStatus = 0;
    while (waitpid(pid, &waitStatus, 0) < 0)
        FUZZ_CHECK(errno == EINTR, "waitpid failed");

    Run result;
    result.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
    result.output = readAll(m_output);
    const QByteArray calls = readAll(m_log);
    qsizetype start = 0;
    while (start < calls.size()) {
        qsizetype end = calls.indexOf('\0', start);
        if (end < 0)
            end = calls.size();
        result.log.append(calls.mid(start, end - start));
        start = end + 1;
    }
    return result;
}

QStringList splitOnNul(const std::uint8_t* data, std::size_t size, qsizetype limit)
{
    QStringList strings;
    if (size == 0)
        return strings;
    const char* text = reinterpret_cast<const char*>(data);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size && strings.size() < limit; ++i) {
        if (i == size || text[i] == '\0') {
            strings.append(QString::fromUtf8(text + start, qsizetype(i - start)));
            start = i + 1;
        }
    }
    return strings;
}

std::optional<QString> decodeAppleScriptLiteral(QStringView body)
{
    QString text;
    text.reserve(body.size());
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body[i];
        if (c == u'"')
            return std::nullopt;
        if (c != u'\\') {
            text.append(c);
            continue;
        }
        if (++i == body.size() || (body[i] != u'\\' && body[i] != u'"'))
            return std::nullopt;
        text.append(body[i]);
    }
    return text;
}

void checkAppleScript(const QString& commandLine, const QStringList& texts)
{
    const QLatin1String opening("do shell script \"");
    const QLatin1String closing("\" with administrator privileges");
    const QString script = administratorScript(commandLine);
    FUZZ_CHECK(script.size() >= opening.size() + closing.size() && script.startsWith(opening) &&
                   script.endsWith(closing),
               "script shape: " + fuzz::visible(script));
    const std::optional<QString> decoded = decodeAppleScriptLiteral(
        QStringView(script).sliced(opening.size(), script.size() - opening.size() - closing.size()));
    FUZZ_CHECK(decoded == commandLine, "osascript would run something else: " + fuzz::visible(script));

    for (const QString& text : texts) {
        const QString escaped = appleScriptEscaped(text);
        FUZZ_CHECK(decodeAppleScriptLiteral(escaped) == text,
                   fuzz::visible(text) + " escaped as " + fuzz::visible(escaped));
    }
}

void checkCalls(const ShellHarness::Run& run, const QList<QByteArray>& expected, const QString& commandLine,
                int status)
{
    FUZZ_CHECK(run.log == expected && run.status == status,
               "command line " + fuzz::visible(commandLine) + "\nexit status " + std::to_string(run.status) +
                   "\nexpected" + shown(expected) + "\ngot     " + shown(run.log) + "\noutput " +
                   fuzz::visible(run.output));
}
