// HTML storyboards opened in a real browser: headless Chromium loads the pages a
// creation wrote, and what it decoded (code page, texts, elements, stills) is
// checked; a screenshot of the page is kept in the build tree as an artefact.
//
// A harness page written next to the storyboards frames each page, and on load
// writes what it found into its own DOM, one "key=value" line per fact with the
// values percent-encoded (so the dumped DOM carries them verbatim); Chromium's
// --dump-dom prints it.

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "image/picture_file.h"
#include "render/tests/render_fixture.h"

#ifndef VEMO_ARTIFACT_DIR
#define VEMO_ARTIFACT_DIR "artifacts"
#endif

namespace {

namespace fs = std::filesystem;

// Block names shown by style 4: Japanese (one, "表示", with the trail byte 0x5C
// that naive Shift_JIS handling takes for a backslash), and one made of the
// characters HTML gives a meaning. The caption draws Japanese into the stills.
constexpr const char* kScenario =
    "SCREEN 160 120\n"
    "FRAMERATE 10\n"
    "TEXT \"字幕\" { SIZE 160 120 STRING \"夕日の字幕\" COLOR 255 255 255 255 "
    "ALIGN CENTER VALIGN CENTER }\n"
    "DRAW \"a<b&c\" { SIZE 160 120 COLOR 0 255 0 255 RECT { POINT 0 0 POINT 159 119 FILL } }\n"
    "STILL \"夕日\" { INPUT \"字幕\" BGCOLOR 255 96 0 FRAMES 5 }\n"
    "STILL \"表示\" { INPUT \"a<b&c\" FRAMES 5 }\n"
    "MAIN { INPUT \"夕日\" INPUT \"表示\" }\n";

// `text` quoted for the shell.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// `text` with every "%XX" (as encodeURIComponent writes them) decoded.
std::string percent_decode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool escaped = text[i] == '%' && i + 2 < text.size();
        out += escaped ? static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)) : text[i];
        if (escaped) i += 2;
    }
    return out;
}

// One run of the browser: its exit status and what it printed.
struct BrowserRun {
    int status = -1;
    std::string output;
    std::string errors;
    std::string Describe() const {
        const size_t tail = errors.size() > 4000 ? errors.size() - 4000 : 0;
        return "exit status " + std::to_string(status) +
               " (124 or 137: killed after the timeout); its last messages:\n" +
               errors.substr(tail);
    }
};

// Runs chromium headless (as root) with `args`, its output in files under `work`
// and its home, configuration, cache and profile folders there too, so that
// nothing is left in the user's. A browser still running after a minute is killed
// by `timeout` with everything it started (the process group timeout made).
BrowserRun run_browser(const std::vector<std::string>& args, const fs::path& work) {
    static int runs = 0;
    const std::string tag = std::to_string(++runs);
    const fs::path out = work / ("browser-out-" + tag + ".txt");
    const fs::path err = work / ("browser-err-" + tag + ".txt");
    std::string command = "env HOME=" + quoted(work) +
                          " XDG_CONFIG_HOME=" + quoted(work / "config") +
                          " XDG_CACHE_HOME=" + quoted(work / "cache") +
                          " timeout -k 5 60 chromium --headless --no-sandbox --disable-gpu"
                          " --no-first-run --mute-audio " +
                          quoted("--user-data-dir=" + (work / ("profile-" + tag)).string());
    for (const std::string& arg : args) command += " " + quoted(arg);
    command += " </dev/null >" + quoted(out) + " 2>" + quoted(err);
    const int status = std::system(command.c_str());
    BrowserRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.output = read_bytes(out);
    run.errors = read_bytes(err);
    return run;
}

// What the harness found in one framed page: the values of each key in the order
// written (charset, title, text, tag, cell, image, error).
using PageVerdict = std::map<std::string, std::vector<std::string>>;

const std::vector<std::string>& values(const PageVerdict& page, const std::string& key) {
    static const std::vector<std::string> none;
    const auto found = page.find(key);
    return found == page.end() ? none : found->second;
}
std::string first(const PageVerdict& page, const std::string& key) {
    return values(page, key).empty() ? "" : values(page, key)[0];
}

