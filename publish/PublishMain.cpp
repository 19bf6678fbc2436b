// brenvoss-publish: makes, checks and signs the vendor's catalogues and the
// installer-release document, with the app's own decoders and rules.
#include "catalogue/CatalogueSignature.h"
#include "catalogue/ManifestLocation.h"
#include "install/DownloadRequest.h"
#include "install/Sha256.h"
#include "platform/UrlSession.h"
#include "publish/CatalogueSigning.h"
#include "publish/CatalogueSource.h"
#include "publish/CatalogueWriter.h"
#include "update/InstallerRelease.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>
#include <QTemporaryDir>
#include <cstdio>
#include <future>
#include <nlohmann/json.hpp>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 maximumDocumentBytes = 64 * 1024 * 1024; // as the app's catalogue load
constexpr int documentTimeoutSeconds = 30;
constexpr int packageTimeoutSeconds = 300; // as the app's package downloads

const char* const usageText =
    "usage: brenvoss-publish COMMAND [OPTIONS]\n"
    "\n"
    "  make --source FILE --packages DIR --base-url URL [--output DIR] [--allow-http] [--json]\n"
    "      write <Edition>.json into DIR (default: the current folder) from the source file and\n"
    "      the packages in DIR, published under URL; refuses what the app would refuse\n"
    "  check CATALOGUE [--packages DIR] [--online] [--key KEY] [--allow-http] [--json]\n"
    "      CATALOGUE is a file or an http(s) address. Decodes it as the app does and applies the\n"
    "      rules of make; --packages re-hashes the packages in DIR; --online downloads every\n"
    "      package as the app does and checks its status, size and digest; --key verifies\n"
    "      CATALOGUE.sig with the public key KEY (the BrenvossCatalogueKey value)\n"
    "  release --version V --native-url URL --dsp-url URL [--output FILE]\n"
    "      write installer-latest.json (default: in the current folder) and check it\n"
    "  release --check DOCUMENT\n"
    "      check an installer-release document (a file or an http(s) address)\n"
    "  keygen --private-key FILE\n"
    "      make an Ed25519 key pair: the private key into FILE (new, mode 0600), the public key\n"
    "      on standard output as one line, the value of BrenvossCatalogueKey\n"
    "  sign CATALOGUE --private-key FILE [--edition E] [--days N]\n"
    "      write CATALOGUE.sig, valid for N days (default 30) from now, for the edition E\n"
    "      (default: the catalogue's own)\n"
    "  -h, --help\n"
    "      print this help\n"
    "\n"
    "Exit status: 0 clean, 1 findings or a failure, 2 a wrong command line.\n";

struct UsageError
{
    QString problem;
};

// The command line after the command: positional arguments, options with a
// value and flags, each checked against what the command takes.
struct Arguments
{
    QStringList positional;
    QMap<QString, QString> values;
    QSet<QString> flags;

    static Arguments parse(const QStringList& words, const QStringList& valueOptions,
                           const QStringList& flagOptions)
    {
        Arguments parsed;
        for (qsizetype i = 0; i < words.size(); ++i) {
            const QString& word = words[i];
            if (!word.startsWith(u"--"_s)) {
                parsed.positional.append(word);
            } else if (flagOptions.contains(word)) {
                parsed.flags.insert(word);
            } else if (valueOptions.contains(word)) {
                if (i + 1 >= words.size())
                    throw UsageError{word + u" needs a value"_s};
                parsed.values.insert(word, words[++i]);
            } else {
                throw UsageError{u"unknown option '"_s + word + u'\''};
            }
        }
        return parsed;
    }
    QString required(const QString& option) const
    {
        if (!values.contains(option))
            throw UsageError{option + u" is needed"_s};
        return values.value(option);
    }
    QString single(const char* what) const
    {
        if (positional.size() != 1)
            throw UsageError{u"one "_s + QLatin1String(what) + u" is needed"_s};
        return positional.first();
    }
};

void print(FILE* stream, const QString& line)
{
    std::fputs((line + u'\n').toUtf8().constData(), stream);
    std::fflush(stream);
}

bool isAddress(const QString& target)
{
    return target.startsWith(u"http://"_s) || target.startsWith(u"https://"_s);
}

