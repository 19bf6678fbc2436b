#include "app/Activation.h"

#include <QWidget>

void activateApplication(QWidget& window)
{
    window.raise();
    window.activateWindow();
}
