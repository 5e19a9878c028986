#pragma once

// The Ui of the benchmarks: operations run inline on the calling thread, so
// that a benchmark's CPU time is theirs; every question gets Yes and nothing
// is shown, but the last message box is kept for the error a failed run
// reports.
#include "base/console_ui.h"
#include "base/operation.h"

#include <sstream>
#include <string>

namespace quorva::bench {

struct QuietStreams {
    std::ostringstream out;
    std::istringstream in;
};

class BenchUi final : private QuietStreams, public ConsoleUi {
public:
    BenchUi() : ConsoleUi(out, out, in, false, false) { setAnswerPolicy(AnswerPolicy::Yes); }

    void showMessage(BoxIcon icon, const std::string& caption, const std::string& text) override
    {
        lastBox = text;
        ConsoleUi::showMessage(icon, caption, text);
    }
    int runOperation(Operation& op) override
    {
        op.execute();
        return op.result();
    }

    std::string lastBox;
};

} // namespace quorva::bench