// The harness page: frames every page in `pages` (relative addresses) and, once
// the window has loaded (every frame and every image in them), writes a section
// per page into <pre id="verdict">.
std::string harness_page(const std::vector<std::string>& pages) {
    std::string frames;
    for (const auto& page : pages)
        frames += "<iframe src=\"" + page + "\" width=\"900\" height=\"600\"></iframe>\n";
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body>\n"
           "<pre id=\"verdict\">pending</pre>\n" +
           frames +
           "<script>\n"
           "const put = (lines, key, value) => lines.push(key + '=' + encodeURIComponent(value));\n"
           "window.addEventListener('load', () => {\n"
           "  const lines = [];\n"
           "  for (const frame of document.querySelectorAll('iframe')) {\n"
           "    put(lines, 'page', frame.getAttribute('src'));\n"
           "    try {\n"
           "      const doc = frame.contentDocument;\n"
           "      put(lines, 'charset', doc.characterSet);\n"
           "      put(lines, 'title', doc.title);\n"
           "      put(lines, 'text', doc.body.textContent);\n"
           "      const names = new Set(Array.from(doc.body.querySelectorAll('*'), e => "
           "e.localName));\n"
           "      for (const name of names) put(lines, 'tag', name);\n"
           "      for (const tt of doc.querySelectorAll('tt'))\n"
           "        put(lines, 'cell', tt.textContent.replace(/\\s+/g, ' ').trim());\n"
           "      for (const img of doc.images) put(lines, 'image', [img.getAttribute('src'),\n"
           "          img.complete ? 1 : 0, img.naturalWidth, img.naturalHeight].join(' '));\n"
           "    } catch (e) {\n"
           "      put(lines, 'error', String(e));\n"
           "    }\n"
           "  }\n"
           "  document.getElementById('verdict').textContent = lines.join('\\n');\n"
           "});\n"
           "</script>\n</body></html>\n";
}

// The sections of the verdict in the dumped DOM, by page address; empty when the
// harness wrote none.
std::map<std::string, PageVerdict> parse_verdict(const std::string& dom) {
    std::map<std::string, PageVerdict> pages;
    const std::string open = "<pre id=\"verdict\">";
    const size_t start = dom.find(open);
    if (start == std::string::npos) return pages;
    const size_t begin = start + open.size();
    std::istringstream body(dom.substr(begin, dom.find("</pre>", begin) - begin));
    PageVerdict* page = nullptr;
    for (std::string line; std::getline(body, line);) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        const std::string value = percent_decode(line.substr(equals + 1));
        if (key == "page") {
            page = &pages[value];
        } else if (page) {
            (*page)[key].push_back(value);
        }
    }
    return pages;
}

// The share of the pixels of a 24-bit image within 12 of (red, green, blue).
double colour_share(const CImageBuffer* image, int red, int green, int blue) {
    int64_t matching = 0;
    for (int32_t y = 0; y < image->height; ++y) {
        const uint8_t* row = image_row(image, y);
        for (int32_t x = 0; x < image->width; ++x) {
            const uint8_t* pixel = row + 3 * x;  // blue, green, red
            if (std::abs(pixel[0] - blue) <= 12 && std::abs(pixel[1] - green) <= 12 &&
                std::abs(pixel[2] - red) <= 12)
                ++matching;
        }
    }
    return static_cast<double>(matching) / (static_cast<double>(image->width) * image->height);
}

using BrowserTest = RenderTest;

