// Grammars of the source blocks: IMAGE, TEXT, DRAW (with its shapes) and MOVIE.

#include "base/cp932.h"
#include "base/format.h"
#include "scenario/blocks.h"
#include "scene/keywords.h"
#include "scene/scene_source.h"

namespace {

// Two backslashes in a row are the way to write a line break; a backslash that is
// the second byte of a two-byte character is part of that character.
std::string line_breaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t width = i + 1 < text.size() ? 2 : 1;
            out.append(text.substr(i, width));
            i += width;
        } else if (c == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            out += "\r\n";
            i += 2;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

std::unique_ptr<CScene> parse_image(BlockReader& in) {
    auto scene = std::make_unique<CSceneImage>();
    ImageSettings& s = scene->EditSettings();
    auto source = [&](std::string_view word) {
        return in.OnceWith("FILE",
                           "IMAGE ブロックに複数の FILE または BLOCK_FRAME が定義されています。") &&
               (word == "FILE"
                    ? in.Quoted(&s.file, "画像ファイル名")
                    : in.Input(*scene, 1) && in.AtLeast(&s.blockFrame, "フレーム番号", 0));
    };
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (word == "FILE" || word == "BLOCK_FRAME") return source(word);
        if (const int32_t effect = keyword_code(kImageEffectWords, word)) {
            s.effects |= static_cast<uint32_t>(effect);
            return true;
        }
        if (word == "PHOTO_FRAME") {
            s.effects |= IMAGE_PHOTO_FRAME;
            return in.Integer(&s.photoFrame, "フォトフレーム幅", kCheckBoth, 0, 100);
        }
        if (word == "CLIP") {
            s.effects |= IMAGE_CLIP;
            return in.Rect(&s.clip, "クリップ座標", kCheckLower, 0,
                           "IMAGE ブロックの CLIP 指定子の座標値が不正です。");
        }
        if (word == "ANGLE") {
            s.effects |= IMAGE_ANGLE;
            return in.Free(&s.angle, "角度の値");
        }
        if (word == "THROUGH_COLOR") {
            s.effects |= IMAGE_THROUGH_COLOR;
            const bool read = in.Color(&s.throughColor, false);
            s.throughColor.alpha = 0;
            return read;
        }
        return in.Unknown(word);
    }) &&
                    (in.Seen("FILE") ||
                     in.Fail("IMAGE ブロックに FILE または BLOCK_FRAME が定義されていません。"));
    return in.Finish(std::move(scene), ok);
}

// ALIGN and VALIGN: one word of `table`, else `message` naming the word.
bool read_alignment(BlockReader& in, std::span<const KeywordCode> table, const char* message,
                    int32_t* out) {
    std::string value;
    if (!in.Word(&value)) return false;
    const int32_t code = keyword_code(table, value);
    if (code == 0) return in.Fail(format_string(message, cp932_to_utf8(value).c_str()));
    *out = code;
    return true;
}

std::unique_ptr<CScene> parse_text(BlockReader& in) {
    auto scene = std::make_unique<CSceneText>();
    TextSettings& s = scene->EditSettings();
    bool fontGiven = false;
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (word == "STRING") {
            std::string text;
            const bool read = in.Quoted(&text, "表示対象文字列");
            s.text = line_breaks(text);
            in.Mark("STRING");
            return read;
        }
        if (word == "FILE") {
            return in.OnceWith("FILE", "TEXT ブロックに複数の FILE が定義されています。") &&
                   in.Quoted(&s.file, "JPEG画像ファイル名");
        }
        if (word == "SIZE") {
            return in.Once("SIZE") && in.AtLeast(&s.width, "幅", 0) &&
                   in.AtLeast(&s.height, "高さ", 0);
        }
        if (word == "FONT") {
            fontGiven = true;
            return in.Quoted(&s.font, "フォント名") && in.AtLeast(&s.fontWidth, "フォント幅", 0) &&
                   in.AtLeast(&s.fontHeight, "フォント高", 0);
        }
        if (word == "ALIGN") {
            return read_alignment(in, kAlignWords, "ALIGNオプションでは、%s の記述はできません。",
                                  &s.align);
        }
        if (word == "VALIGN") {
            return read_alignment(in, kValignWords, "VALIGNオプションでは、%s の記述はできません。",
                                  &s.valign);
        }
        if (word == "COLOR") return in.Color(&s.color, true);
        if (word == "ANGLE") {
            s.flags |= TEXT_FLAG_ANGLE;
            return in.Free(&s.angle, "角度の値");
        }
        if (word == "FRAME_OFFSET") return in.AtLeast(&s.frameOffset, "オフセット", 0);
        return in.Unknown(word);
    }) && in.Require(in.Seen("SIZE"), "SIZE") &&
                    in.Require(in.Seen("STRING"), "STRING");
    if (!fontGiven) s.font = kDefaultFontFace;
    return in.Finish(std::move(scene), ok);
}

