#pragma once
// Members of a work share for tests: a thread each, looping on its own queue and
// helping with the others' loops while it waits. A kOffer message has the member
// call `offer` with the message's parameter.

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "base/message_queue.h"
#include "base/work_share.h"

struct ShareMembers {
    static constexpr uint32_t kQuit = 0x401;
    static constexpr uint32_t kOffer = 0x402;

    explicit ShareMembers(int count, std::function<void(uintptr_t)> offer = {}) {
        for (int i = 0; i < count; ++i) queues.push_back(std::make_unique<MessageQueue>());
        for (auto& owned : queues) {
            MessageQueue* queue = owned.get();
            queue->SetIdle([this] { share.Help(); });
            threads.emplace_back([this, queue, offer] {
                WorkShareScope scope(&share, queue);
                queue->Run([&](const ThreadMessage& m) -> intptr_t {
                    if (m.number == kQuit) queue->Quit();
                    if (m.number == kOffer && offer) offer(m.param);
                    return 0;
                });
            });
            share.AddMember(queue);
        }
    }
    ~ShareMembers() {
        for (auto& queue : queues) queue->Post(kQuit, 0);
        for (auto& thread : threads) thread.join();
    }
    WorkShare share;
    std::vector<std::unique_ptr<MessageQueue>> queues;
    std::vector<std::thread> threads;
};
