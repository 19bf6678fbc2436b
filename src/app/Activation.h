#pragma once

class QWidget;

// Brings the application to the front with `window` as its active window.
// On macOS that activates the application itself, whatever else is in front.
void activateApplication(QWidget& window);
