#include "render/outcome_text.h"

#include "base/format.h"
#include "base/report.h"
#include "render/render_param.h"

std::string outcome_text(int outcome, double seconds, bool preview) {
    switch (outcome) {
        case kOutcomeDone:
            if (preview) {
                return format_string(
                    "%s%s処理時間に %.1f 秒かかりました。",
                    "作成処理が完了しました。\nプレビューモードのため最終フレームが作成されず、",
                    "途中で止まってしまったような映像になっている可能性があります。\n", seconds);
            }
            return format_string("作成処理が完了しました。\n処理時間に %.1f 秒かかりました。",
                                 seconds);
        case kOutcomeStopped:
            return format_string("%s処理時間に %.1f 秒かかりました。",
                                 "作成処理を中止しました。\n"
                                 "作成された映像ファイルは破損しているおそれがあります。\n",
                                 seconds);
        case kOutcomeInterrupted:
            return "作成処理を中断しました。";
        case kOutcomeNotCreated:
            return "ファイル作成に失敗しました。";
        case kOutcomeAudio:
            return "オーディオの作成処理に失敗しました。";
        case kOutcomeFrame:
            return "画像作成処理に失敗しました。";
        case kOutcomeThreads:
            return "スレッド生成処理に失敗しました。";
        default:
            return "異常な終了通知を受け取りました。";
    }
}

const char* outcome_caption(int outcome) {
    switch (outcome) {
        case kOutcomeDone:
            return "作成処理完了";
        case kOutcomeStopped:
            return "作成処理中止";
        case kOutcomeInterrupted:
            return "処理中断";
        default:
            return kErrorCaption;
    }
}

OutcomeKind outcome_kind(int outcome) {
    switch (outcome) {
        case kOutcomeDone:
            return OutcomeKind::Information;
        case kOutcomeStopped:
        case kOutcomeInterrupted:
            return OutcomeKind::Warning;
        default:
            return OutcomeKind::Error;
    }
}
