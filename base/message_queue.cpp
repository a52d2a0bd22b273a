#include "base/message_queue.h"

MessageQueue::~MessageQueue() {
    Close();
}

bool MessageQueue::Enqueue(Entry entry) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_closed) return false;
        m_entries.push_back(std::move(entry));
    }
    m_arrived.notify_one();
    return true;
}

bool MessageQueue::Post(uint32_t number, uintptr_t param) {
    return Enqueue(Entry{{number, param}, nullptr});
}

intptr_t MessageQueue::Send(uint32_t number, uintptr_t param) {
    auto reply = std::make_shared<Reply>();
    if (!Enqueue(Entry{{number, param}, reply})) return -1;
    std::unique_lock<std::mutex> hold(reply->lock);
    reply->ready.wait(hold, [&] { return reply->done; });
    return reply->answer;
}

void MessageQueue::Answer(Reply& reply, intptr_t answer) {
    {
        std::lock_guard<std::mutex> hold(reply.lock);
        reply.done = true;
        reply.answer = answer;
    }
    reply.ready.notify_all();
}

void MessageQueue::Handle(Entry& entry, const MessageHandler& handler) {
    const intptr_t answer = handler(entry.message);
    if (entry.reply) Answer(*entry.reply, answer);
}

void MessageQueue::Run(const MessageHandler& handler) {
    for (;;) {
        Entry entry;
        {
            std::unique_lock<std::mutex> hold(m_lock);
            m_arrived.wait(hold, [&] {
                return m_quit || m_closed || !m_entries.empty() || (m_nudged && m_idle);
            });
            if (m_quit || (m_closed && m_entries.empty())) {
                m_quit = false;
                return;
            }
            if (m_entries.empty()) {
                m_nudged = false;
                hold.unlock();
                m_idle();
                continue;
            }
            entry = std::move(m_entries.front());
            m_entries.pop_front();
        }
        Handle(entry, handler);
    }
}

int MessageQueue::RunPending(const MessageHandler& handler) {
    int handled = 0;
    for (;;) {
        Entry entry;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (m_entries.empty()) return handled;
            entry = std::move(m_entries.front());
            m_entries.pop_front();
        }
        Handle(entry, handler);
        ++handled;
    }
}

void MessageQueue::Quit() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_quit = true;
    }
    m_arrived.notify_all();
}

void MessageQueue::SetIdle(std::function<void()> idle) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_idle = std::move(idle);
}

void MessageQueue::Nudge() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_nudged = true;
    }
    m_arrived.notify_one();
}

void MessageQueue::Close() {
    std::deque<Entry> unhandled;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_closed = true;
        unhandled.swap(m_entries);
    }
    m_arrived.notify_all();
    for (Entry& entry : unhandled) {
        if (entry.reply) Answer(*entry.reply, -1);
    }
}
