// HTML storyboards made by a creation: the frames each mode picks, the finished
// page's address, a stopped creation's page, and a cancelled settings dialog.

#include "render/tests/render_fixture.h"

namespace {

std::string storyboard_scenario() {
    return "SCREEN 64 48\nFRAMERATE 30\nSTARTFRAME 40\n"
           "DRAW \"箱\" { SIZE 64 48 COLOR 255 255 255 255 RECT { POINT 0 0 POINT 63 47 FILL } }\n"
           "STILL \"静\" { INPUT \"箱\" FRAMES 10 }\n"
           "STILL \"長\" { INPUT \"箱\" FRAMES 100 }\n"
           "CUT \"切\" { INPUT \"長\" START 0 END 49 }\n"
           "MAIN { INPUT \"静\" INPUT \"切\" INPUT \"長\" }\n"
           "CHECKPOINT { CT 3000 255 0 0 }\n";
}

std::vector<std::string> stills(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "images"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_F(RenderTest, StoryboardModesPickTheirFramesFromTheStartOfTheScenario) {
    ASSERT_TRUE(Load(storyboard_scenario()));

    // Marked frames: MAIN's key frames (its first and last, each shot's first, the
    // cut's last) and the check point at 3 s; a storyboard always starts at frame
    // 0, whatever STARTFRAME says.
    m_chooser.html = {kHtmlMarkedFrames, 1, true};
    ASSERT_EQ(Render(kFormatHtml, "marked", 2), kOutcomeDone) << m_reason;
    EXPECT_EQ(stills(m_folder.Path() / "marked"),
              (std::vector<std::string>{"img-00000.bmp", "img-00010.bmp", "img-00059.bmp",
                                        "img-00060.bmp", "img-00090.bmp", "img-00159.bmp"}));
    EXPECT_EQ(m_opened, "file://" + (m_folder.Path() / "marked" / "index.htm").string());
    EXPECT_EQ(m_progress.back(), 159);

    // Every 30th frame, any number of workers.
    for (int32_t threads : {1, 3}) {
        m_chooser.html = {kHtmlIntervalFrames, 2, false};
        m_opened.clear();
        const std::string name = "interval" + std::to_string(threads);
        ASSERT_EQ(Render(kFormatHtml, name, threads), kOutcomeDone) << m_reason;
        EXPECT_EQ(stills(m_folder.Path() / name),
                  (std::vector<std::string>{"img-00000.bmp", "img-00030.bmp", "img-00060.bmp",
                                            "img-00090.bmp", "img-00120.bmp", "img-00150.bmp"}));
        EXPECT_TRUE(m_opened.empty());
        const std::string page = read_bytes(m_folder.Path() / name / "index.htm");
        EXPECT_EQ(page.find("This page was not completed."), std::string::npos);
    }
}

TEST_F(RenderTest, AStoppedStoryboardSaysItIsIncompleteAndACancelledOneIsNotMade) {
    ASSERT_TRUE(Load(storyboard_scenario()));
    m_chooser.html = {kHtmlIntervalFrames, 1, true};
    ASSERT_EQ(Render(kFormatHtml, "stopped", 1, [this](int32_t) { m_runner->Stop(); }),
              kOutcomeStopped);
    const std::string page = read_bytes(m_folder.Path() / "stopped" / "index.htm");
    EXPECT_NE(page.find("<font color=\"red\">This page was not completed.</font>"),
              std::string::npos);
    EXPECT_TRUE(m_opened.empty());  // an unfinished page is not opened

    m_chooser.cancel = true;
    EXPECT_EQ(Render(kFormatHtml, "cancelled", 2), kOutcomeInterrupted);
    EXPECT_FALSE(std::filesystem::exists(m_folder.Path() / "cancelled"));
    EXPECT_EQ(Render(kFormatAvi, "cancelled.avi", 2), kOutcomeInterrupted);
    EXPECT_FALSE(std::filesystem::exists(m_folder.Path() / "cancelled.avi"));
}
