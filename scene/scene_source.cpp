// Source scenes: counting, frame questions, describing, validation and dump.
// Pictures themselves are made by the image core when frames are drawn.

#include "scene/scene_source.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/report.h"
#include "image/picture_file.h"
#include "scene/keywords.h"

namespace {

// Pictures look the same in every frame: each one is a key frame.
int32_t every_frame_after(int32_t after, int32_t count) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{after} + 1, 0, count));
}

int32_t every_frame_before(int32_t before, int32_t count) {
    return static_cast<int32_t>(std::clamp<int64_t>(std::min(before, count), 0, count) - 1);
}

}  // namespace

// ---- IMAGE ----

int CSceneImage::TestFrame(int, int32_t) {
    return 1;
}

int32_t CSceneImage::NextKeyFrame(int32_t after) {
    return every_frame_after(after, GetFrameCount());
}

int32_t CSceneImage::PrevKeyFrame(int32_t before) {
    return every_frame_before(before, GetFrameCount());
}

int CSceneImage::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    // A FILE picture has no input; a BLOCK_FRAME picture shows one frame of its block.
    if (!Settings().file.empty() || !FirstInput()) return 0;
    return FirstInput()->DescribeFrame(Settings().blockFrame, depth + 1, list);
}

int CSceneImage::Validate(const SceneReport& report) {
    return CheckFile(Settings().file, &m_path, report);
}

int CSceneImage::Dump(CDumpWriter& out) {
    const ImageSettings& s = Settings();
    DumpHead(out);
    if (!s.file.empty()) {
        out.WriteLine("\tFILE\t\t\"%s\"", s.file.c_str());
    } else {
        out.WriteLine("\tBLOCK_FRAME\t\"%s\"\t%d", InputName(0), s.blockFrame);
    }
    for (const KeywordCode& effect : kImageEffectWords) {
        if (s.effects & static_cast<uint32_t>(effect.code)) {
            out.WriteLine("\t%s", effect.word.data());
        }
    }
    if (s.effects & IMAGE_PHOTO_FRAME) out.WriteLine("\tPHOTO_FRAME\t%d", s.photoFrame);
    if (s.effects & IMAGE_CLIP) {
        out.WriteLine("\tCLIP\t\t%d\t%d\t%d\t%d", s.clip.left, s.clip.top, s.clip.right,
                      s.clip.bottom);
    }
    if (s.effects & IMAGE_ANGLE) out.WriteLine("\tANGLE\t\t%d", s.angle);
    if (s.effects & IMAGE_THROUGH_COLOR) {
        out.WriteLine("\tTHROUGH_COLOR\t%d\t%d\t%d", s.throughColor.red, s.throughColor.green,
                      s.throughColor.blue);
    }
    out.WriteText("}");
    return 0;
}

// ---- TEXT ----

namespace {

struct Placeholder {
    const char* text;
    uint32_t tag;
};

constexpr Placeholder kPlaceholders[] = {
    {"%MAKER%", 0x10F}, {"%MODEL%", 0x110},     {"%SOFTWARE%", 0x131},
    {"%DATE%", 0x132},  {"%EXPOSURE%", 0x829A}, {"%FNUMBER%", 0x829D},
    {"%ISO%", 0x8827},  {"%FLASH%", 0x9209},    {"%FOCUS%", 0x920A},
};

}  // namespace

std::string expand_exif_placeholders(std::string text, const ExifPropertyReader& reader) {
    for (const Placeholder& placeholder : kPlaceholders) {
        const std::string_view key = placeholder.text;
        size_t at = text.find(key);
        if (at == std::string::npos) continue;
        std::optional<std::string> value = reader ? reader(placeholder.tag) : std::nullopt;
        const std::string replacement = value ? *value : std::string(" ");
        while (at != std::string::npos) {
            text.replace(at, key.size(), replacement);
            // Continue after the inserted text: a property that itself reads like a
            // placeholder is not expanded again.
            at = text.find(key, at + replacement.size());
        }
    }
    return text;
}

int CSceneText::TestFrame(int, int32_t) {
    return 1;
}

int32_t CSceneText::NextKeyFrame(int32_t after) {
    return every_frame_after(after, GetFrameCount());
}

int32_t CSceneText::PrevKeyFrame(int32_t before) {
    return every_frame_before(before, GetFrameCount());
}

int CSceneText::DescribeFrame(int32_t frame, int, FrameDescription& list) {
    DescribeSelf(frame, list);
    return 0;
}

ExifPropertyReader CSceneText::MakeExifReader() const {
    return [path = m_path](uint32_t tag) -> std::optional<std::string> {
        std::optional<std::string> text = read_exif_property(path, static_cast<int>(tag));
        if (!text) return std::nullopt;
        // The caption is document text (code page 932); a property that is not
        // UTF-8 (or plain ASCII) is kept byte for byte.
        std::string converted;
        if (utf8_to_cp932(*text, &converted) == 0) return converted;
        return text;
    };
}

