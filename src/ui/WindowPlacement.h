#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

// Where a window goes on a screen, as AppKit constrains a resizable window to
// its screen. `wanted` is the window's geometry (what lies inside the frame the
// platform draws), `frame` that frame's margins, `minimum` the smallest size
// the geometry may take, `available` the screen's area without menu bar and
// Dock. The framed window is made no larger than `available`, yet never
// smaller than `minimum`, then moved the least distance that puts it inside
// `available`. On a screen smaller than the minimum its top-left corner goes
// to the area's, so the title bar stays within reach. Returns the geometry.
QRect fitToScreen(const QRect& wanted, const QMargins& frame, const QSize& minimum, const QRect& available);
