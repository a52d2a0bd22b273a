// CROSSFADE: inputs chained one after another, each overlapping dissolve FRAMES long.

#include "scene/scene_transition.h"

#include "base/cp932.h"
#include "image/compose.h"

// Input i + 1 starts FRAMES frames before input i ends. Starts are kept in 64 bits:
// before validation an input may be shorter than the overlap and starts may fall.

int32_t CSceneCrossfade::ComputeFrameCount() {
    const int64_t fade = Settings().frames;
    const size_t n = Inputs().size();
    m_starts.assign(1, 0);
    m_monotone = true;
    for (size_t i = 0; i < n; ++i) {
        const int64_t count = Inputs()[i]->GetFrameCount();
        if (i + 1 < n && count < fade) m_monotone = false;
        m_starts.push_back(m_starts.back() + count - fade);
    }
    if (n == 0) return 0;
    return saturating_frames(m_starts.back() + fade);
}

int CSceneCrossfade::FindActive(int32_t frame, int64_t* start) {
    GetFrameCount();  // the starts are made with the count
    const size_t n = Inputs().size();
    auto holds = [&](size_t i) {
        return m_starts[i] <= frame && frame < m_starts[i] + Inputs()[i]->GetFrameCount();
    };
    size_t found = n;
    if (m_monotone) {
        // The last input starting at or before the frame, then back over the earlier
        // ones whose overlap still holds it: the first of those is active.
        size_t i = static_cast<size_t>(
            std::upper_bound(m_starts.begin(), m_starts.begin() + static_cast<std::ptrdiff_t>(n),
                             int64_t{frame}) -
            m_starts.begin());
        if (i > 0) {
            --i;
            while (i > 0 && holds(i - 1)) --i;
            if (holds(i)) found = i;
        }
    } else {
        for (size_t i = 0; i < n && found == n; ++i) {
            if (holds(i)) found = i;
        }
    }
    if (found == n) return -1;
    if (start) *start = m_starts[found];
    return static_cast<int>(found);
}

void CSceneCrossfade::ActiveRange(size_t a, int64_t* lo, int64_t* hi) {
    // The input before covers the first FRAMES frames of this one.
    *lo = a == 0 ? 0 : m_starts[a] + Settings().frames;
    *hi = m_starts[a] + Inputs()[a]->GetFrameCount() - 1;
}

int32_t CSceneCrossfade::NextKeyFrame(int32_t after) {
    const int32_t count = GetFrameCount();
    if (!m_monotone) return CScene::NextKeyFrame(after);
    const int64_t fade = Settings().frames;
    const int64_t from = std::max<int64_t>(int64_t{after} + 1, 0);
    int64_t best = first_after({0, int64_t{count} - 1}, after, count);
    const size_t n = Inputs().size();
    int64_t ignored = 0;
    const int first = from < count ? FindActive(static_cast<int32_t>(from), &ignored) : -1;
    // Each input is active over frames of its own, in timeline order: the first
    // input that has a key frame from `from` on holds the earliest one.
    for (size_t a = first < 0 ? n : static_cast<size_t>(first); a < n; ++a) {
        int64_t lo = 0, hi = 0;
        ActiveRange(a, &lo, &hi);
        lo = std::max(lo, from);
        if (lo >= best) break;
        if (lo > hi) continue;
        const int64_t s = m_starts[a];
        int64_t found = hi + 1;
        if (a > 0 && s + fade >= lo) found = s + fade;  // the dissolve into it has ended
        found = std::min(found, s + Inputs()[a]->NextKeyFrame(static_cast<int32_t>(lo - s - 1)));
        if (a + 1 < n) {
            // The next input overlapping the end of this one.
            const int64_t sb = m_starts[a + 1];
            const int64_t rlo = std::max(sb, lo);
            const int64_t rhi = std::min(sb + Inputs()[a + 1]->GetFrameCount() - 1, hi);
            if (rlo <= rhi) {
                for (int64_t mark : {sb, sb + fade / 2, sb + fade}) {
                    if (mark >= rlo && mark <= rhi) found = std::min(found, mark);
                }
                const int64_t lb =
                    Inputs()[a + 1]->NextKeyFrame(static_cast<int32_t>(rlo - sb - 1));
                if (sb + lb <= rhi) found = std::min(found, sb + lb);
            }
        }
        if (found <= hi) {
            best = std::min(best, found);
            break;
        }
    }
    return static_cast<int32_t>(best);
}

