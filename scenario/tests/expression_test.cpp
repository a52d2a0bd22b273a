// The expression evaluator: the split at the rightmost operator and its results.

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "base/log.h"
#include "base/tests/temp_folder.h"
#include "scenario/expression.h"
#include "scenario/source.h"

namespace {

struct Result {
    int code;
    int32_t value;
};

Result eval(const std::string& text, const CVariableTable& variables = {}) {
    CScenarioSource source;
    source.SetText(text);
    int32_t value = 12345;
    int code = AnalyzeExpression(source, &value, variables);
    return {code, value};
}

int32_t value(const std::string& text, const CVariableTable& variables = {}) {
    Result r = eval(text, variables);
    EXPECT_EQ(r.code, kExprOk) << text;
    return r.value;
}

TEST(Expression, PrecedenceAssociativityAndEmptyOperands) {
    // An empty operand is 0: "(2*-3)" is (2*0)-3 and "(+)" 0+0.
    const std::pair<const char*, int32_t> cases[] = {
        {"((1+2)*3)", 9}, {"(1+2*3)", 7},  {"((4))", 4},           {"(7/2)", 3},
        {"(-7/2)", -3},   {"(10-3-2)", 5}, {"(100/10/5)", 2},      {"(-3)", -3},
        {"(-2*3)", -6},   {"(2*-3)", -3},  {"( 1 +\t2\n* 3 )", 7}, {"(+)", 0}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(value(text), expected) << text;
}

TEST(Expression, MalformedTextIsRefused) {
    // "(6/-2)" is 6/0 in the left part; in "(a/0)" the letter fails before any division.
    const std::pair<const char*, int> cases[] = {
        {"()", kExprInvalid},          {"((1)(2))", kExprInvalid},   {"(2(3))", kExprInvalid},
        {"(1+a)", kExprInvalid},       {"(1", kExprInvalid},         {"((1)", kExprInvalid},
        {"(6/-2)", kExprDivideByZero}, {"(1/0)", kExprDivideByZero}, {"(a/0)", kExprInvalid}};
    for (const auto& [text, code] : cases) EXPECT_EQ(eval(text).code, code) << text;
}

TEST(Expression, VariablesAreTextSubstitutedValues) {
    CVariableTable variables;
    variables.Define("V", "-5");
    variables.Define("W H", "1");
    EXPECT_EQ(value("(3*$(V))", variables), -5) << "3*-5 is (3*0)-5";
    EXPECT_EQ(value("(3*($(V)))", variables), -15);
    EXPECT_EQ(value("$( V )", variables), -5);
    EXPECT_EQ(eval("$(X)", variables).code, kExprInvalid) << "undefined";
    EXPECT_EQ(eval("$ (V)", variables).code, kExprInvalid);
    // A reference followed by "+1": document_test.cpp.
    variables.Define("V", "7");
    EXPECT_EQ(value("$(V)", variables), 7) << "the newest definition wins";
}

TEST(Expression, ArithmeticWrapsAndHugeNumbersSaturate) {
    EXPECT_EQ(value("(2147483647+1)"), INT32_MIN);
    EXPECT_EQ(value("(65536*65536)"), 0);
    EXPECT_EQ(value("(0-2147483647-1)"), INT32_MIN);
    EXPECT_EQ(value("((0-2147483647-1)/(0-1))"), INT32_MIN) << "no trap on INT_MIN / -1";
    EXPECT_EQ(value("(99999999999999999999)"), INT32_MAX);
    EXPECT_EQ(decimal_to_int32("99999999999", true), INT32_MIN);
    EXPECT_EQ(decimal_to_int32("2147483648", true), INT32_MIN);
    EXPECT_EQ(decimal_to_int32("2147483647", false), INT32_MAX);
}

TEST(Expression, LongAndDeepTextStaysWithinLimits) {
    // A long operator chain is evaluated without one stack frame per operator.
    std::string chain = "(";
    for (int i = 0; i < 200000; ++i) chain += "1+";
    chain += "1)";
    EXPECT_EQ(value(chain), 200001);

    auto nested = [](size_t depth) {
        return std::string(depth, '(') + "5" + std::string(depth, ')');
    };
    EXPECT_EQ(value(nested(kMaxExpressionNesting)), 5);
    EXPECT_EQ(eval(nested(100000)).code, kExprInvalid);
}

TEST(Expression, DebugLogFollowsTheSplits) {
    namespace fs = std::filesystem;
    const fs::path old_dir = fs::current_path();
    TempFolder dir;
    fs::current_path(dir.Path());  // the log is written in the current directory
    OpenDebugLog(true);
    CVariableTable variables;
    variables.Define("V", "2");
    EXPECT_EQ(eval("(10-3-$( V ))", variables).value, 5);
    CloseDebugLog();
    OpenDebugLog(false);
    fs::current_path(old_dir);
    EXPECT_EQ(read_bytes(dir / "Vemo_debug.log"),
              "AnalyzeExpression\r\n"
              "GetInsideParenthesis\r\n"
              "+ \"10-3-$( V )\"\r\n"
              "+ \"10-3-2\"\r\n"
              "AnalyzeExpressionMain\r\n"
              "+ 10-3 : in left expression\r\n"
              "AnalyzeExpressionMain\r\n"
              "+ 10 : in left expression\r\n"
              "AnalyzeExpressionMain\r\n"
              "+ 10 : Number only\r\n"
              "+ 3 : in right expression\r\n"
              "AnalyzeExpressionMain\r\n"
              "+ 3 : Number only\r\n"
              "+ 2 : in right expression\r\n"
              "AnalyzeExpressionMain\r\n"
              "+ 2 : Number only\r\n");
}

}  // namespace