TEST_F(BrowserTest, StoryboardPagesLoadEveryStillAndReadTheirJapaneseNamesInChromium) {
    ASSERT_EQ(std::system("command -v chromium >/dev/null"), 0)
        << "chromium is not on PATH: run scripts/bootstrap.sh, which installs it (CI does)";

    // The scenario under a Japanese file name (the page shows its path).
    ASSERT_TRUE(Load(kScenario, "夕日.txt"));
    // Marked frames: 0, 5 (the second shot) and 9 (the last), one image a row with
    // the structure, and three to a row.
    m_chooser.html = {kHtmlMarkedFrames, 4, false};
    ASSERT_EQ(Render(kFormatHtml, "style4", 2), kOutcomeDone) << m_reason;
    m_chooser.html = {kHtmlMarkedFrames, 2, false};
    ASSERT_EQ(Render(kFormatHtml, "style2", 2), kOutcomeDone) << m_reason;

    m_folder.Write("harness.html", harness_page({"style4/index.htm", "style2/index.htm"}));
    const BrowserRun dom =
        run_browser({"--allow-file-access-from-files", "--virtual-time-budget=10000", "--dump-dom",
                     (m_folder.Path() / "harness.html").string()},
                    m_folder.Path());
    ASSERT_EQ(dom.status, 0) << dom.Describe();
    const auto pages = parse_verdict(dom.output);
    ASSERT_EQ(pages.size(), 2u) << "the harness wrote no verdict; the dumped DOM:\n"
                                << dom.output << "\n"
                                << dom.Describe();

    const std::vector<std::string> stills{"images/img-00000.bmp", "images/img-00005.bmp",
                                          "images/img-00009.bmp"};
    for (const auto& [address, page] : pages) {
        SCOPED_TRACE(address);
        EXPECT_EQ(first(page, "error"), "");
        // The page's own declaration picks the code page: the browser knows no
        // other way to read it when it is framed or has few Japanese bytes.
        EXPECT_EQ(first(page, "charset"), "Shift_JIS");
        EXPECT_NE(first(page, "title").find("夕日.txt]"), std::string::npos)
            << first(page, "title");
        const std::string text = first(page, "text");
        EXPECT_NE(text.find("夕日.txt"), std::string::npos);
        EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos)
            << "replacement characters: " << text;

        // Each still is complete, of its file's size: "source complete width height".
        const std::vector<std::string>& images = values(page, "image");
        ASSERT_EQ(images.size(), stills.size());
        const fs::path folder = m_folder.Path() / fs::path(address).parent_path();
        for (size_t i = 0; i < stills.size(); ++i) {
            ImagePtr still(load_picture((folder / stills[i]).string()));
            ASSERT_TRUE(still) << stills[i];
            EXPECT_EQ(images[i], stills[i] + " 1 " + std::to_string(still->width) + " " +
                                     std::to_string(still->height));
        }
    }

    // The structure names every block as text; the one made of "<" and "&" opens
    // no element.
    const PageVerdict& structured = pages.at("style4/index.htm");
    const std::vector<std::string>& cells = values(structured, "cell");
    for (const char* name : {"+ 夕日", "+ 字幕", "+ 表示", "+ a<b&c"}) {
        EXPECT_TRUE(std::find(cells.begin(), cells.end(), name) != cells.end())
            << name << " is not a cell of the structure: " << testing::PrintToString(cells);
    }
    const std::set<std::string> pageTags{"br", "font", "img", "table", "tbody",
                                         "td", "th",   "tr",  "tt"};
    for (const auto& tag : values(structured, "tag"))
        EXPECT_TRUE(pageTags.contains(tag)) << "a text became the element <" << tag << ">";

    // The screenshot of the structured page, kept in the build tree.
    const fs::path artifacts = VEMO_ARTIFACT_DIR;
    std::error_code ignored;
    fs::create_directories(artifacts, ignored);
    const fs::path shot = fs::absolute(artifacts / "storyboard.png");
    fs::remove(shot, ignored);
    const BrowserRun screenshot =
        run_browser({"--hide-scrollbars", "--window-size=900,1000", "--screenshot=" + shot.string(),
                     (m_folder.Path() / "style4" / "index.htm").string()},
                    m_folder.Path());
    ASSERT_EQ(screenshot.status, 0) << screenshot.Describe();
    ImagePtr picture(load_picture(shot.string()));
    ASSERT_TRUE(picture) << "no screenshot at " << shot << "; " << screenshot.Describe();
    std::printf("storyboard screenshot: %s\n", shot.c_str());
    EXPECT_EQ(picture->width, 900);
    // The first two stills are on screen: the sunset colour behind the caption and
    // the green drawing.
    EXPECT_GT(colour_share(picture.get(), 255, 96, 0), 0.02);
    EXPECT_GT(colour_share(picture.get(), 0, 255, 0), 0.02);
}

}  // namespace
