#pragma once
// The texts by which a front end tells the outcome of a creation (the codes of
// WM_RENDER_FINISHED), shared by the dialog's message boxes and `vemo render`.

#include <string>

// The message of `outcome`; `seconds` is the time the creation took (shown for a
// completed and a stopped creation), `preview` whether it ran in preview mode.
std::string outcome_text(int outcome, double seconds, bool preview);

// How the message is shown: its caption, and whether it is a success, a warning
// or an error.
enum class OutcomeKind { Information, Warning, Error };
const char* outcome_caption(int outcome);
OutcomeKind outcome_kind(int outcome);
