#pragma once

#include <QVBoxLayout>
#include <QWidget>

// The plugin list's content: lines of cards laid out from the top edge down.
class PluginListStackView : public QWidget
{
    Q_OBJECT
public:
    explicit PluginListStackView(QWidget* parent = nullptr) : QWidget(parent), m_layout(new QVBoxLayout(this))
    {
        setObjectName(QStringLiteral("listStack"));
        m_layout->setAlignment(Qt::AlignTop);
    }

    QVBoxLayout* stackLayout() const { return m_layout; }

private:
    QVBoxLayout* m_layout;
};
