// Grammars of the source blocks: IMAGE, TEXT, DRAW (with its shapes) and MOVIE.

#include "base/cp932.h"
#include "base/format.h"
#include "scenario/blocks.h"
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
    if (!in.Head(*scene)) return nullptr;
    bool sourceGiven = false;  // FILE or BLOCK_FRAME
    for (;;) {
        std::string word;
        const int next = in.Next("IMAGE", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "FILE" || word == "BLOCK_FRAME") {
            if (sourceGiven) {
                return in.Refuse(
                    "IMAGE ブロックに複数の FILE または BLOCK_FRAME が定義されています。");
            }
            sourceGiven = true;
            if (word == "FILE") {
                ok = in.Quoted(&scene->m_file, "画像ファイル名");
            } else {
                ok = in.Input(*scene, 1) != nullptr &&
                     in.AtLeast(&scene->m_blockFrame, "フレーム番号", 0);
            }
        } else if (word == "PHOTO_FRAME") {
            ok = in.Integer(&scene->m_photoFrame, "フォトフレーム幅", kCheckBoth, 0, 100);
            scene->m_effects |= IMAGE_PHOTO_FRAME;
        } else if (word == "SEPIA") {
            scene->m_effects |= IMAGE_SEPIA;
        } else if (word == "MONO") {
            scene->m_effects |= IMAGE_MONO;
        } else if (word == "NEGA") {
            scene->m_effects |= IMAGE_NEGA;
        } else if (word == "DISCOLOR") {
            scene->m_effects |= IMAGE_DISCOLOR;
        } else if (word == "HIGHPASS") {
            scene->m_effects |= IMAGE_HIGHPASS;
        } else if (word == "RED") {
            scene->m_effects |= IMAGE_RED;
        } else if (word == "GREEN") {
            scene->m_effects |= IMAGE_GREEN;
        } else if (word == "BLUE") {
            scene->m_effects |= IMAGE_BLUE;
        } else if (word == "CLIP") {
            ok = in.Rect(&scene->m_clip, "クリップ座標", kCheckLower, 0,
                         "IMAGE ブロックの CLIP 指定子の座標値が不正です。");
            scene->m_effects |= IMAGE_CLIP;
        } else if (word == "ANGLE") {
            ok = in.Free(&scene->m_angle, "角度の値");
            scene->m_effects |= IMAGE_ANGLE;
        } else if (word == "THROUGH_COLOR") {
            ok = in.Color(&scene->m_color, false);
            scene->m_color.alpha = 0;
            scene->m_effects |= IMAGE_THROUGH_COLOR;
        } else {
            ok = in.Unknown("IMAGE", word);
        }
        if (!ok) return nullptr;
    }
    if (!sourceGiven) {
        return in.Refuse("IMAGE ブロックに FILE または BLOCK_FRAME が定義されていません。");
    }
    in.Close();
    return scene;
}

