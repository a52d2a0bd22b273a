// Validation at the end of linking: file paths, the open check, caption
// placeholders from EXIF data, and each class's own value checks.

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "base/cp932.h"
#include "base/tests/temp_folder.h"
#include "image/tests/picture_fixtures.h"
#include "output/tests/clip_fixtures.h"
#include "scene/scene_composition.h"
#include "scene/scene_motion.h"
#include "scene/scene_source.h"
#include "scene/scene_transition.h"
#include "scene/tests/scene_test_util.h"

namespace {

namespace pf = picture_fixtures;
using Messages = std::vector<std::string>;

class SceneValidate : public ::testing::Test {
protected:
    std::string Folder() const { return m_dir.string(); }
    void Touch(const std::filesystem::path& path) { pf::write_file(path.string(), {1, 2, 3}); }

    TempFolder m_folder;
    const std::filesystem::path m_dir = m_folder.Path();
    Messages m_messages;
    SceneReport m_report = [this](const std::string& text) { m_messages.push_back(text); };
    SceneGraph m_g;
};

// Names are resolved as the document resolves them (drive letters, absolute names and
// two-byte characters ending in 0x5C are its tests'); a file that does not open (a
// folder, a FIFO: base's tests) is reported with the names as written.
TEST_F(SceneValidate, PathsJoinTheFolderAndMissingFilesAreReported) {
    std::filesystem::create_directories(m_dir / "pics");
    Touch(m_dir / "pics" / "a.jpg");
    auto* image = m_g.Add<CSceneImage>("p");
    image->SetFolder(Folder());
    image->EditSettings().file = "pics\\a.jpg";
    EXPECT_EQ(image->Validate(m_report), 0);
    EXPECT_EQ(image->FilePath(), Folder() + "/pics/a.jpg");
    EXPECT_TRUE(m_messages.empty());

    std::string name;
    ASSERT_EQ(utf8_to_cp932("写真", &name), 0);
    auto* missing = m_g.Add<CSceneImage>(name);
    missing->SetFolder(Folder());
    ASSERT_EQ(utf8_to_cp932("pics\\無い.jpg", &missing->EditSettings().file), 0);
    EXPECT_EQ(missing->Validate(m_report), -4);
    EXPECT_EQ(m_messages, (Messages{"ブロック 写真 で指定されたファイルを開くことができません。\n"
                                    "ファイル：pics\\無い.jpg"}));

    // Without a folder nothing is looked at or reported.
    m_messages.clear();
    missing->SetFolder("");
    EXPECT_EQ(missing->Validate(m_report), -3);
    EXPECT_TRUE(m_messages.empty());
    // IMAGE by BLOCK_FRAME and DRAW have no file to check.
    EXPECT_EQ(m_g.Add<CSceneImage>("f")->Validate(m_report), 0);
    EXPECT_EQ(m_g.Add<CSceneDraw>("d")->Validate(m_report), 0);
}

TEST_F(SceneValidate, MovieOpensItsClipOnTrial) {
    auto* movie = m_g.Add<CSceneMovie>("clip");
    movie->SetFolder(Folder());

    // A real clip opens, and its size and length are known afterwards.
    clip_fixtures::ClipRecipe recipe;
    ASSERT_TRUE(clip_fixtures::write_clip((m_dir / "ok.avi").string(), recipe));
    movie->EditSettings().file = "ok.avi";
    EXPECT_EQ(movie->Validate(m_report), 0);
    EXPECT_TRUE(m_messages.empty());
    int32_t width = 0, height = 0, count = 0;
    movie->GetClipInfo(&width, &height, &count);
    EXPECT_EQ(std::tuple(width, height, count),
              std::tuple(recipe.width, recipe.height, recipe.frames));

    // A file that opens but holds no video is refused with the reader's message.
    Touch(m_dir / "not-a-clip.avi");
    movie->EditSettings().file = "not-a-clip.avi";
    EXPECT_EQ(movie->Validate(m_report), -1);
    EXPECT_EQ(m_messages, (Messages{"AVIFileOpenでエラーが発生しました"}));
}

TEST_F(SceneValidate, TextPlaceholdersComeFromTheExifData) {
    // Placeholders are replaced in a fixed order: MAKER first, so its value is then
    // looked at by MODEL; a value never repeats its own placeholder, and inserted text
    // is not expanded again.
    ExifPropertyReader reader = [](uint32_t tag) -> std::optional<std::string> {
        if (tag == 0x10F) return std::string("%MODEL%");
        if (tag == 0x110) return std::string("M");
        return std::nullopt;
    };
    EXPECT_EQ(expand_exif_placeholders("%MAKER%", reader), "M");
    EXPECT_EQ(expand_exif_placeholders("%FOCUS%%FLASH%", reader), "  ");
    ExifPropertyReader self = [](uint32_t) -> std::optional<std::string> {
        return std::string("%MAKER%");
    };
    EXPECT_EQ(expand_exif_placeholders("%MAKER%.", self), "%MAKER%.");

    // Without FILE the text stays as written.
    auto* plain = m_g.Add<CSceneText>("u");
    plain->EditSettings().text = "%MODEL%";
    EXPECT_EQ(plain->Validate(m_report), 0);
    EXPECT_EQ(plain->ExpandedText(), "%MODEL%");

    // A missing picture refuses the caption with -1.
    auto* missing = m_g.Add<CSceneText>("v");
    missing->SetFolder(Folder());
    missing->EditSettings().file = "gone.jpg";
    missing->EditSettings().text = "x";
    EXPECT_EQ(missing->Validate(m_report), -1);
    EXPECT_EQ(m_messages.size(), 1u);

    if (!pf::has_encoder(AV_CODEC_ID_MJPEG)) GTEST_SKIP() << "no JPEG encoder";
    auto ascii = [](const std::string& text) {
        pf::Bytes bytes(text.begin(), text.end());
        bytes.push_back(0);
        return bytes;
    };
    const pf::Bytes block =
        pf::exif_block({{EXIF_IFD_0, 0x10F, EXIF_FORMAT_ASCII, 6, ascii("Maker")},
                        {EXIF_IFD_0, 0x110, EXIF_FORMAT_ASCII, 9, ascii("Model-X1")}},
                       EXIF_BYTE_ORDER_INTEL);
    const pf::Bytes jpeg = pf::encode_jpeg(
        8, 8, [](int, int) { return 0x808080u; }, 2);
    ASSERT_FALSE(jpeg.empty());
    pf::write_file((m_dir / "photo.jpg").string(), pf::with_exif(jpeg, block));

    auto* text = m_g.Add<CSceneText>("t");
    text->SetFolder(Folder());
    text->EditSettings().file = "photo.jpg";
    text->EditSettings().text = "%MODEL% %ISO%/%MAKER%%MAKER%";
    EXPECT_EQ(text->Validate(m_report), 0);
    EXPECT_EQ(text->ExpandedText(), "Model-X1  /MakerMaker")
        << "a missing property becomes one blank";
    EXPECT_EQ(text->EditSettings().text, "%MODEL% %ISO%/%MAKER%%MAKER%");
}

TEST_F(SceneValidate, ClassChecks) {
    auto* picture = m_g.Add<CSceneImage>("p");
    auto* shot = framed(m_g.Over<CSceneStill>(picture, "s"), 30);
    auto* fade = framed(m_g.Over<CSceneFade>(shot, "f"), 20);
    auto* cross = framed(m_g.Over<CSceneCrossfade>(shot, "x"), 10);
    m_g.Input(cross, framed(m_g.Over<CSceneStill>(picture, "short"), 15));
    m_g.Input(cross, shot);
    auto* cut = m_g.Over<CSceneCut>(shot, "c");
    auto* action = framed(m_g.Over<CSceneAction>(picture, "a", SCENE_SLIDE), 5);
    action->EditSettings().afterimage = 6;
    auto* expand = m_g.Over<CSceneExpand>(shot, "e");
    m_g.Count();

    EXPECT_EQ(fade->Validate(m_report), -1);
    fade->EditSettings().fadeMode = FADE_INOUT;
    EXPECT_EQ(fade->Validate(m_report), -1) << "2 x 20 frames do not fit into 30";
    fade->EditSettings().fadeMode = FADE_OUT;
    EXPECT_EQ(fade->Validate(m_report), 0);
    EXPECT_EQ(cross->Validate(m_report), -1);
    EXPECT_EQ(cut->Validate(m_report), -1) << "END was never written";
    cut->EditSettings().end = 29;
    EXPECT_EQ(cut->Validate(m_report), 0);
    cut->EditSettings().start = 30;
    EXPECT_EQ(cut->Validate(m_report), -1);
    EXPECT_EQ(action->Validate(m_report), -1);
    action->EditSettings().afterimage = 5;
    EXPECT_EQ(action->Validate(m_report), 0);
    EXPECT_EQ(expand->Validate(m_report), -1);
    expand->EditSettings().inOut = EXPAND_OUT;
    EXPECT_EQ(expand->Validate(m_report), 0);
    EXPECT_EQ(m_messages, (Messages{
                              "ブロック f に、( IN | OUT | INOUT ) が定義されていません。",
                              "ブロック f では、不正な対象フレーム数が指定されています。",
                              "ブロック x では、入力ブロック short に対して不正な対象フレーム数が"
                              "指定されています。",
                              "ブロック CUT では、入力ブロック s に対して不正なフレーム番号が"
                              "指定されています。",
                              "ブロック CUT では、入力ブロック s に対して不正なフレーム番号が"
                              "指定されています。",
                              "ブロック a では、不正な残像フレーム数が指定されています。",
                              "ブロック e に、( IN | OUT ) が定義されていません。",
                          }));
}

}  // namespace
