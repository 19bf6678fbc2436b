#include "ui/WindowPlacement.h"

QRect fitToScreen(const QRect& wanted, const QMargins& frame, const QSize& minimum, const QRect& available)
{
    const QSize size = wanted.size().boundedTo(available.size().shrunkBy(frame)).expandedTo(minimum);
    QRect framed(wanted.topLeft() - QPoint(frame.left(), frame.top()), size.grownBy(frame));
    // Right and bottom first, so that a frame larger than the area ends at
    // its top-left corner.
    if (framed.right() > available.right())
        framed.moveRight(available.right());
    if (framed.bottom() > available.bottom())
        framed.moveBottom(available.bottom());
    if (framed.left() < available.left())
        framed.moveLeft(available.left());
    if (framed.top() < available.top())
        framed.moveTop(available.top());
    return QRect(framed.topLeft() + QPoint(frame.left(), frame.top()), size);
}
