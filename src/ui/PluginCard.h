#pragma once

#include "catalogue/Manifest.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class QCheckBox;
class QLabel;
class QWidget;

// What every card is drawn with, made once per list.
struct PluginCardStyle
{
    QFont checkboxFont, statusFont, formatsFont;
    QColor muted;
    int formatsLineHeight = 0; // kept by an empty formats line too, so cards line up

    static PluginCardStyle withMuted(const QColor& muted);
};

// One plugin's card: checkbox and status above the formats line.
struct PluginCard
{
    QWidget* card = nullptr;
    QCheckBox* checkbox = nullptr;
    QLabel* status = nullptr;
};

// The card of `component`: its checkbox on, "Checking…" as its status, its
// formats below. The card has no parent yet.
PluginCard buildPluginCard(const PluginComponent& component, const PluginCardStyle& style);

// The formats line: the words joined by two spaces, a bullet and two spaces.
QString formatsLine(const QStringList& formats);

// A line of the list: three equal slots holding up to three cards (the rest
// stay empty so every card keeps a third of the width).
QWidget* buildPluginListLine(const QList<QWidget*>& cards);

inline constexpr int pluginCardHeight = 48;
