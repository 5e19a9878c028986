#include "quiet_ui.h"

#include "base/messages.h"
#include "base/operation.h"

namespace quorva {

namespace {

// Passes an operation's progress on, and nothing else.
class ProgressForwarder final : public OperationView {
public:
    explicit ProgressForwarder(const std::function<void(int)>& progress) : progress_(progress) {}
    void operationStarted(const std::string&, const std::string&) override { progress_(0); }
    void operationProgress(int percent, const std::string&) override { progress_(percent); }

private:
    const std::function<void(int)>& progress_;
};

} // namespace

void QuietUi::setStatus(const std::string& text)
{
    status_ = text;
    if (onStatus_)
        onStatus_(text);
}

void QuietUi::showMessage(BoxIcon, const std::string&, const std::string& text)
{
    sink_(text);
}

Answer QuietUi::ask(Buttons buttons, BoxIcon, int, const std::string&, const std::string& text)
{
    // The safe choice: never program a chip that does not match, never
    // process a cut image, never overwrite without a person.
    Answer answer = Answer::Cancel;
    int word = 2021;
    switch (buttons) {
    case Buttons::Ok:
        answer = Answer::Ok;
        word = 2022;
        break;
    case Buttons::YesNo:
        answer = Answer::No;
        word = 1006;
        break;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
        break;
    }
    sink_(text + " -> " + messageText(word));
    return answer;
}

int QuietUi::runOperation(Operation& op)
{
    ProgressForwarder forwarder(onProgress_);
    op.setView(onProgress_ ? &forwarder : nullptr);
    const int result = runOnWorkerThread(op, clock_, [this, &op] {
        if (stop_ && stop_->load() && !op.cancelRequested())
            op.requestCancel();
    });
    op.setView(nullptr);
    return result;
}

} // namespace quorva
