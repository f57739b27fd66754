#pragma once

namespace tavimo {

// The severity of a catalogue message and, with the same numbers, the
// result of every framework operation. Callers test for ResultOk and treat
// anything else as not done.
enum Result : int {
    ResultOk = 0,      // success; continue
    ResultAsk = 1,     // the user must answer a question
    ResultProgram = 2, // program error
    ResultFatal = 3,   // fatal; the application ends
    ResultCancel = 4,  // cancelled by the user
    ResultNotify = 5,  // not done, the user has been told
};

} // namespace tavimo
