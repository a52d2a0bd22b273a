#pragma once
// One frame of one block, drawn the way the scenario information dialog and
// `vemo frame` show it: at full screen size, captions and drawings (which carry
// transparency) over opaque black; and the file name such a frame is saved under.

#include <cstdint>
#include <string>

#include "image/image_buffer.h"
#include "scene/scene.h"

class CScenario;

// IMAGE, TEXT and DRAW: pictures without a length of their own (shown as one frame).
bool is_picture_block(const CScene& scene);

// The frames a block can be drawn at: 1 for a picture, else its frame count.
int32_t drawable_frames(CScene& scene);

// Frame `frame` of `scene` in the document's render mode, as an image the caller
// owns; none when the scene yields no image.
ImagePtr draw_block_frame(const CScenario& doc, CScene& scene, int32_t frame);

// "%s-%05d.bmp" from the block name (UTF-8; "MAIN" for MAIN) and the frame. The
// name is made safe as a file name first ("/" and "\" replaced, "." and ".."
// prefixed), so that the file cannot land outside the folder it is saved in.
std::string block_frame_file_name(const std::string& block, int32_t frame);
