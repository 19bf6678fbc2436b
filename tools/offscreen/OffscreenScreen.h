#pragma once

#include <QByteArray>
#include <QtGlobal>

// Qt's offscreen platform has one 800 x 600 screen unless told otherwise:
// smaller than the window, which would then be fitted to it. The tests, the
// tour and the benchmarks run on a 1920 x 1200 screen, where the window keeps
// its own size. Sets QT_QPA_PLATFORM to the offscreen platform with that screen
// when it is unset or plain "offscreen" (or always, with `force`); a platform
// chosen otherwise is left alone.
inline void useDesktopSizedOffscreenScreen(bool force = false)
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (force || platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" BRENVOSS_DESKTOP_SCREEN);
}
