// Loops shared out among the members of a work share: every part runs once, a member
// waiting for messages takes the parts the offering thread has not reached, a part
// that throws fails only its own loop, and a thread alone runs its loop itself.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/message_queue.h"
#include "base/tests/threads/share_members.h"
#include "base/work_share.h"

namespace {

constexpr uint32_t kQuit = ShareMembers::kQuit;
constexpr uint32_t kOffer = ShareMembers::kOffer;

TEST(WorkShare, IdleMembersTakeThePartsTheOfferingThreadHasNotReached) {
    // Whichever thread takes the first part is held there until another thread has
    // run the second: the two parts ran on two threads, so a helper took one.
    std::mutex lock;
    std::condition_variable changed;
    std::thread::id second_ran_on;
    bool held_until_helped = false;
    std::atomic<bool> done{false};
    {
        ShareMembers members(3, [&](uintptr_t) {
            WorkShare* share = current_work_share();
            EXPECT_TRUE(share->Helpers());
            const bool ran = share->Run(2, [&](int32_t part) {
                std::unique_lock<std::mutex> hold(lock);
                if (part == 1) {
                    second_ran_on = std::this_thread::get_id();
                    changed.notify_all();
                    return;
                }
                held_until_helped = changed.wait_for(hold, std::chrono::seconds(20), [&] {
                    return second_ran_on != std::thread::id{};
                }) && second_ran_on != std::this_thread::get_id();
            });
            EXPECT_TRUE(ran);
            done = true;
        });
        members.queues[0]->Post(kOffer, 0);
        while (!done) std::this_thread::yield();
    }
    EXPECT_TRUE(held_until_helped);
}

TEST(WorkShare, EveryPartOnceWhileMembersOfferLoopsAtOnce) {
    constexpr int kMembers = 4;
    constexpr int kLoops = 200;
    constexpr int32_t kParts = 37;
    std::vector<std::atomic<int>> runs(static_cast<size_t>(kLoops * kParts));
    std::atomic<int> loops_done{0};
    std::atomic<int> failures{0};
    {
        ShareMembers members(kMembers, [&](uintptr_t loop) {
            // Loop 7's part 3 throws: its loop fails, the others' parts all run.
            const bool ran = current_work_share()->Run(kParts, [&](int32_t part) {
                ++runs[loop * kParts + static_cast<size_t>(part)];
                if (loop == 7 && part == 3) throw std::runtime_error("part failed");
            });
            if (ran != (loop != 7)) ++failures;
            ++loops_done;
        });
        for (int loop = 0; loop < kLoops; ++loop)
            members.queues[static_cast<size_t>(loop % kMembers)]->Post(
                kOffer, static_cast<uintptr_t>(loop));
        while (loops_done < kLoops) std::this_thread::yield();
    }
    EXPECT_EQ(failures, 0);
    for (size_t i = 0; i < runs.size(); ++i) ASSERT_EQ(runs[i], 1) << i;
}

TEST(WorkShare, ALoneThreadRunsItsLoopItselfAndANudgeWithoutIdleTaskChangesNothing) {
    WorkShare share;
    MessageQueue own;
    share.AddMember(&own);
    WorkShareScope scope(&share, &own);
    EXPECT_EQ(current_work_share(), &share);
    EXPECT_FALSE(share.Helpers());
    std::vector<int> order;
    EXPECT_TRUE(share.Run(3, [&](int32_t part) { order.push_back(part); }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));

    // A queue without an idle task still hands over its messages after a nudge.
    MessageQueue plain;
    plain.Nudge();
    plain.Post(kQuit, 0);
    int handled = 0;
    plain.Run([&](const ThreadMessage&) -> intptr_t {
        ++handled;
        plain.Quit();
        return 0;
    });
    EXPECT_EQ(handled, 1);
}

}  // namespace
