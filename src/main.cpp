#include "app/AppDelegate.h"

#include <QApplication>
#include <QMetaObject>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    AppDelegate delegate(Environment::fromMachine(QCoreApplication::applicationDirPath()));
    delegate.attachTo(application);
    QMetaObject::invokeMethod(&delegate, &AppDelegate::applicationDidFinishLaunching, Qt::QueuedConnection);
    return application.exec();
}
