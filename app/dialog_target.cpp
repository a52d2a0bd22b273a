#include "app/dialog_target.h"

#include <QMetaObject>
#include <QThread>

DialogTarget::DialogTarget(QObject* receiver, MessageHandler handler)
    : m_receiver(receiver), m_handler(std::move(handler)) {}

bool DialogTarget::Post(uint32_t number, uintptr_t param) {
    QObject* receiver = m_receiver.data();
    if (m_closed || !receiver) return false;
    const ThreadMessage message{number, param};
    return QMetaObject::invokeMethod(
        receiver,
        [this, message] {
            if (!m_closed) m_handler(message);
        },
        Qt::QueuedConnection);
}

intptr_t DialogTarget::Send(uint32_t number, uintptr_t param) {
    QObject* receiver = m_receiver.data();
    if (m_closed || !receiver) return -1;
    const ThreadMessage message{number, param};
    if (QThread::currentThread() == receiver->thread()) return m_handler(message);
    // A call dropped unhandled (its receiver gone) releases the sender with -1.
    intptr_t answer = -1;
    QMetaObject::invokeMethod(
        receiver,
        [this, message, &answer] {
            if (!m_closed) answer = m_handler(message);
        },
        Qt::BlockingQueuedConnection);
    return answer;
}
