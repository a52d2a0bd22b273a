// The scene model shared by every scene class: type names, frame-count
// arithmetic, links, paths, describing and dumping.

#include "scene/scene.h"

#include <unistd.h>

#include <algorithm>
#include <cstdarg>

#include "base/cp932.h"
#include "base/file_check.h"
#include "base/scenario_name.h"

const char* scene_type_name(uint32_t type) {
    switch (type) {
        case SCENE_IMAGE:
            return "IMAGE";
        case SCENE_TEXT:
            return "TEXT";
        case SCENE_DRAW:
            return "DRAW";
        case SCENE_STILL:
            return "STILL";
        case SCENE_ROTATE:
            return "ROTATE";
        case SCENE_ACTION:
            return "ACTION";
        case SCENE_ZOOM:
            return "ZOOM";
        case SCENE_SLIDE:
            return "SLIDE";
        case SCENE_FOCUS:
            return "FOCUS";
        case SCENE_FILM:
            return "FILM";
        case SCENE_MOVIE:
            return "MOVIE";
        case SCENE_FADE:
            return "FADE";
        case SCENE_CROSSFADE:
            return "CROSSFADE";
        case SCENE_MIX:
            return "MIX";
        case SCENE_SERIES:
            return "SERIES";
        case SCENE_SHAKE:
            return "SHAKE";
        case SCENE_MOSAIC:
            return "MOSAIC";
        case SCENE_EXPAND:
            return "EXPAND";
        case SCENE_CUT:
            return "CUT";
        case SCENE_ALPHA:
            return "ALPHA";
        case SCENE_SHADE:
            return "SHADE";
        case SCENE_MAIN:
            return "MAIN";
        default:
            return "エラー";
    }
}

int32_t saturating_frames(int64_t frames) {
    if (frames <= 0) return 0;
    if (frames >= kEndlessFrames) return kEndlessFrames;
    return static_cast<int32_t>(frames);
}

int32_t add_frames(int32_t a, int32_t b) {
    return saturating_frames(int64_t{std::max(a, 0)} + int64_t{std::max(b, 0)});
}

// ---- dump writer ----

void CDumpWriter::WriteLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = format_string_v(format, args);
    va_end(args);
    WriteText(line);
}

void CDumpWriter::WriteText(std::string_view line) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_text.append(line);
    m_text.append("\r\n");
}

std::string CDumpWriter::Text() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_text;
}

// ---- links ----

CSceneLink::~CSceneLink() = default;

CImageBuffer* CSceneLink::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                   RenderContext* context) {
    if (m_kind == 2) {
        // One shared blank for every caller; they treat it as read-only.
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_blank) {
            int32_t w = m_owner ? m_owner->GetScreenWidth() : 0;
            int32_t h = m_owner ? m_owner->GetScreenHeight() : 0;
            m_blank.reset(create_filled_image(w, h, 0, 0, 0, 0));
        }
        return m_blank.get();
    }
    if (!m_target) return nullptr;
    CImageBuffer* image = m_target->GetImage(frame, mode, runLength, context);
    if (m_volumeAlpha && runLength) *runLength = 0;
    return image;
}

void CSceneLink::ReleaseImage(CImageBuffer* image, int32_t frame) {
    if (m_kind == 2) {
        // The blank stays until the frames of the target are over.
        if (frame >= GetFrameCount()) {
            std::lock_guard<std::mutex> hold(m_lock);
            m_blank.reset();
        }
        return;
    }
    if (m_target) m_target->ReleaseImage(image, frame);
}

int CSceneLink::TestFrame(int kind, int32_t frame) {
    return m_target ? m_target->TestFrame(kind, frame) : 0;
}

int32_t CSceneLink::GetFrameCount() const {
    return m_target ? m_target->GetFrameCount() : 0;
}

