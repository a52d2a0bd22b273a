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
    const std::string& name() const { return name_; }
    void SetBody(std::string body) { body_ = std::move(body); }
    const std::string& body() const { return body_; }

    void AddArgument(std::string name, bool array);
    int32_t DeclaredCount() const { return declared_count_; }
    int32_t ArrayCount() const { return array_count_; }
    int64_t ExpansionCount() const { return expansions_; }
    const std::vector<CMacroArgument>& Arguments() const { return arguments_; }

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
    std::string name_;
    std::string body_;
    std::vector<CMacroArgument> arguments_;
    int32_t declared_count_ = 0;
    int32_t array_count_ = 0;
    int64_t expansions_ = 0;
};
