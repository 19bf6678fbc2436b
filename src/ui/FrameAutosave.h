#pragma once

#include <QObject>
#include <QSettings>
#include <QString>

class QWidget;

// Remembers a window's frame between runs, as AppKit's frame autosave does:
// restores the frame saved under `name` (if any) when attached, and saves it
// whenever the window moves, is resized or closes. The settings file lies in
// the user's Library/Preferences under `homeDirectory`, so tests and the demo
// keep it in their own home. The object is named "frameAutosave"; deleting it
// stops the saving.
class FrameAutosave : public QObject
{
public:
    FrameAutosave(QWidget* window, QString name, QString homeDirectory);

    static QString settingsPath(const QString& homeDirectory);

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
