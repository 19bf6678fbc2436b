#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <utility>

// Hands work from a background thread to the main thread. The work runs only
// if `receiver` still exists when the main thread gets to it; the background
// side never dereferences `receiver`.
template <typename Receiver, typename Work> void runOnMain(QPointer<Receiver> receiver, Work work)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [receiver = std::move(receiver), work = std::move(work)]() mutable {
            if (Receiver* r = receiver.data())
                work(*r);
        },
        Qt::QueuedConnection);
}
