#pragma once
// Macros: scenario text defined once and stamped out by CALL with different
// arguments. Expansion is pure text substitution of "$(NAME)" references, with
// FOREACH ... ENDFOREACH sections repeated once per group of array values.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CMacroArgument {
    std::string name;   // the text between the parentheses of "$( )", blanks included
    std::string value;  // set by CALL
    bool array = false;
};

class CMacro {
public:
    // Codes of Expand besides success.
    static constexpr int kExpandFailed = -1;
    static constexpr int kExpandTooLarge = -2;

    void SetName(std::string name);
    const std::string& Name() const { return m_name; }
    void SetBody(std::string body) { m_body = std::move(body); }
    const std::string& Body() const { return m_body; }

    void AddArgument(std::string name, bool array);
    int32_t DeclaredCount() const { return m_declaredCount; }
    int32_t ArrayCount() const { return m_arrayCount; }
    int64_t ExpansionCount() const { return m_expansions; }
    const std::vector<CMacroArgument>& Arguments() const { return m_arguments; }

    // Binds the value of argument `index`: a declared argument below the declared
    // count; beyond it, a new entry for the array argument whose turn it is; else
    // the value is dropped.
    void Bind(int64_t index, const std::string& value);

    // The expanded text in *out (0), or kExpandFailed for a FOREACH or ENDFOREACH
    // not followed by a blank, or kExpandTooLarge when the text would exceed
    // `max_bytes` or the substitutions would scan more than *work bytes (which is
    // lowered by what they scan).
    int Expand(std::string* out, int64_t max_bytes, int64_t* work);

    // Drops the entries Bind appended; declared arguments keep their values.
    void ResetBindings();

private:
    std::string m_name;
    std::string m_body;
    std::vector<CMacroArgument> m_arguments;
    int32_t m_declaredCount = 0;
    int32_t m_arrayCount = 0;
    int64_t m_expansions = 0;
};
