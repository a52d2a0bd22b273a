// Thread messages: order, sent messages waiting for their handler, closing.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/message_queue.h"

namespace {

TEST(MessageQueue, EachSendersMessagesArriveInOrderAndSendWaitsForTheHandler) {
    MessageQueue queue;
    constexpr int kSenders = 4;
    constexpr int kEach = 2000;
    std::vector<int> next(kSenders, 0);
    bool inOrder = true;
    std::atomic<int> handled{0};
    std::thread receiver([&] {
        queue.Run([&](const ThreadMessage& m) -> intptr_t {
            if (m.number == 0x401) {
                queue.Quit();
                return 0;
            }
            const int sender = static_cast<int>(m.number - 0x500);
            if (static_cast<int>(m.param) != next[static_cast<size_t>(sender)]++) inOrder = false;
            ++handled;
            return static_cast<intptr_t>(m.param) * 2;
        });
    });
    std::vector<std::thread> senders;
    std::atomic<bool> answersRight{true};
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&, s] {
            for (int i = 0; i < kEach; ++i) {
                const uint32_t number = 0x500 + static_cast<uint32_t>(s);
                if (i % 100 == 99) {
                    // A sent message returns only once handled, with the handler's answer.
                    const int before = handled.load();
                    if (queue.Send(number, static_cast<uintptr_t>(i)) != 2 * i)
                        answersRight = false;
                    if (handled.load() <= before) answersRight = false;
                } else {
                    ASSERT_TRUE(queue.Post(number, static_cast<uintptr_t>(i)));
                }
            }
        });
    }
    for (auto& sender : senders) sender.join();
    queue.Post(0x401, 0);
    receiver.join();
    EXPECT_TRUE(inOrder);
    EXPECT_TRUE(answersRight);
    EXPECT_EQ(handled, kSenders * kEach);
}

TEST(MessageQueue, ClosingReleasesSendersAndRefusesPosts) {
    MessageQueue queue;
    std::atomic<intptr_t> answer{0};
    std::thread sender([&] { answer = queue.Send(0x410, 7); });
    // Nobody runs the queue: whether the message was queued before the close or
    // refused after it, the sender is released with -1.
    queue.Close();
    sender.join();
    EXPECT_EQ(answer, -1);
    EXPECT_FALSE(queue.Post(0x410, 1));
    EXPECT_EQ(queue.Send(0x410, 1), -1);
}

}  // namespace
