// MOVIE: the frames of a video file, fitted into a rectangle over BGCOLOR.

#include "base/report.h"
#include "image/compose.h"
#include "image/transform.h"
#include "scene/scene_source.h"

ImagePtr CSceneMovie::ReadClipFrame(int64_t index) {
    std::lock_guard<std::mutex> hold(Lock());
    // The clip may have gone since validation (removed, replaced, cut short): a
    // reader that does not open reads nothing and closes nothing it did not open.
    if (m_reader.Initialize() != 0) return nullptr;
    ImagePtr frame;
    if (index <= INT32_MAX) frame = m_reader.DoVideoReader(static_cast<int32_t>(index));
    m_reader.Finish();
    if (!frame) return nullptr;
    if (get_image_mode() == 32) return ImagePtr(image24_to_32(frame.get()));
    // In image mode 24 the clip's frame gets an opaque plane, like a loaded picture.
    if (attach_alpha_plane(frame.get()) != 0) return nullptr;
    for (int32_t y = 0; y < frame->height; ++y) {
        std::fill_n(image_alpha_row(frame.get(), y), frame->width, uint8_t{255});
    }
    return frame;
}

CImageBuffer* CSceneMovie::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                    RenderContext*) {
    const MovieSettings& s = Settings();
    ImagePtr clip = frame >= 0 ? ReadClipFrame(int64_t{s.frameStart} + frame) : nullptr;
    ImagePtr result(create_filled_image(ScreenWidth(), ScreenHeight(), s.bgcolor.red,
                                        s.bgcolor.green, s.bgcolor.blue, 0));
    if (result && clip) {
        const SceneRect r = Rect();
        const int64_t w = int64_t{r.right} - r.left + 1;
        const int64_t h = int64_t{r.bottom} - r.top + 1;
        if (w <= INT32_MAX && h <= INT32_MAX) {
            ImagePtr fitted(fit_image(clip.get(), static_cast<int32_t>(w), static_cast<int32_t>(h),
                                      s.fitMode + (mode == 2 ? 8 : 0)));
            compose_image(result.get(), fitted.get(), r.left, r.top, COMPOSE_ALPHA);
        }
    }
    if (runLength) *runLength = 0;
    return result.release();
}

void CSceneMovie::ReleaseImage(CImageBuffer* image, int32_t) {
    delete_image(image);
}

int CSceneMovie::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 1;
    return IsEdgeFrame(frame, true);
}

int CSceneMovie::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeInputs(frame, depth, list);
}

int CSceneMovie::Validate(const SceneReport& report) {
    int result = CheckFile(Settings().file, &m_path, report);
    if (result != 0) return result;
    // A trial open: a file that is no readable video is refused now, with the
    // reader's own message, rather than showing only background when rendered.
    m_reader.SetCalls(
        [&report](const std::string& text) {
            if (report) report(text);
            return 0;
        },
        nullptr,
        [](const std::string& text) {
            Trace("%s", text.c_str());
            return 0;
        });
    m_reader.SetFileName(m_path);
    int opened = m_reader.Initialize();
    m_reader.Finish();
    m_reader.UseReportingCalls();  // `report` does not outlive this call
    return opened == 0 ? 0 : -1;
}

int CSceneMovie::Dump(CDumpWriter& out) {
    const MovieSettings& s = Settings();
    const SceneRect rect = Rect();
    DumpHead(out);
    out.WriteLine(s.fitMode == 2 ? "\tFILE\t\t\"%s\"\t%d\t%d\t%d\t%d\tMAX_CUT"
                                 : "\tFILE\t\t\"%s\"\t%d\t%d\t%d\t%d",
                  s.file.c_str(), rect.left, rect.top, rect.right, rect.bottom);
    out.WriteLine("\tBGCOLOR\t\t%d\t%d\t%d", s.bgcolor.red, s.bgcolor.green, s.bgcolor.blue);
    out.WriteLine("\tFRAME_START\t\t%d", s.frameStart);
    out.WriteLine("\tFRAMES\t\t%d", s.frames);
    out.WriteText("}");
    return 0;
}