int CSceneLink::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    list.push_back(format_string("%d", depth));
    list.push_back(m_inputName);
    if (!m_target) {
        // An unresolved link has nothing to describe; keep the row whole.
        list.push_back(scene_type_name(0));
        list.push_back(format_string("%d", frame));
        list.push_back("(null)");
        return -1;
    }
    return m_target->DescribeFrame(frame, depth, list);
}

// ---- scenes ----

CScene::~CScene() = default;

CImageBuffer* CScene::GetImage(int32_t, int32_t, int32_t*, RenderContext*) {
    return nullptr;
}

void CScene::ReleaseImage(CImageBuffer*, int32_t) {}

void CScene::ResetCache() {}

int CScene::DescribeFrame(int32_t, int, FrameDescription&) {
    return -1;
}

int32_t CScene::ComputeFrameCount() {
    return 0;
}

int32_t CScene::GetFrameCount() {
    int32_t count = m_count.load(std::memory_order_acquire);
    if (count >= 0) return count;
    return CountFrames();
}

int32_t CScene::CountFrames() {
    // Scenes being counted on this thread: a scene met again while its own count is
    // under way belongs to a loop, which Link refuses; until then it counts 0 rather
    // than recursing without end.
    thread_local std::vector<const CScene*> counting;
    if (std::find(counting.begin(), counting.end(), this) != counting.end()) return 0;
    counting.push_back(this);
    int32_t count = std::max<int32_t>(ComputeFrameCount(), 0);
    counting.pop_back();
    m_count.store(count, std::memory_order_release);
    return count;
}

int CScene::Validate(const SceneReport&) {
    return 0;
}

int CScene::Dump(CDumpWriter&) {
    return -1;
}

void CScene::ApplyScreenDefaults(int32_t, int32_t) {}

int32_t CScene::FirstInputFrames() const {
    CSceneLink* input = FirstInput();
    return input ? input->GetFrameCount() : 0;
}

void CScene::DescribeSelf(int32_t frame, FrameDescription& list) const {
    list.push_back(TypeName());
    list.push_back(format_string("%d", frame));
    list.push_back(m_file.empty() ? std::string("(null)") : m_file);
}

int CScene::DescribeInputs(int32_t frame, int depth, FrameDescription& list) {
    int result = 0;
    for (const auto& input : m_inputs) {
        result = input->DescribeFrame(frame, depth + 1, list);
        if (result == -1) break;
    }
    return result;
}

int CScene::DescribeExtra(int32_t frame, int depth, FrameDescription& list) {
    return m_extraLink ? m_extraLink->DescribeFrame(frame, depth + 1, list) : 0;
}

int CScene::IsEdgeFrame(int32_t frame, bool middle) {
    int32_t count = GetFrameCount();
    if (frame == 0 || frame == count - 1) return 1;
    return (middle && frame == count / 2) ? 1 : 0;
}

const char* CScene::InputName(size_t index) const {
    return index < m_inputs.size() ? m_inputs[index]->m_inputName.c_str() : "";
}

void CScene::DumpHead(CDumpWriter& out) const {
    out.WriteText("");
    if (m_type == SCENE_MAIN) {
        out.WriteText("MAIN");
    } else {
        out.WriteLine("%s\t\"%s\"", TypeName(), m_name.c_str());
    }
    out.WriteText("{");
    out.WriteLine("\t# RefCount = %d", m_refcount);
}

int CScene::BuildPath() {
    m_path.clear();
    if (m_file.empty()) return 0;
    if (m_folder.empty()) return -3;
    m_path = resolve_scenario_name(m_folder, m_file);
    return 0;
}

int CScene::CheckFile(const SceneReport& report) {
    int result = BuildPath();
    if (result != 0 || m_file.empty()) return result;
    if (!file_opens_for_reading(m_path)) {
        if (report) {
            report(format_string(
                "ブロック %s で指定されたファイルを開くことができません。\nファイル：%s",
                cp932_to_utf8(m_name).c_str(), cp932_to_utf8(m_file).c_str()));
        }
        return -4;
    }
    return 0;
}
