// SERIES and MAIN: the inputs play one after another.

#include <algorithm>

#include "image/compose.h"
#include "scene/scene_composition.h"

int32_t CSceneSeries::ComputeFrameCount() {
    m_starts.assign(1, 0);
    for (const auto& input : Inputs()) m_starts.push_back(m_starts.back() + input->GetFrameCount());
    return saturating_frames(m_starts.back());
}

size_t CSceneSeries::ActiveIndex(int64_t frame) {
    GetFrameCount();  // the starts are made with the count
    const size_t n = Inputs().size();
    if (frame < 0 || frame >= m_starts[n]) return n;
    // The last input starting at or before the frame; inputs of 0 frames start where
    // the next one does, so they are passed over.
    const auto last = std::upper_bound(m_starts.begin(),
                                       m_starts.begin() + static_cast<std::ptrdiff_t>(n), frame);
    return static_cast<size_t>(last - m_starts.begin()) - 1;
}

CSceneLink* CSceneSeries::FindActive(int32_t frame, int32_t* inputFrame) {
    const size_t i = ActiveIndex(frame);
    if (i >= Inputs().size()) return nullptr;
    if (inputFrame) *inputFrame = static_cast<int32_t>(frame - m_starts[i]);
    return Inputs()[i].get();
}

int CSceneSeries::TestFrame(int kind, int32_t frame) {
    int32_t local = 0;
    CSceneLink* active = FindActive(frame, &local);
    if (!active) return 0;
    if (kind == FRAME_KEY && IsEdgeFrame(frame, false)) return 1;
    return active->TestFrame(kind, local);
}

int32_t CSceneSeries::NextKeyFrame(int32_t after) {
    const int32_t count = GetFrameCount();
    int64_t best = first_after({0, int64_t{count} - 1}, after, count);
    // Every input that plays has key frames of its own, each within its stretch of
    // the series: the first input holding one after `after` holds the earliest.
    const size_t n = Inputs().size();
    for (size_t i = ActiveIndex(std::max<int64_t>(int64_t{after} + 1, 0));
         i < n && m_starts[i] < best; ++i) {
        const int64_t local = Inputs()[i]->NextKeyFrame(
            static_cast<int32_t>(std::max<int64_t>(after - m_starts[i], -1)));
        if (m_starts[i] + local < m_starts[i + 1]) {
            best = std::min(best, m_starts[i] + local);
            break;
        }
    }
    return static_cast<int32_t>(best);
}

int32_t CSceneSeries::PrevKeyFrame(int32_t before) {
    const int32_t count = GetFrameCount();
    const int64_t to = std::min<int64_t>(before, count) - 1;
    int64_t best = last_before({0, int64_t{count} - 1}, before, count);
    const size_t n = Inputs().size();
    for (size_t i = ActiveIndex(to); i < n && m_starts[i + 1] - 1 > best; --i) {
        const int64_t span = m_starts[i + 1] - m_starts[i];
        const int64_t local = Inputs()[i]->PrevKeyFrame(
            static_cast<int32_t>(std::min<int64_t>(to - m_starts[i] + 1, span)));
        if (local >= 0) {
            best = std::max(best, m_starts[i] + local);
            break;
        }
        if (i == 0) break;
    }
    return static_cast<int32_t>(best);
}

int CSceneSeries::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    int32_t local = 0;
    CSceneLink* active = FindActive(frame, &local);
    return active ? active->DescribeFrame(local, depth + 1, list) : 0;
}

int CSceneSeries::Dump(CDumpWriter& out) {
    DumpHead(out);
    for (const auto& input : Inputs()) {
        out.WriteLine(input->Settings().volumeAlpha ? "\tINPUT\t\t\"%s\"\t\tALINK_VOLUME_ALPHA"
                                                    : "\tINPUT\t\t\"%s\"",
                      input->InputName().c_str());
    }
    out.WriteText("}");
    return 0;
}

CImageBuffer* CSceneSeries::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                     RenderContext* context) {
    int32_t local = 0;
    CSceneLink* input = FindActive(frame, &local);
    // A frame outside the series (a longer camera move over it asks for one) has no
    // input to ask.
    if (!input) return nullptr;
    int32_t run = runLength ? *runLength : GetFrameCount();
    // The input's image is handed on unchanged, unless it follows the music: the offer
    // of the hand-over form then goes on to the input's scene.
    RenderContext offer;
    if (context && context->handOverScene == this && !input->Settings().volumeAlpha) {
        offer = *context;
        offer.handOverScene = input->Target();
        context = &offer;
    }
    CImageBuffer* image = input->GetImage(local, mode, &run, context);
    if (input->Settings().volumeAlpha) {
        // The picture follows the music: silence shows nothing, full loudness the
        // input as it is. The level is the one of this frame of the series.
        CImageBuffer* faded = nullptr;
        if (context) {
            ImagePtr blank(create_filled_image(ScreenWidth(), ScreenHeight(), 0, 0, 0, 0));
            const int level = std::clamp(context->MusicLevel(frame), 0, 100);
            faded = crossfade_image(blank.get(), image, level);
        } else {
            faded = duplicate_image(image);
        }
        input->ReleaseImage(image, local);
        image = faded;
    }
    if (runLength) *runLength = run;
    return image;
}

void CSceneSeries::ReleaseImage(CImageBuffer* image, int32_t frame) {
    int32_t local = 0;
    CSceneLink* input = FindActive(frame, &local);
    if (!input) return;  // nothing was handed out
    if (input->Settings().volumeAlpha) {
        delete_image(image);  // the faded copy is the series' own
    } else {
        input->ReleaseImage(image, local);
    }
}