int CSceneText::Validate(const SceneReport& report) {
    const TextSettings& s = Settings();
    m_expanded = s.text;
    int result = BuildPath(s.file, &m_path);
    if (result != 0 || s.file.empty()) return result;
    if (CheckFile(s.file, &m_path, nullptr) != 0) {
        ReportMissingFile(s.file, report);
        return -1;
    }
    m_expanded = expand_exif_placeholders(s.text, MakeExifReader());
    return 0;
}

int CSceneText::Dump(CDumpWriter& out) {
    const TextSettings& s = Settings();
    DumpHead(out);
    out.WriteLine("\tSIZE\t\t%d\t%d", s.width, s.height);
    if (!s.file.empty()) out.WriteLine("\tFILE\t\t\"%s\"", s.file.c_str());
    if (s.frameOffset != 0) out.WriteLine("\tFRAME_OFFSET\t%d", s.frameOffset);
    out.WriteLine("\tFONT\t\t\"%s\"\t%d\t%d", s.font.c_str(), s.fontWidth, s.fontHeight);
    // One STRING line per text line: every line break after the first character
    // closes the line and opens the next.
    std::string line = "\tSTRING\t\t\"";
    for (size_t i = 0; i < s.text.size();) {
        unsigned char c = static_cast<unsigned char>(s.text[i]);
        if (i > 0 && c == '\r' && i + 1 < s.text.size() && s.text[i + 1] == '\n') {
            line += '"';
            out.WriteText(line);
            line = "\tSTRING\t\t\"";
            i += 2;
            continue;
        }
        size_t width = (c >= 0x80 && i + 1 < s.text.size()) ? 2 : 1;
        line.append(s.text, i, width);
        i += width;
    }
    line += '"';
    out.WriteText(line);
    out.WriteLine("\tCOLOR\t\t%d\t%d\t%d\t%d", s.color.red, s.color.green, s.color.blue,
                  s.color.alpha);
    if (const char* word = keyword_word(kAlignWords, s.align)) out.WriteLine("\tALIGN\t\t%s", word);
    if (const char* word = keyword_word(kValignWords, s.valign)) {
        out.WriteLine("\tVALIGN\t\t%s", word);
    }
    out.WriteText("}");
    return 0;
}

// ---- DRAW ----

namespace {

void dump_shape(CDumpWriter& out, const DrawShape& shape) {
    out.WriteText("");
    out.WriteText(shape.kind == DrawShape::LINE      ? "\tLINE"
                  : shape.kind == DrawShape::POLYGON ? "\tPOLYGON"
                                                     : "\tELLIPSE");
    out.WriteText("\t{");
    if (shape.kind == DrawShape::ELLIPSE) {
        out.WriteLine("\t\tREGION\t%d\t%d\t%d\t%d", shape.region.left, shape.region.top,
                      shape.region.right, shape.region.bottom);
    } else {
        for (const auto& point : shape.points) out.WriteLine("\t\tPOINT\t%d\t%d", point.x, point.y);
    }
    out.WriteLine("\t\tWIDTH\t%d", shape.width);
    if (shape.kind != DrawShape::LINE && shape.fill) out.WriteText("\t\tFILL");
    if (shape.kind == DrawShape::ELLIPSE) out.WriteLine("\t\tANGLE\t%d", shape.angle);
    out.WriteText("\t}");
}

}  // namespace

int CSceneDraw::TestFrame(int, int32_t) {
    return 1;
}

int32_t CSceneDraw::NextKeyFrame(int32_t after) {
    return every_frame_after(after, GetFrameCount());
}

int32_t CSceneDraw::PrevKeyFrame(int32_t before) {
    return every_frame_before(before, GetFrameCount());
}

int CSceneDraw::DescribeFrame(int32_t frame, int, FrameDescription& list) {
    DescribeSelf(frame, list);
    return 0;
}

int CSceneDraw::Dump(CDumpWriter& out) {
    const DrawSettings& s = Settings();
    DumpHead(out);
    out.WriteLine("\tSIZE\t\t%d\t%d", s.width, s.height);
    out.WriteLine("\tCOLOR\t\t%d\t%d\t%d\t%d", s.color.red, s.color.green, s.color.blue,
                  s.color.alpha);
    for (const DrawShape& shape : s.shapes) dump_shape(out, shape);
    out.WriteText("}");
    return 0;
}

// ---- MOVIE ----

int CSceneMovie::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 1;
    return IsEdgeFrame(frame, true);
}

int32_t CSceneMovie::NextKeyFrame(int32_t after) {
    return NextEdgeFrame(after, true);
}

int32_t CSceneMovie::PrevKeyFrame(int32_t before) {
    return PrevEdgeFrame(before, true);
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
