// Stand-in for the block grammars until they land: every block word is refused.

#include <memory>
#include <string_view>

#include "base/cp932.h"
#include "base/format.h"
#include "scenario/scenario.h"

std::unique_ptr<CScene> ParseBlock(CScenario& doc, CScenarioSource& source,
                                   std::string_view keyword) {
    doc.ReportError(
        FormatString("%s の記述はできません。", cp932_to_utf8(std::string(keyword)).c_str()),
        &source);
    return nullptr;
}
