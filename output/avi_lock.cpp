#include "output/avi_lock.h"

#include <mutex>

namespace {

std::mutex g_lockMutex;
int g_users = 0;

}  // namespace

// FFmpeg needs no process-wide set-up or tear-down of its own (its registries are
// static and its calls reentrant on separate contexts), so the guard only counts;
// the first and the last user still show in the log through their callers.
int GetLock() {
    std::lock_guard<std::mutex> hold(g_lockMutex);
    return ++g_users;
}

int ReleaseLock() {
    std::lock_guard<std::mutex> hold(g_lockMutex);
    if (g_users == 0) return -1;
    return --g_users;
}

int avi_lock_users() {
    std::lock_guard<std::mutex> hold(g_lockMutex);
    return g_users;
}
