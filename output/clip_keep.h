#pragma once

#include <memory>
#include <string>

#include "output/video_clip.h"

// Clips closed most recently, kept open so that the next frame of the same file
// goes on from where the last one ended instead of opening, probing and seeking
// again: the MOVIE scene opens and closes its clip for every frame. At most
// kParkedClips are kept, process-wide; a clip whose file changed is never reused.
inline constexpr int kParkedClips = 2;
// Keeps a clip that read `path` (one that has taken its stream); the oldest beyond
// kParkedClips is closed.
void park_clip(const std::string& path, std::unique_ptr<VideoClip> clip);
// The kept clip of `path` whose file is unchanged, taken out of the keep; none
// otherwise.
std::unique_ptr<VideoClip> take_parked_clip(const std::string& path);
// Closes every kept clip.
void drop_parked_clips();
