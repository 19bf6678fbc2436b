// brenvoss-tour [--output DIR] [--manifest-base-url URL] [--edition Native|DSP]
// Renders the real window offscreen in each state and prints the paths of
// the pictures, one per line.
#include "OffscreenScreen.h"
#include "Tour.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    useDesktopSizedOffscreenScreen(true);
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders the Brenvoss Installer window to PNG files."));
    parser.addHelpOption();
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("Folder for the pictures."),
                                    QStringLiteral("DIR"),
                                    QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots"));
    const QCommandLineOption baseURL(
        QStringLiteral("manifest-base-url"),
        QStringLiteral("Catalogue server for the loaded state (default: the demo vendor)."),
        QStringLiteral("URL"));
    const QCommandLineOption edition(QStringLiteral("edition"), QStringLiteral("Native or DSP."),
                                     QStringLiteral("NAME"), QStringLiteral("Native"));
    parser.addOptions({output, baseURL, edition});
    // Usage errors name what was wrong and exit with status 2.
    const auto usageError = [&parser](const QString& problem) {
        std::fprintf(stderr, "brenvoss-tour: %s\n%s", qPrintable(problem), qPrintable(parser.helpText()));
        return 2;
    };
    if (!parser.parse(application.arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    if (parser.value(edition) != QLatin1String("Native") && parser.value(edition) != QLatin1String("DSP"))
        return usageError(QStringLiteral("--edition: '%1' is not Native or DSP").arg(parser.value(edition)));

    TourOptions options;
    options.outputDirectory = QDir(parser.value(output)).absolutePath();
    options.manifestBaseURL = parser.value(baseURL);
    options.edition = parser.value(edition);
    const QStringList pictures = runTour(options);
    if (pictures.isEmpty())
        return 1;
    for (const QString& path : pictures)
        std::printf("%s\n", qPrintable(path));
    return 0;
}
