// EXPAND: an input revealed or hidden by stretching an edge line across it.

#include "scene/scene_transition.h"

#include <algorithm>
#include <cstring>

#include "base/cp932.h"
#include "scene/keywords.h"

namespace {

// Rows [from, to) become copies of row `line`, every byte of the pixel row (alpha
// included in the 32-bit layout). Row numbers are clamped into the image; rows that
// would land on the same clamped row as the line change nothing, so the loop stays
// inside it.
void copy_rows(CImageBuffer* image, int64_t line, int64_t from, int64_t to) {
    const int32_t source = static_cast<int32_t>(std::clamp<int64_t>(line, 0, image->height - 1));
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, image->height);
    for (int64_t y = from; y < to; ++y) {
        if (y == source) continue;
        std::memcpy(image_row(image, static_cast<int32_t>(y)), image_row(image, source),
                    static_cast<size_t>(image->stride));
    }
}

// In rows [0, rows), columns [from, to) take the blue, green and red bytes of column
// `line`; alpha stays.
void copy_columns(CImageBuffer* image, int64_t line, int64_t from, int64_t to, int64_t rows) {
    const int64_t bytes = image->bpp / 8;
    const int64_t source = std::clamp<int64_t>(line, 0, image->width - 1);
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, image->width);
    rows = std::min<int64_t>(rows, image->height);
    for (int64_t y = 0; y < rows; ++y) {
        uint8_t* row = image_row(image, static_cast<int32_t>(y));
        const uint8_t* pixel = row + source * bytes;
        for (int64_t x = from; x < to; ++x) {
            if (x != source) std::memcpy(row + x * bytes, pixel, 3);
        }
    }
}

void dump_direction(CDumpWriter& out, int32_t direction) {
    if (const char* word = keyword_word(kDirectionWords, direction)) out.WriteLine("\t%s", word);
}

}  // namespace

// A copy of the input with the part not yet revealed (or already hidden) filled by
// the line p that the edge has reached, p moving one way over the block.
CImageBuffer* CSceneExpand::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                     RenderContext* context) {
    CSceneLink* input = FirstInput();
    if (!input) return nullptr;
    CImageBuffer* source = input->GetImage(frame, mode, runLength, context);
    ImagePtr image(source ? duplicate_image(source) : nullptr);
    input->ReleaseImage(source, frame);
    if (runLength) *runLength = std::min(*runLength, 0);
    if (!image) return nullptr;
    if (image->bpp != 24 && image->bpp != 32) return image.release();

    const ExpandSettings& s = Settings();
    const bool vertical = s.direction == DIRECTION_UP || s.direction == DIRECTION_DOWN;
    const int64_t w = ScreenWidth();
    const int64_t h = ScreenHeight();
    const int64_t last = (vertical ? h : w) - 1;
    // How far the line has moved from its start; a one-frame input shows the start.
    const int64_t count = GetFrameCount();
    const int64_t moved = transition_between(0, last, frame, count);
    // UP and LEFT fill before the line, DOWN and RIGHT after it; IN starts at the far
    // side of the filled part, OUT at the near one.
    const bool before = s.direction == DIRECTION_UP || s.direction == DIRECTION_LEFT;
    int64_t p = 0;
    if (s.inOut == EXPAND_IN) {
        p = before ? last - moved : moved;
    } else if (s.inOut == EXPAND_OUT) {
        p = before ? moved : last - moved;
    } else {
        return image.release();
    }
    switch (s.direction) {
        case DIRECTION_UP:
            copy_rows(image.get(), p, 0, p);
            break;
        case DIRECTION_DOWN:
            copy_rows(image.get(), p, p + 1, h);
            break;
        case DIRECTION_LEFT:
            copy_columns(image.get(), p, 0, p, h);
            break;
        case DIRECTION_RIGHT:
            copy_columns(image.get(), p, p + 1, w, h);
            break;
        default:
            break;
    }
    return image.release();
}

void CSceneExpand::ReleaseImage(CImageBuffer* image, int32_t) {
    delete_image(image);
}

int CSceneExpand::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return AskFirstInput(kind, frame);
    return IsEdgeFrame(frame, true);
}

int CSceneExpand::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeFirstInput(frame, depth, list);
}

int CSceneExpand::Validate(const SceneReport& report) {
    if (Settings().inOut != 0) return 0;
    if (report) {
        report(format_string("ブロック %s に、( IN | OUT ) が定義されていません。",
                             cp932_to_utf8(Name()).c_str()));
    }
    return -1;
}

int CSceneExpand::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    out.WriteText(Settings().inOut == EXPAND_IN ? "\tIN" : "\tOUT");
    dump_direction(out, Settings().direction);
    out.WriteText("}");
    return 0;
}
