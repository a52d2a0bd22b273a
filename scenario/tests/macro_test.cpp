// Macros: definition, CALL with normal and array arguments, FOREACH, reports.

#include <gtest/gtest.h>

#include "scenario/tests/scenario_fixture.h"

namespace {

class MacroTest : public ScenarioTest {
protected:
    // The values of variables with ASCII names, "-" for one that is not defined.
    std::vector<std::string> Vars(const std::vector<std::string>& names) const {
        std::vector<std::string> values;
        for (const std::string& name : names) {
            const std::string* value = m_doc.Variables().Find(name);
            values.push_back(value ? *value : "-");
        }
        return values;
    }
};

TEST_F(MacroTest, ArrayValuesRepeatForeachSections) {
    ASSERT_TRUE(
        Accepts("MACRO M ( $(A), $(B)[] )\n$($(A)) = 1\nFOREACH\n$(V$$) = $(B)\n"
                "ENDFOREACH\nENDMACRO\nCALL M(first, 2, 3, 4, 5)\n"));
    EXPECT_EQ(Vars({"first", "V0000", "V0001", "V0002", "V0003", "V0004"}),
              (std::vector<std::string>{"1", "2", "3", "4", "5", "-"}));

    // Several array arguments go in groups; a call sees only its own array values.
    const std::string macro =
        "MACRO P($(N) $(X)[] $(Y)[])\n"
        "FOREACH $($(N)$$) = ($(X)*10+$(Y)) ENDFOREACH\n"
        "ENDMACRO\n";
    ASSERT_TRUE(Accepts(macro + "CALL P(a, 1, 2, 3, 4)\nCALL P(b, 5, 6)\n"));
    EXPECT_EQ(Vars({"a0000", "a0001", "b0000", "b0001"}),
              (std::vector<std::string>{"12", "34", "56", "-"}));
    EXPECT_EQ(Refused(macro + "\nCALL P(a, 1, 2, 3)\n"),
              At("refused.txt", 5, "引数の数が一致しません。"));

    ASSERT_TRUE(Accepts("MACRO S()\nMAIN { INPUT \"x\" }\nSCREEN 7 8\nENDMACRO\nCALL S()\n"));
    EXPECT_EQ(m_doc.GetScreenWidth(), 7);
    EXPECT_EQ(m_doc.MainScene(), nullptr) << "MAIN inside a macro is skipped";
}

TEST_F(MacroTest, DefinitionCallAndExpansionErrors) {
    const std::pair<std::string, std::string> cases[] = {
        {"$(A) = 1\nMACRO M($(A))\nENDMACRO\n",
         At("refused.txt", 2, "引数名 A は変数名としても使用されています。")},
        {"MACRO M\n$(A)\nENDMACRO\n", At("refused.txt", 2, "引数定義がありません。")},
        {"MACRO M(A)\nENDMACRO\n", At("refused.txt", 1, "引数定義が正しくありません。")},
        {"MACRO M($(A)[] $(B))\nENDMACRO\n",
         At("refused.txt", 1, "引数 B は配列型として定義する必要があります。")},
        {"MACRO M($(A)[)\nENDMACRO\n", At("refused.txt", 1, "引数定義が正しくありません。")},
        {"MACRO M()\nSCALE 1\nENDMACRO", At("refused.txt", 3, "不明なエラーが発生しました。")},
        {"CALL N()\n", At("refused.txt", 1, "マクロ N は定義されていません。")},
        {"MACRO M($(A))\nENDMACRO\nCALL M(1, 2)\n", At("refused.txt", 3, "引数が多すぎます。")},
        {"MACRO M($(A) $(B))\nENDMACRO\nCALL M(1)\n", At("refused.txt", 3, "引数が少なすぎます。")},
        {"MACRO M($(A) $(B)[])\nENDMACRO\nCALL M(1)\n",
         At("refused.txt", 3, "引数が少なすぎます。")},
        {"MACRO M($(A))\nENDMACRO\nCALL M(\"\")\n",
         At("refused.txt", 3, "引数定義が正しくありません。")},
        {"MACRO M($(A))\nENDMACRO\nCALL M x\n",
         At("refused.txt", 3, "引数定義が正しくありません。")},
        {"MACRO M($(A))\nFOREACH\nENDFOREACH\nENDMACRO\nCALL M(1)\n",
         At("マクロ展開 M", 2, "FOREACH の記述はできません。")},
        {"MACRO M($(A)[])\nFOREACHX\nENDMACRO\nCALL M(1)\n",
         At("refused.txt", 4, "マクロ M の展開に失敗しました。")},
        // Quoted values keep blanks, commas and parentheses.
        {"MACRO Q($(S))\n$(S)\nENDMACRO\nCALL Q(\"NOT, A WORD)\")\n",
         At("マクロ展開 Q", 2, "NOT, の記述はできません。")},
        // Lines of the expanded text: 1 is the rest of the MACRO line, 2 "SCALE 1",
        // 3 the rest of the FOREACH line, then two lines per group: the third
        // group's SCALE is line 8.
        {"MACRO E($(L)[])\nSCALE 1\nFOREACH\nSCALE $(L)\nENDFOREACH\nENDMACRO\nCALL E(1, 2, x)\n",
         At("マクロ展開 E", 8, "スケール値を正しく記述してください。")},
        // ENDMACRO is a word starting at an "E": an "E" earlier in the same word
        // hides it ("EXENDMACRO"), "ENDMACROS" is another word, one in a comment is
        // blank.
        {"MACRO M()\n$(E1) = 3 # ENDMACRO in a comment is blank\n"
         "ENDMACROS EXENDMACRO ENDMACRO\nCALL M()\n",
         At("マクロ展開 M", 3, "ENDMACROS の記述はできません。")},
        {"MACRO R($(N))\nSCALE $(N)\nCALL R($(N))\nENDMACRO\nCALL R(2)\n",
         At("マクロ展開 R", 3, "マクロ呼び出しの入れ子が 64 段を超えています。")},
        // An argument that doubles at every level outgrows the limit before the
        // depth does.
        {"MACRO D($(N))\nCALL D($(N)$(N))\nENDMACRO\nCALL D(x)\n",
         At("マクロ展開 D", 2, "マクロ D の展開結果が大きすぎます。")},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(Refused(text), expected) << text;
}

TEST_F(MacroTest, ExpansionWorkIsLimitedPerDocument) {
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
    EXPECT_EQ(Refused(text), At("refused.txt", 13, "マクロ M の展開結果が大きすぎます。"));

    // Sixteen expansions of a body just under 1 MiB fit in 16 MiB; the seventeenth
    // does not.
    text = "MACRO B()" + std::string((size_t{1} << 20) - 8, ' ') + "ENDMACRO\n";
    for (int call = 0; call < 16; ++call) text += "CALL B()\n";
    ASSERT_TRUE(Accepts(text));
    EXPECT_EQ(Refused(text + "CALL B()\n"),
              At("refused.txt", 18, "マクロ B の展開結果が大きすぎます。"));

    // Calls fanning out ten to one over six levels.
    text = "MACRO L0()\n$(X) = 1\nENDMACRO\n";
    for (int level = 1; level <= 6; ++level) {
        text += "MACRO L" + std::to_string(level) + "()\n";
        for (int i = 0; i < 10; ++i) text += "CALL L" + std::to_string(level - 1) + "()\n";
        text += "ENDMACRO\n";
    }
    EXPECT_EQ(Refused(text + "CALL L6()\n"),
              At("マクロ展開 L1", 11, "マクロ L0 の展開結果が大きすぎます。"));
}

}  // namespace
