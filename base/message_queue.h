#pragma once
// Messages between threads: a number and one parameter, delivered to the receiving
// thread in the order they were posted. Post never waits; Send waits until the
// receiver has handled the message and hands back the handler's answer. This is
// how the dialog, the render control thread and the frame workers talk.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// The first number of the system's own messages.
inline constexpr uint32_t kFirstUserMessage = 0x400;

struct ThreadMessage {
    uint32_t number = 0;
    uintptr_t param = 0;
};

// Whatever can receive messages: a thread's queue, or a front end's window.
class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    // Queues the message; false when the receiver takes no more messages.
    virtual bool Post(uint32_t number, uintptr_t param) = 0;
    // Queues the message and waits until it has been handled: the handler's answer,
    // or -1 when the receiver takes no more messages (or ended without handling it).
    virtual intptr_t Send(uint32_t number, uintptr_t param) = 0;
};

// Handles one message; its answer goes back to a sender.
using MessageHandler = std::function<intptr_t(const ThreadMessage& message)>;

// The queue of one receiving thread.
class MessageQueue : public MessageTarget {
public:
    MessageQueue() = default;
    ~MessageQueue() override;
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    bool Post(uint32_t number, uintptr_t param) override;
    intptr_t Send(uint32_t number, uintptr_t param) override;

    // The receiver's loop: waits for each message in turn and hands it to
    // `handler`, until Quit is called (from the handler or elsewhere) or the queue
    // is closed. Messages still queued then stay for a later loop.
    void Run(const MessageHandler& handler);
    // Handles what is queued now without waiting; the number handled.
    int RunPending(const MessageHandler& handler);
    // Ends the running loop after the message being handled.
    void Quit();
    // What the receiver does when nudged while no message waits (set before Run):
    // a thread that waits for work can lend a hand elsewhere meanwhile.
    void SetIdle(std::function<void()> idle);
    // Has the receiver's loop run its idle task once more, when no message waits.
    void Nudge();
    // Takes no more messages and drops those not handled yet; their senders get -1.
    void Close();

private:
    struct Reply {
        std::mutex lock;
        std::condition_variable ready;
        bool done = false;
        intptr_t answer = -1;
    };
    struct Entry {
        ThreadMessage message;
        std::shared_ptr<Reply> reply;  // for Send only
    };
    bool Enqueue(Entry entry);
    static void Answer(Reply& reply, intptr_t answer);
    void Handle(Entry& entry, const MessageHandler& handler);

    std::mutex m_lock;
    std::condition_variable m_arrived;
    std::deque<Entry> m_entries;
    bool m_closed = false;
    bool m_quit = false;
    bool m_nudged = false;
    std::function<void()> m_idle;
};
