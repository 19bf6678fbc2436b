#include "ui/FrameAutosave.h"

#include <QEvent>
#include <QSettings>
#include <QWidget>

FrameAutosave::FrameAutosave(QWidget* window, QString name, QString homeDirectory)
    : QObject(window), m_window(window), m_name(std::move(name)),
      m_settings(settingsPath(homeDirectory), QSettings::IniFormat)
{
    setObjectName(QStringLiteral("frameAutosave"));
    m_window->installEventFilter(this);
}

std::optional<QRect> FrameAutosave::savedGeometry() const
{
    // The file is outside input: coordinates no screen reaches are not a
    // frame, and would overflow the arithmetic that places the window.
    const QRect reach(-(1 << 24), -(1 << 24), 1 << 25, 1 << 25);
    const QVariant saved = m_settings.value(m_name);
    if (saved.typeId() != QMetaType::QRect || saved.toRect().isEmpty() || !reach.contains(saved.toRect()))
        return std::nullopt;
    return saved.toRect();
}

QString FrameAutosave::settingsPath(const QString& homeDirectory)
{
    return homeDirectory + QStringLiteral("/Library/Preferences/audio.brenvoss.tesselar.installer.ini");
}

bool FrameAutosave::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
        // Frames a window goes through before it is first shown are not the user's.
        if (m_window->isVisible())
            save();
        break;
    case QEvent::Close:
        save();
        break;
    default:
        break;
    }
    return false;
}

void FrameAutosave::save()
{
    m_settings.setValue(m_name, m_window->geometry());
}