std::unique_ptr<CScene> parse_text(BlockReader& in) {
    auto scene = std::make_unique<CSceneText>();
    if (!in.Head(*scene)) return nullptr;
    bool fileGiven = false, sizeGiven = false, stringGiven = false, fontGiven = false;
    for (;;) {
        std::string word;
        const int next = in.Next("TEXT", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "STRING") {
            std::string text;
            ok = in.Quoted(&text, "表示対象文字列");
            scene->m_string = line_breaks(text);
            stringGiven = true;
        } else if (word == "FILE") {
            if (fileGiven) return in.Refuse("TEXT ブロックに複数の FILE が定義されています。");
            fileGiven = true;
            ok = in.Quoted(&scene->m_file, "JPEG画像ファイル名");
        } else if (word == "SIZE") {
            if (sizeGiven) {
                return in.Refuse("TEXT ブロックに、複数の SIZE が定義されています。");
            }
            sizeGiven = true;
            ok = in.AtLeast(&scene->m_width, "幅", 0) && in.AtLeast(&scene->m_height, "高さ", 0);
        } else if (word == "FONT") {
            fontGiven = true;
            ok = in.Quoted(&scene->m_font, "フォント名") &&
                 in.AtLeast(&scene->m_fontWidth, "フォント幅", 0) &&
                 in.AtLeast(&scene->m_fontHeight, "フォント高", 0);
        } else if (word == "ALIGN" || word == "VALIGN") {
            std::string value;
            in.Source().SkipChars(" \t\n");
            if (!in.Doc().ReadWord(&value, in.Source(), " \t\n}")) return nullptr;
            const bool horizontal = word == "ALIGN";
            int32_t code = 0;
            if (value == "CENTER") {
                code = horizontal ? TEXT_ALIGN_CENTER : TEXT_VALIGN_CENTER;
            } else if (horizontal && value == "RIGHT") {
                code = TEXT_ALIGN_RIGHT;
            } else if (horizontal && value == "LEFT") {
                code = TEXT_ALIGN_LEFT;
            } else if (!horizontal && value == "TOP") {
                code = TEXT_VALIGN_TOP;
            } else if (!horizontal && value == "BOTTOM") {
                code = TEXT_VALIGN_BOTTOM;
            } else {
                in.Fail(format_string(horizontal ? "ALIGNオプションでは、%s の記述はできません。"
                                                 : "VALIGNオプションでは、%s の記述はできません。",
                                      cp932_to_utf8(value).c_str()));
                return nullptr;
            }
            (horizontal ? scene->m_align : scene->m_valign) = code;
        } else if (word == "COLOR") {
            ok = in.Color(&scene->m_color, true);
        } else if (word == "ANGLE") {
            ok = in.Free(&scene->m_angle, "角度の値");
            scene->m_flags |= TEXT_FLAG_ANGLE;
        } else if (word == "FRAME_OFFSET") {
            ok = in.AtLeast(&scene->m_frameOffset, "オフセット", 0);
        } else {
            ok = in.Unknown("TEXT", word);
        }
        if (!ok) return nullptr;
    }
    if (!sizeGiven) return in.Refuse("TEXT ブロックに、SIZE が定義されていません。");
    if (!stringGiven) return in.Refuse("TEXT ブロックに、STRING が定義されていません。");
    if (!fontGiven) scene->m_font = kDefaultFontFace;
    in.Close();
    return scene;
}

// A shape block inside DRAW: "{", statements, "}" with the shape's own checks.
bool parse_shape(BlockReader& in, std::string_view kind, DrawShape* shape) {
    const bool isRect = kind == "RECT";
    shape->kind = kind == "LINE"      ? DrawShape::LINE
                  : kind == "ELLIPSE" ? DrawShape::ELLIPSE
                                      : DrawShape::POLYGON;
    if (!in.OpenBrace()) return false;
    int points = 0;
    bool regionGiven = false;
    for (;;) {
        std::string word;
        const int next = in.Next(kind, &word);
        if (next < 0) return false;
        if (next == 0) break;
        bool ok = true;
        if (word == "POINT" && shape->kind != DrawShape::ELLIPSE) {
            ++points;
            // A rectangle has two corners; a further POINT is only counted.
            if (!isRect || points <= 2) {
                DrawShape::Point point;
                ok = in.Free(&point.x, "X座標") && in.Free(&point.y, "Y座標");
                shape->points.push_back(point);
            }
        } else if (word == "WIDTH") {
            ok = in.AtLeast(&shape->width, "線幅", 1);
        } else if (word == "FILL" && shape->kind != DrawShape::LINE) {
            shape->fill = true;
        } else if (word == "REGION" && shape->kind == DrawShape::ELLIPSE) {
            regionGiven = true;
            ok = in.Free(&shape->region.left, "領域") && in.Free(&shape->region.top, "領域") &&
                 in.Free(&shape->region.right, "領域") && in.Free(&shape->region.bottom, "領域");
        } else if (word == "ANGLE" && shape->kind == DrawShape::ELLIPSE) {
            ok = in.Free(&shape->angle, "角度");
        } else {
            ok = in.Unknown(kind, word);
        }
        if (!ok) return false;
    }
    if (kind == "LINE" && points < 2)
        return in.Fail("LINE ブロックの、POINT が定義が少なすぎます。");
    if (isRect && points < 2) return in.Fail("RECT ブロックの、POINT が定義が少なすぎます。");
    if (isRect && points > 2) return in.Fail("RECT ブロックの、POINT が定義が多すぎます。");
    if (kind == "POLYGON" && points < 3) {
        return in.Fail("POLYGON ブロックの、POINT が定義が少なすぎます。");
    }
    if (kind == "ELLIPSE" && !regionGiven) {
        return in.Fail("ELLIPSE ブロックの、REGION 定義がありません。");
    }
    if (isRect) {
        const DrawShape::Point a = shape->points[0], b = shape->points[1];
        shape->points = {{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}};
    }
    in.Close();
    return true;
}

