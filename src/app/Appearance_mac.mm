#include "app/Appearance.h"

#import <AppKit/AppKit.h>

void forceLightAppearance()
{
    NSApp.appearance = [NSAppearance appearanceNamed:NSAppearanceNameAqua];
}
