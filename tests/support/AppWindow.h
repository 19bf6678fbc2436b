#pragma once

#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"

#include <QImage>
#include <QList>
#include <QMessageBox>
#include <memory>

// A launched app: a delegate whose menu and window are built, over a
// private test world.
struct BuiltWindow
{
    explicit BuiltWindow(
        const InfoDictionary& info = TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/catalogue")),
        TestWorld testWorld = TestWorld());

    AppDelegate* operator->() const { return delegate.get(); }
    AppDelegate& operator*() const { return *delegate; }

    TestWorld world;
    std::unique_ptr<AppDelegate> delegate;
};

// Components "Plugin 1" … "Plugin <count>", slugs "plugin-1" …, formats AU and VST3.
PluginComponent testComponent(int number);
Manifest testManifest(int count, const QString& collectionVersion = QStringLiteral("3.4"));

// Lets posted layout requests and shows run.
void settle();

// How many pixels of `image` inside `area` have (about) `colour`.
int pixelsNear(const QImage& image, const QColor& colour, QRect area = {}, int tolerance = 6);
