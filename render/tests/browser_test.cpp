// HTML storyboards opened in a real browser: headless Chromium loads the pages a
// creation wrote, and what it decoded (code page, texts, elements, stills) is
// checked; a screenshot of the page is kept in the build tree as an artefact.
//
// A harness page written next to the storyboards frames each page, and on load
// writes what it found into its own DOM, one "key=value" line per fact with the
// values percent-encoded (so the dumped DOM carries them verbatim); Chromium's
// --dump-dom prints it.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "image/picture_file.h"
#include "render/tests/render_fixture.h"

extern char** environ;

#ifndef VEMO_ARTIFACT_DIR
#define VEMO_ARTIFACT_DIR "artifacts"
#endif

namespace {

namespace fs = std::filesystem;

constexpr auto kBrowserTimeout = std::chrono::seconds(60);

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

// The path of `name` on PATH, or empty.
std::string find_program(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const fs::path candidate = fs::path(folders.substr(start, end - start)) / name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = end + 1;
    }
    return {};
}

// "file://" and the path, every byte outside the unreserved ones percent-encoded.
std::string file_url(const fs::path& path) {
    static const char* kHex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path.string()) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

std::string percent_decode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// One run of the browser: whether it ended by itself in time, its exit status,
// what it printed.
struct BrowserRun {
    bool finished = false;
    int status = -1;
    std::string output;
    std::string errors;
    std::string Describe() const {
        std::string text =
            finished ? "exit status " + std::to_string(status) : "killed after the timeout";
        const size_t tail = errors.size() > 4000 ? errors.size() - 4000 : 0;
        return text + "; its last messages:\n" + errors.substr(tail);
    }
};

// Runs `program` with `args` in a process group of its own, its output in files
// under `work` and HOME pointed there too; a browser still running after the
// timeout is killed with everything it started.
BrowserRun run_browser(const std::string& program, const std::vector<std::string>& args,
                       const fs::path& work) {
    static int runs = 0;
    const std::string tag = std::to_string(++runs);
    const std::string outPath = (work / ("browser-out-" + tag + ".txt")).string();
    const std::string errPath = (work / ("browser-err-" + tag + ".txt")).string();

    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : argStore) argv.push_back(arg.data());
    argv.push_back(nullptr);

    // The environment as it is, with the home, configuration and cache folders in
    // the test's folder so that nothing is left in the user's.
    std::vector<std::string> envStore;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        if (variable.starts_with("HOME=") || variable.starts_with("XDG_CONFIG_HOME=") ||
            variable.starts_with("XDG_CACHE_HOME="))
            continue;
        envStore.push_back(variable);
    }
    envStore.push_back("HOME=" + work.string());
    envStore.push_back("XDG_CONFIG_HOME=" + (work / "config").string());
    envStore.push_back("XDG_CACHE_HOME=" + (work / "cache").string());
    std::vector<char*> envp;
    for (auto& variable : envStore) envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    BrowserRun run;
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        run.errors = "cannot start " + program + ": " + std::strerror(spawned);
        return run;
    }

    const auto deadline = std::chrono::steady_clock::now() + kBrowserTimeout;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            run.finished = true;
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (done < 0 && errno != EINTR) break;
        if (std::chrono::steady_clock::now() > deadline) {
            // The group leader is not yet reaped, so the group is still this one.
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.output = read_bytes(outPath);
    run.errors += read_bytes(errPath);
    return run;
}