// A shape block inside DRAW: "{", statements, "}" with the shape's own checks.
bool parse_shape(BlockReader& draw, std::string_view kind, DrawShape* shape) {
    BlockReader in(draw.Reader(), draw.Source(), std::string(kind));
    const bool isRect = kind == "RECT";
    shape->kind = kind == "LINE"      ? DrawShape::LINE
                  : kind == "ELLIPSE" ? DrawShape::ELLIPSE
                                      : DrawShape::POLYGON;
    const bool ellipse = shape->kind == DrawShape::ELLIPSE;
    int points = 0;
    const bool read = in.OpenBrace() && in.Statements([&](const std::string& word) {
        if (word == "POINT" && !ellipse) {
            ++points;
            // A rectangle has two corners; a further POINT is only counted.
            if (isRect && points > 2) return true;
            ShapePoint point;
            const bool ok = in.Free(&point.x, "X座標") && in.Free(&point.y, "Y座標");
            shape->points.push_back(point);
            return ok;
        }
        if (word == "WIDTH") return in.AtLeast(&shape->width, "線幅", 1);
        if (word == "FILL" && shape->kind != DrawShape::LINE) {
            shape->fill = true;
            return true;
        }
        if (word == "REGION" && ellipse) {
            in.Mark("REGION");
            ShapeRegion& r = shape->region;
            return in.Free(&r.left, "領域") && in.Free(&r.top, "領域") &&
                   in.Free(&r.right, "領域") && in.Free(&r.bottom, "領域");
        }
        if (word == "ANGLE" && ellipse) return in.Free(&shape->angle, "角度");
        return in.Unknown(word);
    });
    if (!read) return false;
    const std::string few =
        format_string("%s ブロックの、POINT が定義が少なすぎます。", std::string(kind).c_str());
    if (kind == "LINE" && points < 2) return in.Fail(few);
    if (isRect && points < 2) return in.Fail(few);
    if (isRect && points > 2) return in.Fail("RECT ブロックの、POINT が定義が多すぎます。");
    if (kind == "POLYGON" && points < 3) return in.Fail(few);
    if (ellipse && !in.Seen("REGION"))
        return in.Fail("ELLIPSE ブロックの、REGION 定義がありません。");
    if (isRect) {
        const ShapePoint a = shape->points[0], b = shape->points[1];
        shape->points = {{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}};
    }
    in.Source().Advance();
    return true;
}

std::unique_ptr<CScene> parse_draw(BlockReader& in) {
    auto scene = std::make_unique<CSceneDraw>();
    DrawSettings& s = scene->EditSettings();
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (word == "SIZE") {
            return in.Once("SIZE") && in.AtLeast(&s.width, "幅", 1) &&
                   in.AtLeast(&s.height, "高さ", 1);
        }
        if (word == "COLOR") return in.Color(&s.color, true);
        if (word == "LINE" || word == "RECT" || word == "POLYGON" || word == "ELLIPSE") {
            s.shapes.emplace_back();
            return parse_shape(in, word, &s.shapes.back());
        }
        return in.Unknown(word);
    }) && in.Require(in.Seen("SIZE"), "SIZE");
    return in.Finish(std::move(scene), ok);
}

std::unique_ptr<CScene> parse_movie(BlockReader& in) {
    auto scene = std::make_unique<CSceneMovie>();
    MovieSettings& s = scene->EditSettings();
    const bool ok = in.Head(*scene) && in.Statements([&](const std::string& word) {
        if (word == "FILE") {
            return in.OnceWith("FILE", "MOVIE ブロックに複数の FILE が定義されています。") &&
                   in.Quoted(&s.file, "動画像ファイル名") &&
                   in.OptionalRect(&s.hasRect, &s.rect,
                                   "MOVIE ブロックの FILE 指定子の座標値が不正です。");
        }
        if (word == "MAX_CUT") {
            s.fitMode = 2;
            return true;
        }
        if (word == "BGCOLOR") return in.Color(&s.bgcolor, false);
        if (word == "FRAME_START") return in.AtLeast(&s.frameStart, "開始フレーム番号", 0);
        if (word == "FRAMES") return in.AtLeast(&s.frames, "フレーム数", 0);
        return in.Unknown(word);
    }) && (in.Seen("FILE") || in.Fail("MOVIE ブロックに FILE が定義されていません。"));
    if (ok) in.Reader().SetContainsMovie();
    return in.Finish(std::move(scene), ok);
}

}  // namespace

std::unique_ptr<CScene> parse_source_block(CScenarioReader& reader, CScenarioSource& source,
                                           std::string_view keyword) {
    BlockReader in(reader, source, std::string(keyword));
    if (keyword == "IMAGE") return parse_image(in);
    if (keyword == "TEXT") return parse_text(in);
    if (keyword == "DRAW") return parse_draw(in);
    return parse_movie(in);
}
