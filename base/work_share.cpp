#include "base/work_share.h"

#include <algorithm>

#include "base/message_queue.h"

namespace {

thread_local WorkShare* t_share = nullptr;
thread_local MessageQueue* t_own = nullptr;

}  // namespace

WorkShare* current_work_share() {
    return t_share;
}

WorkShareScope::WorkShareScope(WorkShare* share, MessageQueue* own)
    : m_share(t_share), m_own(t_own) {
    t_share = share;
    t_own = own;
}

WorkShareScope::~WorkShareScope() {
    t_share = m_share;
    t_own = m_own;
}

void WorkShare::AddMember(MessageQueue* queue) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_members.push_back(queue);
}

bool WorkShare::Helpers() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return std::any_of(m_members.begin(), m_members.end(),
                       [](const MessageQueue* q) { return q != t_own; });
}

void WorkShare::Work(Loop& loop) {
    for (int32_t i = loop.next.fetch_add(1); i < loop.parts; i = loop.next.fetch_add(1)) {
        try {
            (*loop.part)(i);
        } catch (...) {
            // A part runs on whichever thread took it: the offering thread learns of it.
            loop.failed = true;
        }
    }
}

bool WorkShare::Run(int32_t parts, const std::function<void(int32_t)>& part) {
    Loop loop;
    loop.part = &part;
    loop.parts = parts;
    {
        // Nothing here allocates once the loop is on offer: an exception must not leave
        // it there after it has gone. (A queue's lock is never held while it takes this
        // one, so nudging under it is safe.)
        std::lock_guard<std::mutex> hold(m_lock);
        m_offers.push_back(&loop);
        for (MessageQueue* q : m_members)
            if (q != t_own) q->Nudge();
    }
    Work(loop);
    {
        // Taken off the offers, the loop gets no new helper; those inside finish the
        // parts they took before it ends.
        std::unique_lock<std::mutex> hold(m_lock);
        m_offers.erase(std::find(m_offers.begin(), m_offers.end(), &loop));
        m_left.wait(hold, [&] { return loop.helping == 0; });
    }
    return !loop.failed;
}

void WorkShare::Help() {
    for (;;) {
        Loop* loop = nullptr;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            for (Loop* offer : m_offers) {
                if (offer->next.load() < offer->parts) {
                    loop = offer;
                    ++loop->helping;
                    break;
                }
            }
        }
        if (!loop) return;
        Work(*loop);
        {
            std::lock_guard<std::mutex> hold(m_lock);
            --loop->helping;
        }
        m_left.notify_all();
    }
}

bool run_row_bands(int32_t rows,
                   const std::function<void(int32_t first, int32_t end, bool shared)>& band) {
    // Bands of 32 rows or more: a frame's last band, which the other worker cannot
    // share, is short (halving them from 64 cut the time a zoom spent on one worker by
    // about a fifth, and 16 cut nothing more), and a 1080-row scaled frame sums 31
    // boundary rows twice, about 1 % of the source rows of a 4000x3000 picture.
    constexpr int32_t kBandRows = 32;
    constexpr int32_t kMostBands = 32;
    WorkShare* share = current_work_share();
    const int32_t bands = share ? std::min(kMostBands, rows / kBandRows) : 1;
    if (bands <= 1 || !share->Helpers()) {
        band(0, rows, false);
        return true;
    }
    return share->Run(bands, [&](int32_t b) {
        band(static_cast<int32_t>(int64_t{rows} * (bands - 1 - b) / bands),
             static_cast<int32_t>(int64_t{rows} * (bands - b) / bands), true);
    });
}
