#pragma once

#include <QObject>
#include <QRect>
#include <QSettings>
#include <QString>
#include <optional>

class QWidget;

// Remembers a window's frame between runs, as AppKit's frame autosave does:
// saves the window's geometry under `name` whenever the window, once shown,
// moves, is resized or closes, and gives back what was saved (the window's
// owner places it: see fitToScreen). The geometry is kept as a plain
// rectangle, not as QWidget::saveGeometry's blob, whose restoring Qt versions
// adjust differently. The settings file lies in the user's Library/Preferences
// under `homeDirectory`, so tests and the demo keep it in their own home. The
// object is named "frameAutosave"; deleting it stops the saving.
class FrameAutosave : public QObject
{
public:
    FrameAutosave(QWidget* window, QString name, QString homeDirectory);

    static QString settingsPath(const QString& homeDirectory);
    // The geometry saved by an earlier run; nullopt when none was, or when
    // what is there is not a non-empty rectangle within any screen's reach.
    std::optional<QRect> savedGeometry() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void save();

    QWidget* m_window;
    QString m_name;
    // Kept open: it writes to disk when the event loop is idle and when the
    // window goes, not at every step of a drag.
    QSettings m_settings;
};
