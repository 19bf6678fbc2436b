#include "ui/ElidedText.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

// Reaches QCheckBox's protected initStyleOption(), so the checkbox is drawn
// exactly as the style would draw it, only with a shorter title.
struct CheckBoxAccess : QCheckBox
{
    using QCheckBox::initStyleOption;
};

bool paintElided(QLabel* label, Qt::TextElideMode mode)
{
    const int margin = label->margin();
    const QRect area = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    const QFontMetrics metrics = label->fontMetrics();
    const QString text = label->text();
    if (metrics.horizontalAdvance(text) <= area.width())
        return false; // fits: QLabel draws it itself
    QPainter painter(label);
    const Qt::Alignment alignment = QStyle::visualAlignment(label->layoutDirection(), label->alignment());
    label->style()->drawItemText(&painter, area, int(alignment), label->palette(), label->isEnabled(),
                                 metrics.elidedText(text, mode, area.width()), label->foregroundRole());
    return true;
}

bool paintElided(QCheckBox* checkbox)
{
    QStyleOptionButton option;
    (checkbox->*&CheckBoxAccess::initStyleOption)(&option);
    const QRect area = checkbox->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, checkbox);
    const QFontMetrics metrics = checkbox->fontMetrics();
    // Titles are mnemonic text ("&&" draws one "&"), measured and shortened as drawn.
    if (metrics.size(Qt::TextShowMnemonic, option.text).width() <= area.width())
        return false;
    option.text = metrics.elidedText(option.text, Qt::ElideRight, area.width(), Qt::TextShowMnemonic);
    QStylePainter painter(checkbox);
    painter.drawControl(QStyle::CE_CheckBox, option);
    return true;
}

// One filter per mode serves every widget: a card costs no extra object.
class ElidingFilter : public QObject
{
public:
    ElidingFilter(Qt::TextElideMode mode, QObject* parent) : QObject(parent), m_mode(mode) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        if (auto* checkbox = qobject_cast<QCheckBox*>(watched))
            return paintElided(checkbox);
        if (auto* label = qobject_cast<QLabel*>(watched))
            return paintElided(label, m_mode);
        return false;
    }

private:
    Qt::TextElideMode m_mode;
};

ElidingFilter* filterFor(Qt::TextElideMode mode)
{
    static QPointer<ElidingFilter> filters[4];
    const int index = int(mode) & 3;
    if (filters[index].isNull())
        filters[index] = new ElidingFilter(mode, QCoreApplication::instance());
    return filters[index];
}

} // namespace

void elideText(QLabel* label, Qt::TextElideMode mode)
{
    // Rich text would lay out differently from what we measure.
    label->setTextFormat(Qt::PlainText);
    // An explicit minimum replaces the whole-text minimum QLabel asks for;
    // a larger one set before (a card's 150) is kept.
    label->setMinimumWidth(qMax(label->minimumWidth(), 1));
    label->installEventFilter(filterFor(mode));
}

void elideText(QCheckBox* checkbox)
{
    const QFontMetrics metrics = checkbox->fontMetrics();
    QStyleOptionButton option;
    (checkbox->*&CheckBoxAccess::initStyleOption)(&option);
    const int indicator = checkbox->style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, checkbox) +
                          checkbox->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, checkbox);
    checkbox->setMinimumWidth(
        qMax(checkbox->minimumWidth(), indicator + metrics.horizontalAdvance(QChar(0x2026))));
    checkbox->installEventFilter(filterFor(Qt::ElideRight));
}