int32_t CSceneCrossfade::PrevKeyFrame(int32_t before) {
    const int32_t count = GetFrameCount();
    if (!m_monotone) return CScene::PrevKeyFrame(before);
    const int64_t fade = Settings().frames;
    const int64_t to = std::min<int64_t>(before, count) - 1;
    int64_t best = last_before({0, int64_t{count} - 1}, before, count);
    int64_t ignored = 0;
    const int first = to >= 0 ? FindActive(static_cast<int32_t>(to), &ignored) : -1;
    const size_t n = Inputs().size();
    for (int a = first; a >= 0; --a) {
        const size_t i = static_cast<size_t>(a);
        int64_t lo = 0, hi = 0;
        ActiveRange(i, &lo, &hi);
        hi = std::min(hi, to);
        if (hi <= best) break;
        if (lo > hi) continue;
        const int64_t s = m_starts[i];
        int64_t found = lo - 1;
        if (a > 0 && s + fade <= hi) found = s + fade;
        found = std::max(found, s + Inputs()[i]->PrevKeyFrame(static_cast<int32_t>(hi - s + 1)));
        if (i + 1 < n) {
            const int64_t sb = m_starts[i + 1];
            const int64_t rlo = std::max(sb, lo);
            const int64_t rhi = std::min(sb + Inputs()[i + 1]->GetFrameCount() - 1, hi);
            if (rlo <= rhi) {
                for (int64_t mark : {sb, sb + fade / 2, sb + fade}) {
                    if (mark >= rlo && mark <= rhi) found = std::max(found, mark);
                }
                const int64_t lb =
                    Inputs()[i + 1]->PrevKeyFrame(static_cast<int32_t>(rhi - sb + 1));
                if (lb >= 0 && sb + lb >= rlo) found = std::max(found, sb + lb);
            }
        }
        if (found >= lo) {
            best = std::max(best, found);
            break;
        }
    }
    return static_cast<int32_t>(best);
}

namespace {

// Whether input `next` (starting at `start`) shows `frame`; its input frame then.
bool overlaps(CSceneLink* next, int64_t start, int32_t frame, int32_t* inputFrame) {
    if (!next || frame < start || frame >= start + next->GetFrameCount()) return false;
    *inputFrame = static_cast<int32_t>(frame - start);
    return true;
}

}  // namespace

int CSceneCrossfade::TestFrame(int kind, int32_t frame) {
    const int32_t count = GetFrameCount();
    if (frame < 0 || frame >= count) return 0;
    int64_t start = 0;
    const int a = FindActive(frame, &start);
    if (a < 0) return 0;
    CSceneLink* active = Inputs()[a].get();
    const int32_t la = static_cast<int32_t>(frame - start);
    const size_t nextIndex = static_cast<size_t>(a) + 1;
    CSceneLink* next = nextIndex < Inputs().size() ? Inputs()[nextIndex].get() : nullptr;
    const int32_t fade = Settings().frames;
    const int64_t nextStart = start + active->GetFrameCount() - fade;
    int32_t lb = 0;
    const bool overlapping = overlaps(next, nextStart, frame, &lb);
    if (kind == FRAME_SERIAL) {
        if (active->TestFrame(kind, la)) return 1;
        return overlapping && next->TestFrame(kind, lb) ? 1 : 0;
    }
    if (frame == 0 || frame == count - 1) return 1;
    auto marks = [fade](int32_t local) { return local == 0 || local == fade || local == fade / 2; };
    if (a > 0 && marks(la)) return 1;
    if (active->TestFrame(kind, la)) return 1;
    if (overlapping) return marks(lb) ? 1 : next->TestFrame(kind, lb);
    return 0;
}

int CSceneCrossfade::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    if (frame < 0 || frame >= GetFrameCount()) return 0;
    int64_t start = 0;
    const int a = FindActive(frame, &start);
    if (a < 0) return 0;
    CSceneLink* active = Inputs()[a].get();
    int result = active->DescribeFrame(static_cast<int32_t>(frame - start), depth + 1, list);
    if (result == -1) return -1;
    const size_t nextIndex = static_cast<size_t>(a) + 1;
    CSceneLink* next = nextIndex < Inputs().size() ? Inputs()[nextIndex].get() : nullptr;
    int32_t lb = 0;
    if (overlaps(next, start + active->GetFrameCount() - Settings().frames, frame, &lb)) {
        result = next->DescribeFrame(lb, depth + 1, list);
    }
    return result;
}

