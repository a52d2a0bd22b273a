// EXPAND: an input revealed or hidden by stretching an edge line across it.

#include "scene/scene_transition.h"

#include "base/cp932.h"
#include "scene/keywords.h"

namespace {

void dump_direction(CDumpWriter& out, int32_t direction) {
    if (const char* word = keyword_word(kDirectionWords, direction)) out.WriteLine("\t%s", word);
}

}  // namespace

int CSceneExpand::TestFrame(int kind, int32_t frame) {
    if (kind == FRAME_SERIAL) return AskFirstInput(kind, frame);
    return IsEdgeFrame(frame, true);
}

int CSceneExpand::DescribeFrame(int32_t frame, int depth, FrameDescription& list) {
    DescribeSelf(frame, list);
    return DescribeFirstInput(frame, depth, list);
}

int CSceneExpand::Validate(const SceneReport& report) {
    if (Settings().inOut != 0) return 0;
    if (report) {
        report(format_string("ブロック %s に、( IN | OUT ) が定義されていません。",
                             cp932_to_utf8(Name()).c_str()));
    }
    return -1;
}

int CSceneExpand::Dump(CDumpWriter& out) {
    DumpHead(out);
    out.WriteLine("\tINPUT\t\t\"%s\"", InputName(0));
    out.WriteText(Settings().inOut == EXPAND_IN ? "\tIN" : "\tOUT");
    dump_direction(out, Settings().direction);
    out.WriteText("}");
    return 0;
}