// A document from a file or an address, or the sentence saying why not.
Result<QByteArray> readDocument(UrlSession& session, const QString& target, qint64 maximumBytes)
{
    if (!isAddress(target)) {
        QFile file(target);
        if (!file.open(QIODevice::ReadOnly))
            return Error{u"File"_s, 1, target + u": "_s + file.errorString()};
        if (file.size() > maximumBytes)
            return Error{u"File"_s, 1, target + u": larger than the app reads."_s};
        return file.readAll();
    }
    std::promise<HttpResponse> answer;
    session.dataTask(UrlSession::uncachedRequest(QUrl(target, QUrl::StrictMode), documentTimeoutSeconds),
                     maximumBytes,
                     [&answer](HttpResponse response) { answer.set_value(std::move(response)); });
    HttpResponse response = answer.get_future().get();
    if (response.transportError)
        return Error{u"Network"_s, 1, target + u": "_s + response.transportError->description};
    if (response.bodyTooLarge)
        return Error{u"Network"_s, 1, target + u": larger than the app reads."_s};
    if (!response.succeeded())
        return Error{u"Network"_s, 1,
                     target + u": the server answered %1."_s.arg(response.statusCode.value_or(0))};
    return std::move(response.body);
}

QString sizeText(qint64 bytes)
{
    if (bytes < 1024)
        return u"%1 B"_s.arg(bytes);
    if (bytes < 1024 * 1024)
        return u"%1 KiB"_s.arg(double(bytes) / 1024, 0, 'f', 1);
    return u"%1 MiB"_s.arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
}

// Prints the findings and a summary, one line each, or the same as JSON.
int report(const QList<Finding>& findings, bool asJson, const QString& cleanLine)
{
    qsizetype errors = 0;
    for (const Finding& finding : findings)
        errors += finding.severity == Finding::Severity::error;
    const qsizetype warnings = findings.size() - errors;
    if (asJson) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Finding& f : findings)
            list.push_back({{"severity", f.severity == Finding::Severity::error ? "error" : "warning"},
                            {"rule", f.rule.toStdString()},
                            {"component", f.component.toStdString()},
                            {"message", f.message.toStdString()}});
        const nlohmann::ordered_json document = {
            {"findings", list}, {"errors", errors}, {"warnings", warnings}};
        print(stdout, QString::fromStdString(document.dump(2)));
    } else {
        for (const Finding& f : findings)
            print(stdout,
                  (f.severity == Finding::Severity::error ? u"error: "_s : u"warning: "_s) + f.message);
        print(stdout,
              findings.isEmpty() ? cleanLine : u"%1 error(s), %2 warning(s)"_s.arg(errors).arg(warnings));
    }
    return findings.isEmpty() ? 0 : 1;
}

// Downloads every package as the app does (its address with the digest as
// query item, no caches, 300 s) and checks status, size and digest; one
// progress line per package on standard error.
QList<Finding> checkOnline(UrlSession& session, const Manifest& manifest)
{
    QList<Finding> findings;
    QTemporaryDir folder;
    for (qsizetype i = 0; i < manifest.components.size(); ++i) {
        const PluginComponent& c = manifest.components[i];
        const std::optional<QUrl> url = packageDownloadURL(c.url, c.sha256);
        if (!url)
            continue; // already an error of the rules
        QElapsedTimer clock;
        clock.start();
        std::promise<DownloadResponse> answer;
        session.downloadTask(UrlSession::uncachedRequest(*url, packageTimeoutSeconds),
                             folder.filePath(QString::number(i) + u".pkg"_s),
                             [&answer](DownloadResponse response) { answer.set_value(std::move(response)); });
        const DownloadResponse response = answer.get_future().get();
        const qint64 size = response.file.isEmpty() ? 0 : QFileInfo(response.file).size();
        QString outcome = u"ok"_s;
        if (response.transportError) {
            outcome = u"failed"_s;
            findings.append(errorFinding(u"download"_s, &c,
                                         u"the download failed: "_s + response.transportError->description));
        } else if (!response.succeeded()) {
            outcome = u"HTTP %1"_s.arg(response.statusCode.value_or(0));
            findings.append(errorFinding(u"download-status"_s, &c,
                                         u"the server answered %1."_s.arg(*response.statusCode)));
        } else if (size != c.sizeBytes) {
            outcome = u"wrong size"_s;
            findings.append(errorFinding(
                u"download-size"_s, &c,
                u"the download is %1 bytes, not the catalogue's %2."_s.arg(size).arg(c.sizeBytes)));
        } else if (!digestsMatch(response.sha256, c.sha256)) {
            outcome = u"wrong digest"_s;
            findings.append(
                errorFinding(u"download-digest"_s, &c,
                             u"the download has the digest %1, not the catalogue's."_s.arg(response.sha256)));
        }
        if (!response.file.isEmpty())
            QFile::remove(response.file);
        print(stderr, u"[%1/%2] %3  %4  %5  %6 s"_s.arg(i + 1)
                          .arg(manifest.components.size())
                          .arg(c.slug, sizeText(size), outcome)
                          .arg(double(clock.elapsed()) / 1000, 0, 'f', 2));
    }
    return findings;
}

