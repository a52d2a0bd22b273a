#pragma once
// The HTML writer: an output folder holding "index.htm", a page that lists the
// frames it is given with their numbers, times and check points, and "images/"
// with a small BMP still of each ("img-%05d.bmp" by frame number). Style 4 also
// shows the structure of the scenario at each frame.
//
// The page is in code page 932, as it declares: texts of the scenario (block and
// file names) are its own bytes, the scenario path is converted; every text that
// comes from the scenario is escaped, so that no name can break the page. Lines
// end with CR LF.

#include <cstdint>
#include <string>

#include "base/atomic_file.h"
#include "base/format.h"
#include "output/movie_out.h"

class CScenario;

// Frame modes: which frames the control thread hands over.
inline constexpr int32_t kHtmlMarkedFrames = 1;    // key frames of MAIN and check points
inline constexpr int32_t kHtmlIntervalFrames = 2;  // every 30th frame

// The HTML settings the control thread fills (in place of the settings dialog).
struct HtmlSettings {
    int32_t frameMode = kHtmlMarkedFrames;
    int32_t style = 1;      // 1 one image a row, 2 three, 3 five, 4 one with the structure
    bool openPage = false;  // open the finished page in the browser
};

class CHTMLOut : public CMovieOut {
public:
    CHTMLOut();
    ~CHTMLOut() override;

    int EnableTest() override { return 0; }
    int Initialize() override;
    int Finish() override;
    // The file name is the output folder.
    int PrepareWriter() override;
    // `position` is the frame number.
    int DoVideoWriter(const CImageBuffer* image, int32_t position, int32_t frameBytes,
                      int32_t keyFlag, int64_t time) override;
    int CloseWriter() override;

    void SetScenario(CScenario* scenario) { m_scenario = scenario; }
    void SetImageCount(int32_t count) { m_imageCount = count; }
    void SetFrameMode(int32_t mode) { m_frameMode = mode; }
    int32_t FrameMode() const { return m_frameMode; }
    // 1 "１列表示", 2 "３列表示" (3 columns), 3 "５列表示" (5 columns),
    // 4 "１列表示 (構成情報)".
    void SetStyle(int32_t style);
    // "<folder>/index.htm" once PrepareWriter ran.
    const std::string& IndexPath() const { return m_indexPath; }

private:
    // Writes one line and CR LF to the page. 0, or -1 when the write failed.
    int WriteLine(const char* format, ...) VEMO_PRINTF(2, 3);
    // Creates `folder` when it is missing. 0, or 1 with the reason traced.
    int MakeFolder(const std::string& folder, const char* failure);
    int SaveStill(const CImageBuffer* image, const std::string& path);
    void WriteStructure(int32_t frame);

    std::string m_indexPath;
    AtomicFile m_page;  // the page being written
    bool m_pageOpen = false;
    bool m_failed = false;  // a line or a still could not be written
    int32_t m_frameMode = kHtmlMarkedFrames;
    int32_t m_style = 1;
    int32_t m_imageCount = 0;
    int32_t m_previousFrame = 0;
    int32_t m_imageNumber = 0;
    int32_t m_columns = 0;
    CScenario* m_scenario = nullptr;
};
