// TEXT: a caption, optionally filled in from a photograph's EXIF data.

#include "base/cp932.h"
#include "image/picture_file.h"
#include "image/text_render.h"
#include "image/transform.h"
#include "scene/keywords.h"
#include "scene/scene_source.h"

ImagePtr CSceneText::MakePicture(int32_t, RenderContext*) {
    const TextSettings& s = Settings();
    ImagePtr caption(render_text_image(cp932_to_utf8(m_expanded), s.width, s.height,
                                       cp932_to_utf8(s.font), s.fontWidth, s.fontHeight, s.align,
                                       s.valign, s.frameOffset, s.color, s.bgcolor));
    if (caption && (s.flags & TEXT_FLAG_ANGLE)) caption.reset(rotate_image(caption.get(), s.angle));
    return caption;
}

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