int make(const Arguments& args)
{
    if (!args.positional.isEmpty())
        throw UsageError{u"make takes no file names; use --source"_s};
    const QString sourcePath = args.required(u"--source"_s);
    const QUrl base(args.required(u"--base-url"_s), QUrl::StrictMode);
    if (!base.isValid() || base.host().isEmpty())
        throw UsageError{u"--base-url: not an address"_s};
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        print(stderr, u"brenvoss-publish: "_s + sourcePath + u": "_s + source.errorString());
        return 1;
    }
    const MadeCatalogue made = makeCatalogue(source.readAll(), args.required(u"--packages"_s), base,
                                             {args.flags.contains(u"--allow-http"_s)});
    const bool asJson = args.flags.contains(u"--json"_s);
    if (made.document.isEmpty())
        return report(made.findings, asJson, {});
    const Manifest manifest = decodeManifest(made.document).value();
    const QString output =
        QDir(args.values.value(u"--output"_s, u"."_s)).filePath(manifest.edition + u".json"_s);
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(made.document) != made.document.size() ||
        !file.commit()) {
        print(stderr, u"brenvoss-publish: "_s + output + u": "_s + file.errorString());
        return 1;
    }
    return report(made.findings, asJson,
                  u"wrote %1: %2 components, no findings"_s.arg(output).arg(manifest.components.size()));
}

int check(UrlSession& session, const Arguments& args)
{
    const QString target = args.single("catalogue");
    const bool asJson = args.flags.contains(u"--json"_s);
    const Result<QByteArray> bytes = readDocument(session, target, maximumDocumentBytes);
    if (!bytes) {
        print(stderr, u"brenvoss-publish: "_s + bytes.error().description);
        return 1;
    }
    const Result<Manifest> decoded = decodeManifest(bytes.value());
    if (!decoded) // the app's own sentence
        return report({errorFinding(u"decode"_s, nullptr, decoded.error().description)}, asJson, {});
    const Manifest& manifest = decoded.value();
    QList<Finding> findings = checkCatalogue(manifest, {args.flags.contains(u"--allow-http"_s)});
    if (args.values.contains(u"--packages"_s))
        findings += checkLocalPackages(manifest, args.values.value(u"--packages"_s));
    if (args.values.contains(u"--key"_s)) {
        const std::optional<QByteArray> key = cataloguePublicKey(args.values.value(u"--key"_s));
        if (!key)
            throw UsageError{u"--key: not a public key (base64 of 32 bytes)"_s};
        const QString sigTarget = isAddress(target)
                                      ? catalogueSignatureURL(QUrl(target, QUrl::StrictMode)).toString()
                                      : target + u".sig"_s;
        const Result<QByteArray> signature = readDocument(session, sigTarget, maximumSignatureFileBytes);
        const std::optional<Error> refused =
            !signature ? std::optional(signatureError(SignatureFault::missing))
                       : verifyCatalogueSignature(bytes.value(), signature.value(), manifest.edition, key,
                                                  QDateTime::currentDateTimeUtc());
        if (refused)
            findings.append(errorFinding(u"signature"_s, nullptr, refused->description));
    }
    if (args.flags.contains(u"--online"_s))
        findings += checkOnline(session, manifest);
    return report(findings, asJson, u"clean: %1 components, no findings"_s.arg(manifest.components.size()));
}

int release(UrlSession& session, const Arguments& args)
{
    QList<Finding> findings;
    Result<InstallerRelease> decoded = Error{};
    QString written;
    if (args.values.contains(u"--check"_s)) {
        const Result<QByteArray> bytes = readDocument(session, args.values.value(u"--check"_s), 1024 * 1024);
        if (!bytes) {
            print(stderr, u"brenvoss-publish: "_s + bytes.error().description);
            return 1;
        }
        decoded = decodeInstallerRelease(bytes.value());
    } else {
        const InstallerRelease release{args.required(u"--version"_s),
                                       QUrl(args.required(u"--native-url"_s), QUrl::StrictMode),
                                       QUrl(args.required(u"--dsp-url"_s), QUrl::StrictMode)};
        const QByteArray document = encodeInstallerRelease(release);
        decoded = decodeInstallerRelease(document);
        if (decoded) {
            written = args.values.value(u"--output"_s, u"installer-latest.json"_s);
            QSaveFile file(written);
            if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() ||
                !file.commit()) {
                print(stderr, u"brenvoss-publish: "_s + written + u": "_s + file.errorString());
                return 1;
            }
        }
    }
    if (!decoded)
        findings.append(errorFinding(u"decode"_s, nullptr, decoded.error().description));
    else if (!isComparableVersion(decoded->version))
        findings.append(errorFinding(
            u"version"_s, nullptr,
            u"the version \"%1\" is not numbers separated by dots, so installers cannot compare it."_s.arg(
                decoded->version)));
    return report(findings, false,
                  written.isEmpty() ? u"clean"_s : u"wrote "_s + written + u", no findings"_s);
}

