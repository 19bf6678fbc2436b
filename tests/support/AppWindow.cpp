#include "support/AppWindow.h"

#include <QCoreApplication>
#include <QWidget>

BuiltWindow::BuiltWindow(const InfoDictionary& info, TestWorld testWorld)
    : world(std::move(testWorld)), delegate(std::make_unique<AppDelegate>(world.environment(info)))
{
    delegate->activeEdition = delegate->initialEdition;
    delegate->buildMainMenu();
    delegate->buildWindow();
    settle();
}

PluginComponent testComponent(int number)
{
    PluginComponent component;
    component.slug = QStringLiteral("plugin-%1").arg(number);
    component.name = QStringLiteral("Plugin %1").arg(number);
    component.packageId = QStringLiteral("audio.brenvoss.test.plugin-%1").arg(number);
    component.version = QStringLiteral("1.0.%1").arg(number);
    component.sha256 = QString(64, QLatin1Char('a'));
    component.sizeBytes = 1024;
    component.url = QUrl(QStringLiteral("http://127.0.0.1:1/plugin-%1.pkg").arg(number));
    component.formats = {QStringLiteral("AU"), QStringLiteral("VST3")};
    return component;
}

Manifest testManifest(int count, const QString& collectionVersion)
{
    Manifest manifest{QStringLiteral("Native"), collectionVersion, {}};
    for (int number = 1; number <= count; ++number)
        manifest.components.append(testComponent(number));
    return manifest;
}

void settle()
{
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

int pixelsNear(const QImage& image, const QColor& colour, QRect area, int tolerance)
{
    if (area.isNull())
        area = image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - colour.red()) <= tolerance &&
                qAbs(pixel.green() - colour.green()) <= tolerance &&
                qAbs(pixel.blue() - colour.blue()) <= tolerance)
                ++count;
        }
    }
    return count;
}
