#pragma once
// Idle threads lending a hand with another thread's loop. A thread with a loop of
// independent parts offers it to the share; the other members' queues are nudged,
// and a member that is waiting for its next message takes parts until none is left.
// The offering thread works through the parts too and returns once every part is
// done, so the loop's results are complete, and made exactly as on one thread,
// when Run returns. The frame workers of one render form such a share: a worker
// whose frame is done helps the one still making its frame.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class MessageQueue;

class WorkShare {
public:
    WorkShare() = default;
    WorkShare(const WorkShare&) = delete;
    WorkShare& operator=(const WorkShare&) = delete;

    // A member: its queue is nudged when a loop is offered (MessageQueue::SetIdle runs
    // Help on its thread). Members are added before any loop is offered.
    void AddMember(MessageQueue* queue);
    // True when some other member may lend a hand with the calling thread's loops.
    bool Helpers() const;
    // Runs part(0) ... part(parts - 1), each once, here and on members that help.
    // False when a part threw (the others still ran); the first such part's work is
    // then incomplete.
    bool Run(int32_t parts, const std::function<void(int32_t)>& part);
    // A member's turn while it waits: takes parts of the loops on offer until none is left.
    void Help();

private:
    struct Loop {
        const std::function<void(int32_t)>* part = nullptr;
        int32_t parts = 0;
        std::atomic<int32_t> next{0};
        std::atomic<bool> failed{false};
        int32_t helping = 0;  // members inside the loop, under m_lock
    };
    static void Work(Loop& loop);

    std::vector<MessageQueue*> m_members;
    mutable std::mutex m_lock;
    std::condition_variable m_left;  // a helper left a loop
    std::vector<Loop*> m_offers;
};

// The share the calling thread's loops may be split over; null when none.
WorkShare* current_work_share();

// Rows [0, rows) in bands of at least 32 rows, at most 32 of them, shared over the
// calling thread's share when another member may help: band(first, end, shared) for
// each, the bottom band (the highest rows) first. One band, band(0, rows, false), on
// this thread when there is no share, no helper or too few rows. False when a band
// threw, as Run.
bool run_row_bands(int32_t rows,
                   const std::function<void(int32_t first, int32_t end, bool shared)>& band);

// Makes `share` the calling thread's share, `own` being this thread's queue (not nudged
// by its own loops), until the scope ends.
class WorkShareScope {
public:
    WorkShareScope(WorkShare* share, MessageQueue* own);
    ~WorkShareScope();
    WorkShareScope(const WorkShareScope&) = delete;
    WorkShareScope& operator=(const WorkShareScope&) = delete;

private:
    WorkShare* m_share;
    MessageQueue* m_own;
};
