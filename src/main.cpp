#include "app/AppDelegate.h"

#include <QApplication>
#include <QMetaObject>

#if BRENVOSS_TEST_HOOKS
#include "platform/TestHooks.h"
#endif

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    Environment environment = Environment::fromMachine(QCoreApplication::applicationDirPath());
#if BRENVOSS_TEST_HOOKS
    applyTestHooks(environment);
#endif
    AppDelegate delegate(std::move(environment));
    delegate.attachTo(application);
    QMetaObject::invokeMethod(&delegate, &AppDelegate::applicationDidFinishLaunching, Qt::QueuedConnection);
    return application.exec();
}
