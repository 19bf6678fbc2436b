#pragma once

#include <QByteArray>
#include <QString>

// A catalogue document of the first `count` (at most twelve) demo plugins.
// The names and format lists include long ones, so that shortened text shows
// in the pictures.
QByteArray demoCatalogue(int count, const QString& edition = QStringLiteral("Native"));