std::unique_ptr<CScene> parse_draw(BlockReader& in) {
    auto scene = std::make_unique<CSceneDraw>();
    if (!in.Head(*scene)) return nullptr;
    bool sizeGiven = false;
    for (;;) {
        std::string word;
        const int next = in.Next("DRAW", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "SIZE") {
            if (sizeGiven) {
                return in.Refuse("DRAW ブロックに、複数の SIZE が定義されています。");
            }
            sizeGiven = true;
            ok = in.AtLeast(&scene->m_width, "幅", 1) && in.AtLeast(&scene->m_height, "高さ", 1);
        } else if (word == "COLOR") {
            ok = in.Color(&scene->m_color, true);
        } else if (word == "LINE" || word == "RECT" || word == "POLYGON" || word == "ELLIPSE") {
            DrawShape shape;
            ok = parse_shape(in, word, &shape);
            scene->m_shapes.push_back(std::move(shape));
        } else {
            ok = in.Unknown("DRAW", word);
        }
        if (!ok) return nullptr;
    }
    if (!sizeGiven) return in.Refuse("DRAW ブロックに、SIZE が定義されていません。");
    in.Close();
    return scene;
}

std::unique_ptr<CScene> parse_movie(BlockReader& in) {
    auto scene = std::make_unique<CSceneMovie>();
    if (!in.Head(*scene)) return nullptr;
    bool fileGiven = false;
    for (;;) {
        std::string word;
        const int next = in.Next("MOVIE", &word);
        if (next < 0) return nullptr;
        if (next == 0) break;
        bool ok = true;
        if (word == "FILE") {
            if (fileGiven) return in.Refuse("MOVIE ブロックに複数の FILE が定義されています。");
            fileGiven = true;
            ok = in.Quoted(&scene->m_file, "動画像ファイル名") &&
                 in.OptionalRect(&scene->m_hasRect, &scene->m_rect,
                                 "MOVIE ブロックの FILE 指定子の座標値が不正です。");
        } else if (word == "MAX_CUT") {
            scene->m_fitMode = 2;
        } else if (word == "BGCOLOR") {
            ok = in.Color(&scene->m_bgcolor, false);
        } else if (word == "FRAME_START") {
            ok = in.AtLeast(&scene->m_frameStart, "開始フレーム番号", 0);
        } else if (word == "FRAMES") {
            ok = in.AtLeast(&scene->m_frames, "フレーム数", 0);
        } else {
            ok = in.Unknown("MOVIE", word);
        }
        if (!ok) return nullptr;
    }
    if (!fileGiven) return in.Refuse("MOVIE ブロックに FILE が定義されていません。");
    in.Close();
    in.Doc().SetContainsMovie();
    return scene;
}

}  // namespace

std::unique_ptr<CScene> parse_source_block(BlockReader& in, std::string_view keyword) {
    if (keyword == "IMAGE") return parse_image(in);
    if (keyword == "TEXT") return parse_text(in);
    if (keyword == "DRAW") return parse_draw(in);
    return parse_movie(in);
}