// What the harness found in one framed page.
struct PageImage {
    std::string source;
    bool complete = false;
    int width = 0;
    int height = 0;
};
struct PageVerdict {
    std::string error;
    std::string charset;
    std::string title;
    std::string text;               // the body's text content (UTF-8)
    std::vector<std::string> tags;  // the element names in the body, each once
    // The structure's cells (<tt>), white space (no-break spaces too) folded.
    std::vector<std::string> cells;
    std::vector<PageImage> images;
};

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
    const size_t end = dom.find("</pre>", start);
    std::string body = dom.substr(start + open.size(), end - start - open.size());
    PageVerdict* page = nullptr;
    size_t at = 0;
    while (at < body.size()) {
        size_t eol = body.find('\n', at);
        if (eol == std::string::npos) eol = body.size();
        const std::string line = body.substr(at, eol - at);
        at = eol + 1;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        const std::string value = percent_decode(line.substr(equals + 1));
        if (key == "page") {
            page = &pages[value];
        } else if (!page) {
            continue;
        } else if (key == "error") {
            page->error = value;
        } else if (key == "charset") {
            page->charset = value;
        } else if (key == "title") {
            page->title = value;
        } else if (key == "text") {
            page->text = value;
        } else if (key == "tag") {
            page->tags.push_back(value);
        } else if (key == "cell") {
            page->cells.push_back(value);
        } else if (key == "image") {
            PageImage image;
            const size_t space = value.find(' ');
            image.source = value.substr(0, space);
            int complete = 0;
            std::sscanf(value.c_str() + (space == std::string::npos ? value.size() : space),
                        " %d %d %d", &complete, &image.width, &image.height);
            image.complete = complete != 0;
            page->images.push_back(image);
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

class BrowserTest : public RenderTest {
protected:
    // Writes the scenario under a Japanese file name (the page shows its path) and
    // loads and links it.
    bool LoadJapanese(const std::string& utf8) {
        std::string cp932;
        if (utf8_to_cp932(utf8, &cp932) != 0) return false;
        const std::string path = m_folder.Write("夕日.txt", cp932);
        m_scenario = std::make_unique<CScenario>();
        return m_scenario->Load(path) == 0 && m_scenario->Link() == 0;
    }

    // The common arguments of a headless run as root, with a private profile.
    std::vector<std::string> BrowserArgs(const std::string& profile) const {
        return {"--headless",    "--no-sandbox",
                "--disable-gpu", "--no-first-run",
                "--mute-audio",  "--user-data-dir=" + (m_folder.Path() / profile).string()};
    }
};

TEST_F(BrowserTest, StoryboardPagesLoadEveryStillAndReadTheirJapaneseNamesInChromium) {
    const std::string browser = find_program("chromium");
    ASSERT_FALSE(browser.empty())
        << "chromium is not on PATH: run scripts/bootstrap.sh, which installs it (CI does)";

    ASSERT_TRUE(LoadJapanese(kScenario));
    // Marked frames: 0, 5 (the second shot) and 9 (the last), one image a row with
    // the structure, and three to a row.
    m_chooser.html = {kHtmlMarkedFrames, 4, false};
    ASSERT_EQ(Render(kFormatHtml, "style4", 2), kOutcomeDone) << m_reason;
    m_chooser.html = {kHtmlMarkedFrames, 2, false};
    ASSERT_EQ(Render(kFormatHtml, "style2", 2), kOutcomeDone) << m_reason;

    m_folder.Write("harness.html", harness_page({"style4/index.htm", "style2/index.htm"}));
    std::vector<std::string> args = BrowserArgs("profile-dom");
    args.insert(args.end(), {"--allow-file-access-from-files", "--virtual-time-budget=10000",
                             "--dump-dom", file_url(m_folder.Path() / "harness.html")});
    const BrowserRun dom = run_browser(browser, args, m_folder.Path());
    ASSERT_TRUE(dom.finished && dom.status == 0) << dom.Describe();
    const auto pages = parse_verdict(dom.output);
    ASSERT_EQ(pages.size(), 2u) << "the harness wrote no verdict; the dumped DOM:\n"
                                << dom.output << "\n"
                                << dom.Describe();

    const std::vector<std::string> stills{"images/img-00000.bmp", "images/img-00005.bmp",
                                          "images/img-00009.bmp"};
    for (const auto& [address, page] : pages) {
        SCOPED_TRACE(address);
        EXPECT_EQ(page.error, "");
        // The page's own declaration picks the code page: the browser knows no
        // other way to read it when it is framed or has few Japanese bytes.
        EXPECT_EQ(page.charset, "Shift_JIS");
        EXPECT_NE(page.title.find("夕日.txt]"), std::string::npos) << page.title;
        EXPECT_NE(page.text.find("夕日.txt"), std::string::npos);
        EXPECT_EQ(page.text.find("\xEF\xBF\xBD"), std::string::npos)
            << "replacement characters: " << page.text;

        ASSERT_EQ(page.images.size(), stills.size());
        const fs::path folder = m_folder.Path() / fs::path(address).parent_path();
        for (size_t i = 0; i < stills.size(); ++i) {
            const PageImage& image = page.images[i];
            EXPECT_EQ(image.source, stills[i]);
            ImagePtr still(load_picture((folder / stills[i]).string()));
            ASSERT_TRUE(still) << stills[i];
            EXPECT_TRUE(image.complete && image.width > 0) << stills[i] << " is broken";
            EXPECT_EQ(image.width, still->width) << stills[i];
            EXPECT_EQ(image.height, still->height) << stills[i];
        }
    }

    // The structure names every block as text; the one made of "<" and "&" opens
    // no element.
    const PageVerdict& structured = pages.at("style4/index.htm");
    std::string shown;
    for (const auto& cell : structured.cells) shown += "[" + cell + "] ";
    for (const char* name : {"+ 夕日", "+ 字幕", "+ 表示", "+ a<b&c"}) {
        const auto& cells = structured.cells;
        EXPECT_TRUE(std::find(cells.begin(), cells.end(), name) != cells.end())
            << name << " is not a cell of the structure: " << shown;
    }
    const std::set<std::string> pageTags{"br", "font", "img", "table", "tbody",
                                         "td", "th",   "tr",  "tt"};
    for (const auto& tag : structured.tags)
        EXPECT_TRUE(pageTags.contains(tag)) << "a text became the element <" << tag << ">";

    // The screenshot of the structured page, kept in the build tree.
    const fs::path artifacts = VEMO_ARTIFACT_DIR;
    std::error_code ignored;
    fs::create_directories(artifacts, ignored);
    const fs::path shot = fs::absolute(artifacts / "storyboard.png");
    fs::remove(shot, ignored);
    args = BrowserArgs("profile-shot");
    args.insert(args.end(),
                {"--hide-scrollbars", "--window-size=900,1000", "--screenshot=" + shot.string(),
                 file_url(m_folder.Path() / "style4" / "index.htm")});
    const BrowserRun screenshot = run_browser(browser, args, m_folder.Path());
    ASSERT_TRUE(screenshot.finished && screenshot.status == 0) << screenshot.Describe();
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
