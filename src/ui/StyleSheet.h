#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

class QWidget;

// The colours the window is drawn in, for the style sheet and for the text
// colours set on widgets alike.
struct WindowPalette
{
    QColor paper, surface, ink, muted, burgundy;
    QColor upToDateGreen; // the status of a card that is up to date

    // The window's own colours.
    static WindowPalette brenvoss();
};

// The one application-wide style sheet: backgrounds, borders, corner radii and
// the filled buttons, keyed by object name so that no widget carries a sheet
// of its own (a sheet per card costs several times the time and memory of
// building the list). Text colours and fonts are not in it: they are set on
// the widgets, so that code refreshing a label's colour through its palette
// is never overridden by the sheet.
QString applicationStyleSheet(const WindowPalette& palette);

// `colour` at `alpha` as a style-sheet colour, "rgba(r, g, b, a)".
QString styleSheetColour(const QColor& colour, double alpha = 1.0);

// Sets the colour `role` of `widget`'s palette: text colours live in the
// palette, not in the style sheet.
void setTextColour(QWidget* widget, const QColor& colour, QPalette::ColorRole role = QPalette::WindowText);

// The dynamic property that gives a push button the primary (filled) style.
inline constexpr char primaryButtonProperty[] = "brenvossPrimary";
