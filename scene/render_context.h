#pragma once
// What a frame request carries of the render worker that makes it. The render
// engine fills one per worker; scenes only read it.

#include <cstdint>
#include <vector>

class CScene;

// The music's loudness in percent (0 to 100), one value per frame.
using AudioLevelTrack = std::vector<int32_t>;

struct RenderContext {
    int32_t frameCount = 0;                       // frames the track covers
    const AudioLevelTrack* levelTrack = nullptr;  // none without music
    // The render asks every frameStep-th frame (a preview); a scene's last frame may then
    // never be asked, and one within frameStep - 1 of it is the last its run gets.
    int32_t frameStep = 1;
    // The scene whose image the document turns into its 24-bit hand-over form (image
    // mode 32): that scene may make a new image in that form at once (24-bit with an
    // alpha plane), saving the document a pass over the frame. A scene that hands its
    // input's image on unchanged passes the offer on to that input's scene; no other
    // scene sees itself named, so images a scene composes stay in the working layout.
    const CScene* handOverScene = nullptr;

    // The level of `frame`; 0 without a track and at or beyond the frame count.
    int32_t MusicLevel(int32_t frame) const {
        if (!levelTrack || frame < 0 || frame >= frameCount) return 0;
        if (static_cast<size_t>(frame) >= levelTrack->size()) return 0;
        return (*levelTrack)[static_cast<size_t>(frame)];
    }
};
