#include "ui/PluginCard.h"

#include "ui/ElidedText.h"
#include "ui/Fonts.h"
#include "ui/StyleSheet.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QLabel* makeMutedLabel(const QString& objectName, const QString& text, const QFont& font, const QColor& muted)
{
    auto* label = new QLabel(text);
    label->setObjectName(objectName);
    label->setFont(font);
    setTextColour(label, muted);
    return label;
}

// Every card slot ignores its content's preferred width, so the three slots
// share the line in equal thirds whatever the texts.
void makeSlot(QWidget* slot)
{
    slot->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

} // namespace

PluginCardStyle PluginCardStyle::withMuted(const QColor& muted)
{
    PluginCardStyle style{systemFont(13, QFont::DemiBold), systemFont(11, QFont::DemiBold),
                          systemFont(10, QFont::Medium), muted};
    style.formatsLineHeight = QFontMetrics(style.formatsFont).height();
    return style;
}

QString formatsLine(const QStringList& formats)
{
    return formats.join(QStringLiteral("  \u2022  "));
}

PluginCard buildPluginCard(const PluginComponent& component, const PluginCardStyle& style)
{
    // A button title treats "&" as a shortcut marker; a plugin's name is shown
    // as written.
    QString title = component.name;
    auto* checkbox = new QCheckBox(title.replace(QLatin1Char('&'), QStringLiteral("&&")));
    checkbox->setObjectName(QStringLiteral("componentCheckbox"));
    checkbox->setFont(style.checkboxFont);
    checkbox->setChecked(true);
    checkbox->setEnabled(true);
    elideText(checkbox);

    QLabel* status = makeMutedLabel(QStringLiteral("componentStatus"), QStringLiteral("Checking\u2026"),
                                    style.statusFont, style.muted);
    status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    status->setMinimumWidth(150);
    elideText(status, Qt::ElideRight);

    QLabel* formats = makeMutedLabel(QStringLiteral("componentFormats"), formatsLine(component.formats),
                                     style.formatsFont, style.muted);
    elideText(formats, Qt::ElideRight);
    formats->setMinimumHeight(style.formatsLineHeight);

    auto* card = new QWidget;
    card->setObjectName(QStringLiteral("pluginCard"));
    card->setAttribute(Qt::WA_StyledBackground);
    card->setAccessibleName(component.name);
    card->setFixedHeight(pluginCardHeight);
    makeSlot(card);

    auto* header = new QHBoxLayout;
    header->setSpacing(7);
    header->addWidget(checkbox);
    header->addStretch(1);
    header->addWidget(status);

    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(10, 7, 10, 7);
    column->setSpacing(3);
    column->addLayout(header);
    column->addWidget(formats);

    return PluginCard{card, checkbox, status};
}

QWidget* buildPluginListLine(const QList<QWidget*>& cards)
{
    auto* line = new QWidget;
    line->setObjectName(QStringLiteral("pluginListLine"));
    auto* slots = new QHBoxLayout(line);
    slots->setContentsMargins(0, 0, 0, 0);
    slots->setSpacing(7);
    for (int index = 0; index < 3; ++index) {
        QWidget* slot = index < cards.size() ? cards[index] : nullptr;
        if (!slot) {
            slot = new QWidget;
            slot->setObjectName(QStringLiteral("emptySlot"));
        }
        makeSlot(slot);
        slots->addWidget(slot, 1, Qt::AlignTop);
    }
    return line;
}
