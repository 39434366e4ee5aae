#pragma once

#include "platform/MessageBoxes.h"

#include <QObject>
#include <QString>

#include <exception>
#include <utility>

namespace platform {

// Runs a handler; an exception stops it and is shown in the standard error box. What the
// handler did before the failure stays done. Returns false when the handler failed.
template <typename Fn> bool guarded(Fn &&fn)
{
    try {
        std::forward<Fn>(fn)();
        return true;
    } catch (const std::exception &e) {
        standardErrorBox(QString::fromUtf8(e.what()));
    } catch (...) {
        standardErrorBox(QStringLiteral("Неизвестная ошибка"));
    }
    return false;
}

// connect() for window handlers: the member function runs inside guarded(), so no exception
// crosses the event loop. The signal's arguments are dropped.
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection connectHandler(Sender *sender, Signal signal, Receiver *receiver, Handler handler)
{
    return QObject::connect(sender, signal, receiver,
                            [receiver, handler] { guarded([&] { (receiver->*handler)(); }); });
}

} // namespace platform
