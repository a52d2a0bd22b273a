// WriteScenario: the document written back as scenario text in canonical layout.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "base/cp932.h"
#include "scenario/scenario.h"

namespace {

const std::string kSeparator(80, '#');

// A file-system text (UTF-8) as code page 932 for the dump; characters the code
// page lacks become "?".
std::string to_cp932(const std::string& utf8) {
    std::string bytes;
    utf8_to_cp932(utf8, &bytes);
    return bytes;
}

}  // namespace

std::string CScenario::DumpScenario(const std::string& fileName) {
    CDumpWriter out;
    out.WriteText(kSeparator);
    char date[64] = "";
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local))
        std::strftime(date, sizeof date, "%Y/%m/%d(%a) %H:%M:%S", &local);
    out.WriteLine("# Vemo Scenario file - %s ", date);
    if (!m_versionText.empty()) {
        out.WriteLine("#     Vemo version \t: %s", to_cp932(m_versionText).c_str());
    }
    out.WriteLine("#     File name \t: \"%s\"", to_cp932(fileName).c_str());
    out.WriteLine("#     Total frames \t: %d", m_totalFrames);
    const ScenarioHeader& h = m_header;
    out.WriteLine(
        "#     Total time \t: %.03f [sec]",
        h.framerate != 0 ? static_cast<double>(m_totalFrames) * h.scale / h.framerate : 0.0);
    out.WriteText(kSeparator);
    out.WriteText("");
    out.WriteLine("VERSION\t\t%d", h.version);
    out.WriteLine("SCREEN\t\t%d\t%d", h.screenWidth, h.screenHeight);
    if (!h.audioPath.empty()) out.WriteLine("AUDIO\t\t\"%s\"", to_cp932(h.audioPath).c_str());
    out.WriteLine("FRAMERATE\t%d", h.framerate);
    out.WriteLine("SCALE\t\t%d", h.scale);
    out.WriteLine("PREVIEWSCALE\t%d", h.previewScale);
    out.WriteLine("BOARDBREAK\t%d", h.boardBreak);
    out.WriteLine("STARTFRAME\t%d", h.startFrame);
    out.WriteText("");
    out.WriteText(kSeparator);
    for (const auto& scene : m_scenes) scene->Dump(out);
    if (!m_checkpoints.empty()) {
        out.WriteText("");
        out.WriteText(kSeparator);
        out.WriteText("");
        out.WriteText("CHECKPOINT");
        out.WriteText("{");
        for (const CCheckpoint& entry : m_checkpoints) {
            out.WriteLine("\tCF\t%d\t%d\t%d\t%d", entry.frame, entry.color.red, entry.color.green,
                          entry.color.blue);
        }
        out.WriteText("}");
    }
    out.WriteText("");
    out.WriteText(kSeparator);
    return out.Text();
}

int CScenario::WriteScenario(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    std::string text = DumpScenario(path);
    size_t written = 0;
    while (written < text.size()) {
        ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // a failed write ends the output; single lines are not checked
        written += static_cast<size_t>(n);
    }
    ::close(fd);
    return 0;
}
