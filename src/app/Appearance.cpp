#include "app/Appearance.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

void forceLightAppearance()
{
    QStyle* fusion = QApplication::style();
    if (!fusion || fusion->name() != QLatin1String("fusion")) {
        fusion = QStyleFactory::create(QStringLiteral("Fusion"));
        if (!fusion)
            return;
        QApplication::setStyle(fusion); // the application takes ownership
    }
    // Fusion follows the desktop's colour scheme unless given its own palette,
    // and a desktop may have picked Fusion with a dark palette itself.
    const QPalette light = fusion->standardPalette();
    if (QApplication::palette() != light)
        QApplication::setPalette(light);
}
