#include "output/avi_in.h"

#include "output/avi_lock.h"
#include "output/clip_keep.h"
#include "output/video_clip.h"

CAVIIn::CAVIIn() = default;

CAVIIn::~CAVIIn() {
    Close();
}

// Releases the file and this reader's use of the library, without tracing.
void CAVIIn::Close() {
    m_clip.reset();
    if (m_usesLibrary) {
        m_usesLibrary = false;
        ReleaseLock();
    }
}

int CAVIIn::Initialize() {
    auto hold = LockFrames();
    CallTrace("CAVIIn::Initialize");
    // A second Initialize without Finish reopens the file; the reader stays one user.
    m_clip.reset();
    if (!m_usesLibrary) {
        m_usesLibrary = true;
        if (GetLock() == 1) CallTrace("+ AVI : GetLock ... successed.");
    }

    // The clip this or another reader closed last, when its file is unchanged,
    // goes on from where it stopped.
    std::unique_ptr<VideoClip> clip = take_parked_clip(m_fileName);
    const bool reused = clip != nullptr;
    if (!reused) clip = VideoClip::OpenFile(m_fileName);
    if (!clip) {
        CallError("AVIFileOpenでエラーが発生しました");
        CallTrace("+ AVIFileOpen \"%s\"... failed.", m_fileName.c_str());
        return 1;
    }
    CallTrace("+ AVIFileOpen \"%s\" ... successed.", m_fileName.c_str());

    switch (reused ? ClipStream::Ok : clip->TakeVideoStream()) {
        case ClipStream::Ok:
            break;
        case ClipStream::Missing:
            CallError("AVIFileGetStreamでエラーが発生しました");
            CallTrace("+ AVIFileGetStream ... failed.");
            return 1;
        case ClipStream::Unusable:
            // A stream whose size, rate or length cannot be used cannot be taken.
            CallError("AVIFileGetStreamでエラーが発生しました");
            CallTrace("+ AVI format check ... failed.");
            return 1;
        case ClipStream::Unconvertible:
            CallError("AVIファイルフォーマットのビット数が一致しません。");
            CallTrace("+ AVI format bits check ... failed.");
            return 1;
    }
    CallTrace("+ AVIFileGetStream ... successed.");

    m_width = clip->Width();
    m_height = clip->Height();
    m_frameBytes = clip->FrameBytes();
    m_frameRate = clip->FrameRate();
    m_scale = clip->Scale();
    m_frameCount = clip->FrameCount();
    m_firstFrame = 0;
    m_lastFrame = m_frameCount - 1;
    m_clip = std::move(clip);
    return 0;
}

int CAVIIn::PrepareReader() {
    CallTrace("CAVIIn::PrepareReader");
    TraceVideoFormat();
    return 0;
}

ImagePtr CAVIIn::DoVideoReader(int32_t frame) {
    auto hold = LockFrames();
    if (!hold.owns_lock() || frame < m_firstFrame || frame > m_lastFrame) return nullptr;
    CallTrace("CAVIIn::DoVideoReader");
    if (!m_clip) return nullptr;
    ImagePtr image = m_clip->ReadFrame(frame - m_firstFrame);
    CallTrace(image ? "+ AVIStreamGetFrame ... successed." : "+ AVIStreamGetFrame ... failed.");
    return image;
}

int CAVIIn::Finish() {
    auto hold = LockFrames();
    CallTrace("CAVIIn::Finish");
    if (m_clip) {
        park_clip(m_fileName, std::move(m_clip));
        CallTrace("+ AVIStreamRelease ... successed.");
        CallTrace("+ AVIFileRelease ... successed.");
    }
    if (m_usesLibrary) {
        m_usesLibrary = false;
        if (ReleaseLock() == 0) CallTrace("+ AVI : ReleaseLock ... successed.");
    }
    return 0;
}
