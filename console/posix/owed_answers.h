// The answers the terminal still owes to status requests. Given back with
// some in flight, the terminal would send them to the shell, which would
// take them for typing; so the restore waits for them first.
#pragma once

namespace fg {

// Requests sent and not yet answered, as the pacing counts them.
void SetStatusAnswersOwed(int count);

// Async-signal-safe: reads what the terminal sends (and drops it, as the
// restore drops typed-ahead keys) until the answers owed have come, at most
// ANSWER_WAIT_MS.
void TakeOwedAnswers();

}  // namespace fg
