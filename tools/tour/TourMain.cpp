// brenvoss-tour --output DIR [--manifest-base-url URL] [--edition NAME]
// Renders the real window offscreen in each state and prints the paths of
// the pictures, one per line.
#include "Tour.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
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
        QStringLiteral("Catalogue server for the loaded state (default: built in)."), QStringLiteral("URL"));
    const QCommandLineOption edition(QStringLiteral("edition"), QStringLiteral("Native or DSP."),
                                     QStringLiteral("NAME"), QStringLiteral("Native"));
    parser.addOptions({output, baseURL, edition});
    parser.process(application);

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
