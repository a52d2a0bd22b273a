// Source scenes: counting, frame questions, describing, validation and dump.
// Pictures themselves are made by the image core when frames are drawn.

#include "scene/scene_source.h"

#include "base/cp932.h"
#include "base/report.h"
#include "image/picture_file.h"

// ---- IMAGE ----

int CSceneImage::TestFrame(int, int32_t) {
    return 1;
}

int CSceneImage::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    // A FILE picture has no input; a BLOCK_FRAME picture shows one frame of its block.
    if (!m_file.empty() || !FirstInput()) return 0;
    return FirstInput()->DescribeFrame(m_blockFrame, depth + 1, list);
}

int CSceneImage::Validate(const SceneReport& report) {
    return CheckFile(report);
}

int CSceneImage::Dump(CDumpWriter& out) {
    DumpHead(out);
    if (!m_file.empty()) {
        out.WriteLine("\tFILE\t\t\"%s\"", m_file.c_str());
    } else {
        const char* block = FirstInput() ? FirstInput()->m_inputName.c_str() : "";
        out.WriteLine("\tBLOCK_FRAME\t\"%s\"\t%d", block, m_blockFrame);
    }
    if (m_effects & IMAGE_SEPIA) out.WriteText("\tSEPIA");
    if (m_effects & IMAGE_MONO) out.WriteText("\tMONO");
    if (m_effects & IMAGE_NEGA) out.WriteText("\tNEGA");
    if (m_effects & IMAGE_DISCOLOR) out.WriteText("\tDISCOLOR");
    if (m_effects & IMAGE_HIGHPASS) out.WriteText("\tHIGHPASS");
    if (m_effects & IMAGE_RED) out.WriteText("\tRED");
    if (m_effects & IMAGE_GREEN) out.WriteText("\tGREEN");
    if (m_effects & IMAGE_BLUE) out.WriteText("\tBLUE");
    if (m_effects & IMAGE_PHOTO_FRAME) out.WriteLine("\tPHOTO_FRAME\t%d", m_photoFrame);
    if (m_effects & IMAGE_CLIP) {
        out.WriteLine("\tCLIP\t\t%d\t%d\t%d\t%d", m_clip.left, m_clip.top, m_clip.right,
                      m_clip.bottom);
    }
    if (m_effects & IMAGE_ANGLE) out.WriteLine("\tANGLE\t\t%d", m_angle);
    if (m_effects & IMAGE_THROUGH_COLOR) {
        out.WriteLine("\tTHROUGH_COLOR\t%d\t%d\t%d", m_color.red, m_color.green, m_color.blue);
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

CSceneText::CSceneText() : CScene(SCENE_TEXT) {
    m_color = CColor(255, 255, 255, 255);
    m_bgcolor = CColor(0, 0, 0, 0);
}

int CSceneText::TestFrame(int, int32_t) {
    return 1;
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
    m_expanded = m_string;
    int result = BuildPath();
    if (result != 0 || m_file.empty()) return result;
    if (CheckFile(nullptr) != 0) {
        if (report) {
            report(format_string(
                "ブロック %s で指定されたファイルを開くことができません。\nファイル：%s",
                cp932_to_utf8(m_name).c_str(), cp932_to_utf8(m_file).c_str()));
        }
        return -1;
    }
    m_expanded = expand_exif_placeholders(m_string, MakeExifReader());
    return 0;
}

int CSceneText::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tSIZE\t\t%d\t%d", m_width, m_height);
    if (!m_file.empty()) out.WriteLine("\tFILE\t\t\"%s\"", m_file.c_str());
    if (m_frameOffset != 0) out.WriteLine("\tFRAME_OFFSET\t%d", m_frameOffset);
    out.WriteLine("\tFONT\t\t\"%s\"\t%d\t%d", m_font.c_str(), m_fontWidth, m_fontHeight);
    // One STRING line per text line: every line break after the first character
    // closes the line and opens the next.
    std::string line = "\tSTRING\t\t\"";
    for (size_t i = 0; i < m_string.size();) {
        unsigned char c = static_cast<unsigned char>(m_string[i]);
        if (i > 0 && c == '\r' && i + 1 < m_string.size() && m_string[i + 1] == '\n') {
            line += '"';
            out.WriteText(line);
            line = "\tSTRING\t\t\"";
            i += 2;
            continue;
        }
        size_t width = (c >= 0x80 && i + 1 < m_string.size()) ? 2 : 1;
        line.append(m_string, i, width);
        i += width;
    }
    line += '"';
    out.WriteText(line);
    out.WriteLine("\tCOLOR\t\t%d\t%d\t%d\t%d", m_color.red, m_color.green, m_color.blue,
                  m_color.alpha);
    switch (m_align) {
        case TEXT_ALIGN_CENTER:
            out.WriteText("\tALIGN\t\tCENTER");
            break;
        case TEXT_ALIGN_RIGHT:
            out.WriteText("\tALIGN\t\tRIGHT");
            break;
        case TEXT_ALIGN_LEFT:
            out.WriteText("\tALIGN\t\tLEFT");
            break;
        default:
            break;
    }
    switch (m_valign) {
        case TEXT_VALIGN_CENTER:
            out.WriteText("\tVALIGN\t\tCENTER");
            break;
        case TEXT_VALIGN_TOP:
            out.WriteText("\tVALIGN\t\tTOP");
            break;
        case TEXT_VALIGN_BOTTOM:
            out.WriteText("\tVALIGN\t\tBOTTOM");
            break;
        default:
            break;
    }
    out.WriteText("}");
    return 0;
}

// ---- DRAW ----

void DrawShape::Dump(CDumpWriter& out) const {
    out.WriteText("");
    out.WriteText(kind == LINE ? "\tLINE" : kind == POLYGON ? "\tPOLYGON" : "\tELLIPSE");
    out.WriteText("\t{");
    if (kind == ELLIPSE) {
        out.WriteLine("\t\tREGION\t%d\t%d\t%d\t%d", region.left, region.top, region.right,
                      region.bottom);
    } else {
        for (const Point& point : points) out.WriteLine("\t\tPOINT\t%d\t%d", point.x, point.y);
    }
    out.WriteLine("\t\tWIDTH\t%d", width);
    if (kind != LINE && fill) out.WriteText("\t\tFILL");
    if (kind == ELLIPSE) out.WriteLine("\t\tANGLE\t%d", angle);
    out.WriteText("\t}");
}

int CSceneDraw::TestFrame(int, int32_t) {
    return 1;
}

int CSceneDraw::DescribeFrame(int32_t frame, int, FrameDescription& list) {
    DescribeSelf(frame, list);
    return 0;
}

int CSceneDraw::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tSIZE\t\t%d\t%d", m_width, m_height);
    out.WriteLine("\tCOLOR\t\t%d\t%d\t%d\t%d", m_color.red, m_color.green, m_color.blue,
                  m_color.alpha);
    for (const DrawShape& shape : m_shapes) shape.Dump(out);
    out.WriteText("}");
    return 0;
}

// ---- MOVIE ----

int CSceneMovie::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return 1;
    return IsEdgeFrame(frame, true);
}

int CSceneMovie::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeInputs(frame, depth, list);
}

int CSceneMovie::Validate(const SceneReport& report) {
    int result = CheckFile(report);
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

void CSceneMovie::ApplyScreenDefaults(int32_t width, int32_t height) {
    if (!m_hasRect) m_rect = SceneRect{0, 0, width - 1, height - 1};
}

int CSceneMovie::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine(m_fitMode == 2 ? "\tFILE\t\t\"%s\"\t%d\t%d\t%d\t%d\tMAX_CUT"
                                 : "\tFILE\t\t\"%s\"\t%d\t%d\t%d\t%d",
                  m_file.c_str(), m_rect.left, m_rect.top, m_rect.right, m_rect.bottom);
    out.WriteLine("\tBGCOLOR\t\t%d\t%d\t%d", m_bgcolor.red, m_bgcolor.green, m_bgcolor.blue);
    out.WriteLine("\tFRAME_START\t\t%d", m_frameStart);
    out.WriteLine("\tFRAMES\t\t%d", m_frames);
    out.WriteText("}");
    return 0;
}
