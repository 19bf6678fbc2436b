#pragma once

#include <QVBoxLayout>
#include <QWidget>

// The plugin list's content: lines of cards laid out from the top edge down
// (insets 10 above and below, 12 at the sides, 6 between lines). The scroll
// area keeps it as wide as its viewport and at least as tall; a short list
// stays at the top.
class PluginListStackView : public QWidget
{
    Q_OBJECT
public:
    explicit PluginListStackView(QWidget* parent = nullptr) : QWidget(parent), m_layout(new QVBoxLayout(this))
    {
        setObjectName(QStringLiteral("listStack"));
        setAttribute(Qt::WA_StyledBackground);
        m_layout->setContentsMargins(12, 10, 12, 10);
        m_layout->setSpacing(6);
        m_layout->setAlignment(Qt::AlignTop);
    }

    QVBoxLayout* stackLayout() const { return m_layout; }

private:
    QVBoxLayout* m_layout;
};
