#include "output/clip_keep.h"

#include <deque>
#include <mutex>
#include <string>
#include <utility>

namespace {

struct ParkedClip {
    std::string path;
    std::unique_ptr<VideoClip> clip;
};

std::mutex g_parkMutex;
std::deque<ParkedClip> g_parked;  // newest first

}  // namespace

void park_clip(const std::string& path, std::unique_ptr<VideoClip> clip) {
    if (!clip) return;
    std::deque<ParkedClip> closing;  // closed outside the lock
    {
        std::lock_guard<std::mutex> hold(g_parkMutex);
        g_parked.push_front(ParkedClip{path, std::move(clip)});
        while (g_parked.size() > size_t{kParkedClips}) {
            closing.push_back(std::move(g_parked.back()));
            g_parked.pop_back();
        }
    }
}

std::unique_ptr<VideoClip> take_parked_clip(const std::string& path) {
    std::unique_ptr<VideoClip> found;
    {
        std::lock_guard<std::mutex> hold(g_parkMutex);
        for (auto at = g_parked.begin(); at != g_parked.end(); ++at) {
            if (at->path == path) {
                found = std::move(at->clip);
                g_parked.erase(at);
                break;
            }
        }
    }
    if (found && !found->SameFileAs(path)) found.reset();
    return found;
}

void drop_parked_clips() {
    std::deque<ParkedClip> closing;
    std::lock_guard<std::mutex> hold(g_parkMutex);
    closing.swap(g_parked);
}
