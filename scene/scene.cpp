// The scene model shared by every scene class: type names, frame-count
// arithmetic, links, paths, describing and dumping.

#include "scene/scene.h"

#include <unistd.h>

#include <algorithm>
#include <cstdarg>

#include "base/cp932.h"
#include "base/file_check.h"
#include "base/scenario_name.h"

int32_t saturating_frames(int64_t frames) {
    if (frames <= 0) return 0;
    if (frames >= kEndlessFrames) return kEndlessFrames;
    return static_cast<int32_t>(frames);
}

int32_t add_frames(int32_t a, int32_t b) {
    return saturating_frames(int64_t{std::max(a, 0)} + int64_t{std::max(b, 0)});
}

int32_t first_after(std::initializer_list<int64_t> candidates, int64_t after, int32_t limit) {
    int64_t best = limit;
    for (int64_t candidate : candidates) {
        if (candidate > after && candidate >= 0 && candidate < best) best = candidate;
    }
    return static_cast<int32_t>(best);
}

int32_t last_before(std::initializer_list<int64_t> candidates, int64_t before, int32_t limit) {
    const int64_t end = std::min<int64_t>(before, limit);
    int64_t best = -1;
    for (int64_t candidate : candidates) {
        if (candidate < end && candidate >= 0 && candidate > best) best = candidate;
    }
    return static_cast<int32_t>(best);
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

CSceneLink::CSceneLink(std::string inputName, int32_t kind) {
    m_settings.inputName = std::move(inputName);
    m_settings.kind = kind;
}

CSceneLink::~CSceneLink() = default;

SceneRect CSceneLink::Rect() const {
    if (m_settings.hasRect) return m_settings.rect;
    const int32_t w = m_owner ? m_owner->GetScreenWidth() : 0;
    const int32_t h = m_owner ? m_owner->GetScreenHeight() : 0;
    return SceneRect{0, 0, w - 1, h - 1};
}

void CSceneLink::Resolve(SceneOwner* owner, CScene* target) {
    m_owner = owner;
    m_target = target;
}

CImageBuffer* CSceneLink::GetImage(int32_t frame, int32_t mode, int32_t* runLength,
                                   RenderContext* context) {
    if (m_settings.kind == 2) {
        // One shared blank for every caller; they treat it as read-only. It is made
        // again only when the image mode has changed since (between two runs).
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_blank || m_blank->bpp != get_image_mode()) {
            const int32_t w = m_owner ? m_owner->GetScreenWidth() : 0;
            const int32_t h = m_owner ? m_owner->GetScreenHeight() : 0;
            m_blank.reset(create_filled_image(w, h, 0, 0, 0, 0));
        }
        return m_blank.get();
    }
    if (!m_target) return nullptr;
    CImageBuffer* image = m_target->GetImage(frame, mode, runLength, context);
    if (m_settings.volumeAlpha && runLength) *runLength = 0;
    return image;
}

void CSceneLink::ReleaseImage(CImageBuffer* image, int32_t frame) {
    if (m_settings.kind == 2) {
        // The blank stays with the link: other callers may still be looking at it,
        // whatever frame this one was.
        return;
    }
    if (m_target) m_target->ReleaseImage(image, frame);
}

int CSceneLink::TestFrame(int kind, int32_t frame) {
    return m_target ? m_target->TestFrame(kind, frame) : 0;
}

int32_t CSceneLink::NextKeyFrame(int32_t after) {
    return m_target ? m_target->NextKeyFrame(after) : 0;
}

int32_t CSceneLink::PrevKeyFrame(int32_t before) {
    return m_target ? m_target->PrevKeyFrame(before) : -1;
}

int32_t CSceneLink::GetFrameCount() const {
    return m_target ? m_target->GetFrameCount() : 0;
}

int CSceneLink::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    list.push_back(format_string("%d", depth));
    list.push_back(m_settings.inputName);
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

int32_t CScene::NextKeyFrame(int32_t after) {
    const int32_t count = GetFrameCount();
    const int64_t last = int64_t{count} - 1;
    switch (KeyFramePattern()) {
        case KeyFrames::FirstAndLast:
            return first_after({0, last}, after, count);
        case KeyFrames::FirstLastAndMiddle:
            return first_after({0, last, count / 2}, after, count);
        case KeyFrames::AskEachFrame:
            break;
    }
    for (int64_t f = std::max<int64_t>(int64_t{after} + 1, 0); f < count; ++f) {
        if (TestFrame(FRAME_KEY, static_cast<int32_t>(f)) == 1) return static_cast<int32_t>(f);
    }
    return count;
}

