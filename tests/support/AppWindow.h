#pragma once

#include "app/AppDelegate.h"
#include "support/Alerts.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

// Lets posted layout requests and shows run.
inline void settle()
{
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

// A launched app over a private test world; controls found by object name.
struct BuiltWindow
{
    explicit BuiltWindow(
        const InfoDictionary& info = TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/c")),
        TestWorld testWorld = TestWorld())
        : world(std::move(testWorld)), delegate(std::make_unique<AppDelegate>(world.environment(info)))
    {
        delegate->openWindow();
        settle();
    }
    AppDelegate* operator->() const { return delegate.get(); }
    template <class T = QWidget> T* find(const char* name) const
    {
        return delegate->template control<T>(QLatin1String(name));
    }
    template <class T = QWidget> QList<T*> all(const char* name) const
    {
        return delegate->mainWindow()->findChildren<T*>(QLatin1String(name));
    }
    QRect frameOf(const QWidget* widget) const
    {
        return QRect(widget->mapTo(delegate->mainWindow(), QPoint(0, 0)), widget->size());
    }

    TestWorld world;
    std::unique_ptr<AppDelegate> delegate;
};

// The tests of a suite share one launched app; alerts left open are closed.
class LaunchedApp : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { shared = std::make_unique<BuiltWindow>(); }
    static void TearDownTestSuite() { shared.reset(); }
    void TearDown() override { dismissAlerts(); }

    static inline std::unique_ptr<BuiltWindow> shared;
    BuiltWindow& app = *shared;
};

// Components "Plugin 1" … "Plugin <count>", slugs "plugin-1" …, formats AU and VST3.
inline Manifest testManifest(int count, const QString& collectionVersion = QStringLiteral("3.4"))
{
    Manifest manifest{QStringLiteral("Native"), collectionVersion, {}};
    for (int n = 1; n <= count; ++n) {
        PluginComponent& component = manifest.components.emplace_back();
        component.slug = QStringLiteral("plugin-%1").arg(n);
        component.name = QStringLiteral("Plugin %1").arg(n);
        component.formats = {QStringLiteral("AU"), QStringLiteral("VST3")};
    }
    return manifest;
}

// How many pixels of `image` inside `area` are within `tolerance` of `colour` in each channel.
inline int pixelsNear(const QImage& image, const QColor& colour, QRect area, int tolerance = 6)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += std::max({qAbs(image.pixelColor(x, y).red() - colour.red()),
                               qAbs(image.pixelColor(x, y).green() - colour.green()),
                               qAbs(image.pixelColor(x, y).blue() - colour.blue())}) <= tolerance;
    return count;
}
