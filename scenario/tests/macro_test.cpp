// Macros: definition, CALL with normal and array arguments, FOREACH, reports.

#include <gtest/gtest.h>

#include "scenario/tests/scenario_fixture.h"

namespace {

class MacroTest : public ScenarioTest {
protected:
    // The value of a variable with an ASCII name, or "-" when it is not defined.
    std::string Var(const std::string& name) const {
        const std::string* value = m_doc.Variables().Find(name);
        return value ? *value : "-";
    }
};

TEST_F(MacroTest, ArrayValuesRepeatForeachSections) {
    ASSERT_EQ(LoadText("MACRO M ( $(A), $(B)[] )\n"
                       "$($(A)) = 1\n"
                       "FOREACH\n"
                       "$(V$$) = $(B)\n"
                       "ENDFOREACH\n"
                       "ENDMACRO\n"
                       "CALL M(first, 2, 3, 4, 5)\n"),
              0)
        << OnlyError();
    EXPECT_EQ(Var("first"), "1");
    EXPECT_EQ(Var("V0000"), "2");
    EXPECT_EQ(Var("V0001"), "3");
    EXPECT_EQ(Var("V0002"), "4");
    EXPECT_EQ(Var("V0003"), "5");
    EXPECT_EQ(Var("V0004"), "-");
}

TEST_F(MacroTest, SeveralArrayArgumentsGoInGroups) {
    const std::string macro =
        "MACRO P($(N) $(X)[] $(Y)[])\n"
        "FOREACH $($(N)$$) = ($(X)*10+$(Y)) ENDFOREACH\n"
        "ENDMACRO\n";
    ASSERT_EQ(LoadText(macro + "CALL P(a, 1, 2, 3, 4)\nCALL P(b, 5, 6)\n"), 0) << OnlyError();
    EXPECT_EQ(Var("a0000"), "12");
    EXPECT_EQ(Var("a0001"), "34");
    EXPECT_EQ(Var("b0000"), "56");
    EXPECT_EQ(Var("b0001"), "-") << "a call sees only its own array values";

    EXPECT_EQ(LoadFailure(macro + "\nCALL P(a, 1, 2, 3)\n"),
              At("scenario.txt", 5, "引数の数が一致しません。"));
}

TEST_F(MacroTest, QuotedValuesKeepBlanksCommasAndParentheses) {
    ASSERT_EQ(LoadText("MACRO Q($(S))\n$(S)\nENDMACRO\nCALL Q(\"NOT, A WORD)\")\n"), -1);
    EXPECT_EQ(OnlyError(), At("マクロ展開 Q", 2, "NOT, の記述はできません。"));
}

TEST_F(MacroTest, ErrorsInsideAnExpansionCountLinesOfTheExpandedText) {
    ASSERT_EQ(LoadText("MACRO E($(L)[])\n"
                       "SCALE 1\n"
                       "FOREACH\n"
                       "SCALE $(L)\n"
                       "ENDFOREACH\n"
                       "ENDMACRO\n"
                       "CALL E(1, 2, x)\n"),
              -1);
    // Line 1 is the rest of the MACRO line, 2 "SCALE 1", 3 the rest of the FOREACH
    // line, then two lines per group: the third group's SCALE is line 8.
    EXPECT_EQ(OnlyError(), At("マクロ展開 E", 8, "スケール値を正しく記述してください。"));
}

TEST_F(MacroTest, MainInsideAMacroIsSkipped) {
    ASSERT_EQ(LoadText("MACRO S()\nMAIN { INPUT \"x\" }\nSCREEN 7 8\nENDMACRO\nCALL S()\n"), 0)
        << OnlyError();
    EXPECT_EQ(m_doc.GetScreenWidth(), 7);
    EXPECT_EQ(m_doc.MainScene(), nullptr);
}

TEST_F(MacroTest, DefinitionAndCallErrors) {
    const std::pair<std::string, std::string> cases[] = {
        {"$(A) = 1\nMACRO M($(A))\nENDMACRO\n",
         At("scenario.txt", 2, "引数名 A は変数名としても使用されています。")},
        {"MACRO M\n$(A)\nENDMACRO\n", At("scenario.txt", 2, "引数定義がありません。")},
        {"MACRO M(A)\nENDMACRO\n", At("scenario.txt", 1, "引数定義が正しくありません。")},
        {"MACRO M($(A)[] $(B))\nENDMACRO\n",
         At("scenario.txt", 1, "引数 B は配列型として定義する必要があります。")},
        {"MACRO M($(A)[)\nENDMACRO\n", At("scenario.txt", 1, "引数定義が正しくありません。")},
        {"MACRO M()\nSCALE 1\nENDMACRO", At("scenario.txt", 3, "不明なエラーが発生しました。")},
        {"CALL N()\n", At("scenario.txt", 1, "マクロ N は定義されていません。")},
        {"MACRO M($(A))\nENDMACRO\nCALL M(1, 2)\n", At("scenario.txt", 3, "引数が多すぎます。")},
        {"MACRO M($(A) $(B))\nENDMACRO\nCALL M(1)\n",
         At("scenario.txt", 3, "引数が少なすぎます。")},
        {"MACRO M($(A) $(B)[])\nENDMACRO\nCALL M(1)\n",
         At("scenario.txt", 3, "引数が少なすぎます。")},
        {"MACRO M($(A))\nENDMACRO\nCALL M(\"\")\n",
         At("scenario.txt", 3, "引数定義が正しくありません。")},
        {"MACRO M($(A))\nENDMACRO\nCALL M x\n",
         At("scenario.txt", 3, "引数定義が正しくありません。")},
        {"MACRO M($(A))\nFOREACH\nENDFOREACH\nENDMACRO\nCALL M(1)\n",
         At("マクロ展開 M", 2, "FOREACH の記述はできません。")},
        {"MACRO M($(A)[])\nFOREACHX\nENDMACRO\nCALL M(1)\n",
         At("scenario.txt", 4, "マクロ M の展開に失敗しました。")},
    };
    for (const auto& [text, expected] : cases) {
        CScenario doc;
        std::vector<std::string> errors;
        doc.SetErrorCallback([&](const std::string& e) { errors.push_back(e); });
        EXPECT_EQ(doc.Load(Write("scenario.txt", text)), -1) << text;
        EXPECT_EQ(errors, std::vector<std::string>{expected}) << text;
    }
}

TEST_F(MacroTest, EndmacroIsFoundAsAWordStartingAtAnE) {
    // An "E" earlier in the same word hides it ("EXENDMACRO"); "ENDMACROS" is
    // another word; "XENDMACRO" would end the body at its "E".
    ASSERT_EQ(LoadText("MACRO M()\n$(E1) = 3 # ENDMACRO in a comment is blank\n"
                       "ENDMACROS EXENDMACRO ENDMACRO\nCALL M()\n"),
              -1);
    EXPECT_EQ(OnlyError(), At("マクロ展開 M", 3, "ENDMACROS の記述はできません。"));
    EXPECT_EQ(Var("E1"), "3");
}

TEST_F(MacroTest, RecursionEndsAtTheDepthLimit) {
    ASSERT_EQ(LoadText("MACRO R($(N))\nSCALE $(N)\nCALL R($(N))\nENDMACRO\nCALL R(2)\n"), -1);
    EXPECT_EQ(OnlyError(), At("マクロ展開 R", 3, "マクロ呼び出しの入れ子が 64 段を超えています。"));
    EXPECT_EQ(m_doc.Scale(), 2);
}

TEST_F(MacroTest, SubstitutionWorkIsLimitedPerDocument) {
    // 1000 arguments over a body of 100 000 blanks: each call scans 10^8 bytes, and
    // a document may scan 2^30 in all, so the eleventh call is refused.
    std::string text = "MACRO M(";
    std::string values = "(";
    for (int i = 0; i < 1000; ++i) {
        text += "$(a" + std::to_string(i) + ") ";
        values += "1,";
    }
    values.back() = ')';
    text += ")" + std::string(100000, ' ') + "\nENDMACRO\n";
    for (int call = 0; call < 12; ++call) text += "CALL M" + values + "\n";
    ASSERT_EQ(LoadText(text), -1);
    EXPECT_EQ(OnlyError(), At("scenario.txt", 13, "マクロ M の展開結果が大きすぎます。"));
}

TEST_F(MacroTest, ExpandedTextIsLimitedPerDocument) {
    // Sixteen expansions of a body just under 1 MiB fit in 16 MiB; the seventeenth
    // does not.
    std::string text = "MACRO B()" + std::string((size_t{1} << 20) - 8, ' ') + "ENDMACRO\n";
    for (int call = 0; call < 16; ++call) text += "CALL B()\n";
    ASSERT_EQ(LoadText(text), 0) << OnlyError();
    CScenario more;
    Record(more);
    ASSERT_EQ(more.Load(Write("more.txt", text + "CALL B()\n")), -1);
    EXPECT_EQ(OnlyError(), At("more.txt", 18, "マクロ B の展開結果が大きすぎます。"));
}

TEST_F(MacroTest, CallsFanningOutEndWithAnError) {
    std::string text;
    text += "MACRO L0()\n$(X) = 1\nENDMACRO\n";
    for (int level = 1; level <= 6; ++level) {
        text += "MACRO L" + std::to_string(level) + "()\n";
        for (int i = 0; i < 10; ++i) text += "CALL L" + std::to_string(level - 1) + "()\n";
        text += "ENDMACRO\n";
    }
    text += "CALL L6()\n";
    ASSERT_EQ(LoadText(text), -1);
    EXPECT_EQ(OnlyError(), At("マクロ展開 L1", 11, "マクロ L0 の展開結果が大きすぎます。"));

    // An argument that doubles at every level outgrows the limit before the depth does.
    m_errors.clear();
    CScenario doc;
    Record(doc);
    ASSERT_EQ(doc.Load(Write("d.txt", "MACRO D($(N))\nCALL D($(N)$(N))\nENDMACRO\nCALL D(x)\n")),
              -1);
    EXPECT_EQ(OnlyError(), At("マクロ展開 D", 2, "マクロ D の展開結果が大きすぎます。"));
}

}  // namespace
