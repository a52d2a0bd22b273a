#pragma once
// Pictures made ahead of the workers. A shot's first frame waits for its picture
// file to be decoded, and with several workers the other frames of the batch wait
// with it. This thread decodes the pictures a frame some way ahead will show, at a
// lower priority than the workers, and the frame that needs the picture then finds it
// in its scene.
//
// Every picture taken is held until the render has passed the frame it was taken
// for, and then given back: a picture the frames' scenes took meanwhile stays theirs,
// any other goes. At most two are held at a time, however short the shots ahead.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

struct CImageBuffer;
class CScenario;
class CScene;

class PictureAhead {
public:
    PictureAhead() = default;
    ~PictureAhead();
    PictureAhead(const PictureAhead&) = delete;
    PictureAhead& operator=(const PictureAhead&) = delete;

    // Starts the thread over a linked scenario; false when it cannot be started (the
    // render goes on without it).
    bool Start(CScenario* scenario);
    // The pictures of frame `ahead` are wanted, those that frame `now` (the last one
    // handed out) does not show: the workers have those already, or whatever their
    // scenes keep of them. An older wish not yet begun is dropped. Pictures taken for
    // frames up to `done` are given back.
    void Ask(int32_t ahead, int32_t now, int32_t done);
    // Ends the thread and gives back every picture it holds.
    void Stop();

private:
    struct Held {
        CScene* scene;
        CImageBuffer* image;
        int32_t frame;
    };

    // Pictures held at most: a cross-fade needs one new picture, a composition may
    // bring a few at once.
    static constexpr size_t kMostHeld = 2;

    void Run();
    // Takes the pictures of frame's picture files that `now` does not show and that
    // are not held yet.
    void TakePictures(int32_t frame, int32_t now);
    void GiveBack(std::vector<Held>& pictures);

    CScenario* m_scenario = nullptr;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake;
    // Guarded by m_lock.
    int32_t m_wanted = -1;  // the frame asked for and not begun yet, or -1
    int32_t m_now = -1;     // the last frame handed out when it was asked
    bool m_stop = false;
    std::vector<Held> m_held;
};
