#include "app/Activation.h"
#include "app/Appearance.h"

#import <AppKit/AppKit.h>
#include <QWidget>

void forceLightAppearance()
{
    NSApp.appearance = [NSAppearance appearanceNamed:NSAppearanceNameAqua];
}

void activateApplication(QWidget& window)
{
    window.raise();
    window.activateWindow();
    [NSApp activateIgnoringOtherApps:YES];
}