int keygen(const Arguments& args)
{
    if (!args.positional.isEmpty())
        throw UsageError{u"keygen takes no file names; use --private-key"_s};
    const QString path = args.required(u"--private-key"_s);
    const Result<SigningKeyPair> pair = generateSigningKey();
    const Result<bool> written =
        pair ? writePrivateKeyFile(path, pair->privateKeyPem) : Result<bool>(pair.error());
    if (!written) {
        print(stderr, u"brenvoss-publish: "_s + written.error().description);
        return 1;
    }
    print(stderr, u"private key written to %1; keep it off the download server"_s.arg(path));
    print(stdout, QString::fromLatin1(pair->publicKey.toBase64()));
    return 0;
}

int sign(const Arguments& args)
{
    const QString target = args.single("catalogue file");
    bool daysOk = false;
    const int days = args.values.value(u"--days"_s, u"30"_s).toInt(&daysOk);
    if (!daysOk || days < 1 || days > 3660)
        throw UsageError{u"--days: a number of days from 1 to 3660"_s};
    QFile catalogue(target), key(args.required(u"--private-key"_s));
    if (!catalogue.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly)) {
        print(stderr, u"brenvoss-publish: "_s + (catalogue.isOpen() ? key : catalogue).fileName() + u": "_s +
                          (catalogue.isOpen() ? key : catalogue).errorString());
        return 1;
    }
    const QByteArray bytes = catalogue.readAll();
    // Only what the app can read is worth signing.
    const Result<Manifest> decoded = decodeManifest(bytes);
    if (!decoded)
        return report({errorFinding(u"decode"_s, nullptr, decoded.error().description)}, false, {});
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime signedAt = now.addMSecs(-now.time().msec()); // whole seconds, as the statement holds
    const Result<QByteArray> signature =
        signCatalogue(bytes, args.values.value(u"--edition"_s, decoded->edition), signedAt,
                      signedAt.addDays(days), key.readAll());
    QSaveFile file(target + u".sig"_s);
    if (!signature || !file.open(QIODevice::WriteOnly) ||
        file.write(signature.value()) != signature->size() || !file.commit()) {
        print(stderr,
              u"brenvoss-publish: "_s + (signature ? file.errorString() : signature.error().description));
        return 1;
    }
    print(stdout, u"wrote %1.sig, valid until %2"_s.arg(target, utcTimestamp(signedAt.addDays(days))));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList words = application.arguments().mid(1);
    if (words.isEmpty() || words.first() == u"-h"_s || words.first() == u"--help"_s ||
        words.contains(u"--help"_s)) {
        std::fputs(usageText, words.isEmpty() ? stderr : stdout);
        return words.isEmpty() ? 2 : 0;
    }
    const QString command = words.first();
    const QStringList rest = words.mid(1);
    try {
        UrlSession session;
        if (command == u"make"_s)
            return make(Arguments::parse(rest,
                                         {u"--source"_s, u"--packages"_s, u"--base-url"_s, u"--output"_s},
                                         {u"--allow-http"_s, u"--json"_s}));
        if (command == u"check"_s)
            return check(session, Arguments::parse(rest, {u"--packages"_s, u"--key"_s},
                                                   {u"--online"_s, u"--allow-http"_s, u"--json"_s}));
        if (command == u"release"_s) {
            const Arguments args = Arguments::parse(
                rest, {u"--version"_s, u"--native-url"_s, u"--dsp-url"_s, u"--output"_s, u"--check"_s}, {});
            if (!args.positional.isEmpty())
                throw UsageError{u"release takes no file names"_s};
            return release(session, args);
        }
        if (command == u"keygen"_s)
            return keygen(Arguments::parse(rest, {u"--private-key"_s}, {}));
        if (command == u"sign"_s)
            return sign(Arguments::parse(rest, {u"--private-key"_s, u"--edition"_s, u"--days"_s}, {}));
        throw UsageError{u"unknown command '"_s + command + u'\''};
    } catch (const UsageError& wrong) {
        print(stderr, u"brenvoss-publish: "_s + wrong.problem);
        std::fputs(usageText, stderr);
        return 2;
    }
}
