#include "ui/StyleSheet.h"

#include <QWidget>

namespace {

QColor calibrated(double red, double green, double blue)
{
    return QColor::fromRgbF(float(red), float(green), float(blue));
}

} // namespace

WindowPalette WindowPalette::brenvoss()
{
    return WindowPalette{
        .paper = calibrated(0.961, 0.941, 0.902),
        .surface = calibrated(1.0, 0.992, 0.973),
        .ink = calibrated(0.09, 0.196, 0.227),
        .muted = calibrated(0.392, 0.447, 0.463),
        .burgundy = calibrated(0.557, 0.255, 0.251),
        .upToDateGreen = calibrated(0.2, 0.42, 0.35),
    };
}

QString styleSheetColour(const QColor& colour, double alpha)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(QString::number(alpha, 'g', 3));
}

QString applicationStyleSheet(const WindowPalette& palette)
{
    const QString paper = styleSheetColour(palette.paper);
    const QString surface = styleSheetColour(palette.surface);
    // Pressed and disabled filled buttons dim their title, as borderless
    // AppKit buttons do; the fill stays.
    const QString pressedTitle = styleSheetColour(palette.surface, 0.7);
    const QString disabledTitle = styleSheetColour(palette.surface, 0.45);

    QString sheet;
    sheet += QStringLiteral("QWidget#contentView { background-color: %1; }\n").arg(paper);
    // The frame paints the rounded list background; the viewport and the
    // list itself stay transparent so their square corners do not cover it.
    sheet += QStringLiteral("QScrollArea#pluginScrollView { background-color: %1; border: 1px solid %2;"
                            " border-radius: 12px; }\n")
                 .arg(surface, styleSheetColour(palette.ink, 0.14));
    sheet += QStringLiteral("QWidget#pluginScrollViewport, QWidget#listStack { background: transparent; }\n");
    sheet += QStringLiteral("QWidget#pluginCard { background-color: %1; border: 1px solid %2;"
                            " border-radius: 8px; }\n")
                 .arg(styleSheetColour(palette.paper, 0.42), styleSheetColour(palette.ink, 0.13));

    const auto filledButton = [&](const QString& selector, const QColor& fill) {
        sheet += QStringLiteral("%1 { background-color: %2; color: %3; border: none; border-radius: 8px;"
                                " padding: 0 12px; }\n")
                     .arg(selector, styleSheetColour(fill), surface);
        sheet += QStringLiteral("%1:pressed { color: %2; }\n").arg(selector, pressedTitle);
        sheet += QStringLiteral("%1:disabled { color: %2; }\n").arg(selector, disabledTitle);
    };
    filledButton(QStringLiteral("QPushButton[%1=\"true\"]").arg(QLatin1String(primaryButtonProperty)),
                 palette.ink);
    filledButton(QStringLiteral("QPushButton#uninstallButton"), palette.burgundy);
    return sheet;
}

void setTextColour(QWidget* widget, const QColor& colour, QPalette::ColorRole role)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}
