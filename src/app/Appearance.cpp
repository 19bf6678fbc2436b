#include "app/Appearance.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

void forceLightAppearance()
{
    if (QApplication::style() && QApplication::style()->name() == QLatin1String("fusion"))
        return;
    QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    if (!fusion)
        return;
    QApplication::setStyle(fusion); // the application takes ownership
    // Fusion follows the desktop's colour scheme unless given its own palette.
    QApplication::setPalette(fusion->standardPalette());
}