int CSceneCrossfade::Validate(const SceneReport& report) {
    const size_t n = Inputs().size();
    const int64_t fade = Settings().frames;
    for (size_t i = 0; i < n; ++i) {
        const bool end = i == 0 || i + 1 == n;
        const int64_t needed = end ? fade : 2 * fade;
        if (needed <= Inputs()[i]->GetFrameCount()) continue;
        if (report) {
            report(format_string(
                "ブロック %s では、入力ブロック %s に対して不正な対象フレーム数が"
                "指定されています。",
                cp932_to_utf8(Name()).c_str(), cp932_to_utf8(Inputs()[i]->InputName()).c_str()));
        }
        return -1;
    }
    return 0;
}

int CSceneCrossfade::Dump(CDumpWriter& out) {
    DumpHead(out);
    for (const auto& input : Inputs())
        out.WriteLine("\tINPUT\t\t\"%s\"", input->InputName().c_str());
    out.WriteLine("\tFRAMES\t\t%d", Settings().frames);
    out.WriteText("}");
    return 0;
}

// Frames where one input shows alone are that input's own images, handed through
// without a copy; inside an overlap the two inputs are mixed into a new image.
CImageBuffer* CSceneCrossfade::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                        RenderContext* context) {
    int64_t start = 0;
    const int a = FindActive(frame, &start);
    if (a < 0) return nullptr;
    const size_t nextIndex = static_cast<size_t>(a) + 1;
    CSceneLink* active = Inputs()[static_cast<size_t>(a)].get();
    CSceneLink* next = nextIndex < Inputs().size() ? Inputs()[nextIndex].get() : nullptr;
    const int64_t fade = Settings().frames;
    const int64_t count = active->GetFrameCount();
    const int64_t nextStart = start + count - fade;
    const int32_t la = static_cast<int32_t>(frame - start);
    int32_t lb = 0;
    const bool dissolve = overlaps(next, nextStart, frame, &lb);

    // Outside a dissolve the active input's image is handed on unchanged: the offer of
    // the hand-over form goes on to that input's scene.
    RenderContext offer;
    if (!dissolve && context && context->handOverScene == this) {
        offer = *context;
        offer.handOverScene = active->Target();
    }
    CImageBuffer* first =
        active->GetImage(la, mode, runLength, offer.handOverScene ? &offer : context);
    if (!first) {
        // A frame of one input is given back by the caller's release; a dissolve
        // frame gives it back here, since the release will not.
        if (dissolve) active->ReleaseImage(first, la);
        return nullptr;
    }
    if (dissolve) {
        CImageBuffer* second = next->GetImage(lb, mode, runLength, context);
        const int percent = static_cast<int>(int64_t{lb} * 100 / fade);
        // Made at once in the hand-over form when the document takes this frame as it
        // is; the two inputs are then 32-bit.
        const bool handOver = context && context->handOverScene == this && first->bpp == 32;
        CImageBuffer* mixed = handOver ? crossfade_image_24a(first, second, percent)
                                       : crossfade_image(first, second, percent);
        active->ReleaseImage(first, la);
        next->ReleaseImage(second, lb);
        if (runLength) *runLength = std::min(*runLength, 0);
        return mixed;
    }
    // Frames stay the same at most until the next dissolve begins.
    int64_t rest = start + count - frame - 1;
    if (next) rest -= fade;
    if (runLength && rest < *runLength)
        *runLength = static_cast<int32_t>(std::max<int64_t>(rest, 0));
    return first;
}

// Mixed frames are the scene's own; the others go back to the input that made them.
void CSceneCrossfade::ReleaseImage(CImageBuffer* image, int32_t frame) {
    int64_t start = 0;
    const int a = FindActive(frame, &start);
    if (a < 0) return;
    const size_t nextIndex = static_cast<size_t>(a) + 1;
    CSceneLink* active = Inputs()[static_cast<size_t>(a)].get();
    CSceneLink* next = nextIndex < Inputs().size() ? Inputs()[nextIndex].get() : nullptr;
    int32_t lb = 0;
    const int64_t nextStart = start + active->GetFrameCount() - Settings().frames;
    if (overlaps(next, nextStart, frame, &lb)) {
        delete_image(image);
    } else {
        active->ReleaseImage(image, static_cast<int32_t>(frame - start));
    }
}