int32_t CScene::PrevKeyFrame(int32_t before) {
    const int32_t count = GetFrameCount();
    const int64_t last = int64_t{count} - 1;
    switch (KeyFramePattern()) {
        case KeyFrames::FirstAndLast:
            return last_before({0, last}, before, count);
        case KeyFrames::FirstLastAndMiddle:
            return last_before({0, last, count / 2}, before, count);
        case KeyFrames::AskEachFrame:
            break;
    }
    for (int64_t f = std::min<int64_t>(before, GetFrameCount()) - 1; f >= 0; --f) {
        if (TestFrame(FRAME_KEY, static_cast<int32_t>(f)) == 1) return static_cast<int32_t>(f);
    }
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

const std::string& CScene::FileName() const {
    static const std::string none;
    return none;
}

const std::string& CScene::FilePath() const {
    static const std::string none;
    return none;
}

CSceneLink& CScene::AddInput(std::string name, int32_t kind) {
    m_inputs.push_back(std::make_unique<CSceneLink>(std::move(name), kind));
    return *m_inputs.back();
}

void CScene::SetBackground(std::string name) {
    m_background = std::make_unique<CSceneLink>(std::move(name));
}

std::vector<CSceneLink*> CScene::Links() const {
    std::vector<CSceneLink*> links;
    links.reserve(m_inputs.size() + 1);
    for (const auto& input : m_inputs) links.push_back(input.get());
    if (m_background) links.push_back(m_background.get());
    return links;
}

SceneRect CScene::Screen() const {
    return SceneRect{0, 0, ScreenWidth() - 1, ScreenHeight() - 1};
}

int32_t CScene::FirstInputFrames() const {
    CSceneLink* input = FirstInput();
    return input ? input->GetFrameCount() : 0;
}

void CScene::DescribeSelf(int32_t frame, FrameDescription& list) const {
    list.push_back(TypeName());
    list.push_back(format_string("%d", frame));
    const std::string& file = FileName();
    list.push_back(file.empty() ? std::string("(null)") : file);
}

int CScene::DescribeInputs(int32_t frame, int depth, FrameDescription& list) {
    int result = 0;
    for (const auto& input : m_inputs) {
        result = input->DescribeFrame(frame, depth + 1, list);
        if (result == -1) break;
    }
    return result;
}

int CScene::DescribeFirstInput(int32_t frame, int depth, FrameDescription& list) {
    CSceneLink* input = FirstInput();
    return input ? input->DescribeFrame(frame, depth + 1, list) : 0;
}

int CScene::DescribeBackground(int32_t frame, int depth, FrameDescription& list) {
    return m_background ? m_background->DescribeFrame(frame, depth + 1, list) : 0;
}

int CScene::AskFirstInput(int kind, int32_t frame) {
    CSceneLink* input = FirstInput();
    return input ? input->TestFrame(kind, frame) : 0;
}

int CScene::IsEdgeFrame(int32_t frame, bool middle) {
    int32_t count = GetFrameCount();
    if (frame == 0 || frame == count - 1) return 1;
    return (middle && frame == count / 2) ? 1 : 0;
}

const char* CScene::InputName(size_t index) const {
    return index < m_inputs.size() ? m_inputs[index]->InputName().c_str() : "";
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

int CScene::BuildPath(const std::string& file, std::string* path) const {
    path->clear();
    if (file.empty()) return 0;
    if (m_folder.empty()) return -3;
    *path = resolve_scenario_name(m_folder, file);
    return 0;
}

int CScene::CheckFile(const std::string& file, std::string* path, const SceneReport& report) const {
    int result = BuildPath(file, path);
    if (result != 0 || file.empty()) return result;
    if (!file_opens_for_reading(*path)) {
        ReportMissingFile(file, report);
        return -4;
    }
    return 0;
}

void CScene::ReportMissingFile(const std::string& file, const SceneReport& report) const {
    if (!report) return;
    report(format_string("ブロック %s で指定されたファイルを開くことができません。\nファイル：%s",
                         cp932_to_utf8(m_name).c_str(), cp932_to_utf8(file).c_str()));
}
