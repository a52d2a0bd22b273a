#pragma once
// The main dialog as the receiver of the control thread's window messages: a
// posted message becomes a queued call on the UI thread, a sent message a
// blocking-queued call (the sender waits until the dialog has handled it). Once
// closed, posts are refused and sends answer -1 at once.

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>

#include "base/message_queue.h"

class DialogTarget : public MessageTarget {
public:
    // `receiver` lives on the UI thread; `handler` runs there for every message.
    DialogTarget(QObject* receiver, MessageHandler handler);

    bool Post(uint32_t number, uintptr_t param) override;
    intptr_t Send(uint32_t number, uintptr_t param) override;
    // Takes no more messages.
    void Close() { m_closed = true; }

private:
    QPointer<QObject> m_receiver;
    MessageHandler m_handler;
    std::atomic<bool> m_closed{false};
};
