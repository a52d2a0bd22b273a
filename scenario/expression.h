#pragma once
// Integer expressions with variables: every integer of a scenario may be written as
// a literal or as an expression that starts with "(" or "$".
//
// The evaluator works on text: variable references are substituted, blanks removed,
// and the text is split at the rightmost "+" or "-" outside parentheses (else the
// rightmost "*" or "/"), so operators of one level associate to the left and an
// empty operand counts as 0 ("2*-3" is (2*0)-3). Arithmetic is signed 32-bit with
// two's-complement wrap-around.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

class CScenarioSource;

// The document's variables. A new definition of a name shadows the older one for
// good, so only the newest value is kept.
class CVariableTable {
public:
    void Define(const std::string& name, const std::string& value) { m_values[name] = value; }
    const std::string* Find(const std::string& name) const;

private:
    std::unordered_map<std::string, std::string> m_values;
};

inline constexpr int kExprOk = 0;
inline constexpr int kExprInvalid = -1;
inline constexpr int kExprNoMemory = -2;
inline constexpr int kExprDivideByZero = -5;

// Deepest parenthesis nesting the evaluator follows; deeper text is refused as
// invalid rather than risking the stack.
inline constexpr int kMaxExpressionNesting = 200;

// The text between the first "(" at or after the position and its matching ")".
// The position moves just after the ")". Nothing when there is no "(", no match,
// or nothing between the two.
std::optional<std::string> GetInsideParenthesis(CScenarioSource& source);

// Evaluates the expression at the position (which stands on "(" or "$") and moves
// past it. Returns kExprOk, kExprInvalid or kExprDivideByZero.
int AnalyzeExpression(CScenarioSource& source, int32_t* out, const CVariableTable& variables);

// Evaluates blank-free expression text.
int AnalyzeExpressionMain(std::string_view text, int32_t* out);

// Decimal digits to a 32-bit value; a value beyond the range saturates at
// INT32_MAX (or INT32_MIN when `negative`).
int32_t decimal_to_int32(std::string_view digits, bool negative);
