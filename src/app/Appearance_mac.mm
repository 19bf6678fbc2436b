#include "app/Activation.h"
#include "app/Appearance.h"

#include <QWidget>

#import <AppKit/AppKit.h>

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
