#pragma once

#include "clock.h"
#include "operation.h"
#include "ui.h"

#include <iosfwd>
#include <mutex>

namespace quorva {

// How a console answers questions.
enum class AnswerPolicy {
    Prompt, // ask on the terminal; without one, take the default button
    Yes,    // Yes or OK
    No,     // No or Cancel
};

// The Ui of quorva-cli and of headless production runs: status lines and
// boxes as text, questions answered by a policy, progress as a bar on a
// terminal and as plain lines otherwise. It reads its input only when told it
// is a terminal, so a script never hangs on it.
class ConsoleUi : public Ui, private OperationView {
public:
    ConsoleUi(std::ostream& out, std::ostream& err, std::istream& in, bool inputIsTerminal, bool outputIsTerminal,
              Clock& clock = realClock());

    void setAnswerPolicy(AnswerPolicy policy) { policy_ = policy; }
    // One JSON object per event on the output (status, box, question and
    // answer, operation, progress), for programs that follow a run. Nothing
    // is read from the input then.
    void setJsonEvents(bool on);
    bool jsonEvents() const { return json_; }
    // Writes one event object; fields is the rest of the object after "event".
    void emitEvent(const std::string& event, const std::string& fields);
    AnswerPolicy answerPolicy() const { return policy_; }

    void setStatus(const std::string& text) override;
    void showMessage(BoxIcon icon, const std::string& caption, const std::string& text) override;
    Answer ask(Buttons buttons, BoxIcon icon, int defaultButton, const std::string& caption,
               const std::string& text) override;
    std::optional<std::string> chooseOpenFile(const FileChooser& chooser) override;
    std::optional<std::string> chooseSaveFile(const FileChooser& chooser) override;
    void setWaitCursor(bool on) override;
    void beep() override;
    bool openDocument(const std::string& pathOrUrl) override;
    int runOperation(Operation& op) override;
    bool boardSettingsDialog(int& comPort, int& highSpeed) override;
    bool advancedDelaysDialog(std::array<int, 4>& delays) override;
    bool languageDialog(bool& russian) override;
    bool selfProgramSettingsDialog(const std::string& currentVersion, const std::string& newVersion,
                                   bool& normalSpeed) override;
    // The pace a console run uses without asking (--reduced).
    void setReducedFirmwareSpeed(bool reduced) { reducedFirmwareSpeed_ = reduced; }
    bool loadAddressDialog(int& address) override;
    void aboutBox() override;
    // The address a console run merges at without asking (quorva-cli load-at).
    void presetLoadAddress(std::optional<int> address) { presetAddress_ = address; }

private:
    void operationStarted(const std::string& title, const std::string& text) override;
    void operationProgress(int percent, const std::string& percentText) override;
    std::optional<std::string> promptLine(const std::string& prompt);
    std::optional<std::string> choosePath(const char* verb, const FileChooser& chooser);

    std::ostream& out_;
    std::ostream& err_;
    std::istream& in_;
    bool inputIsTerminal_;
    bool outputIsTerminal_;
    Clock& clock_;
    AnswerPolicy policy_ = AnswerPolicy::Prompt;
    std::recursive_mutex mutex_;
    std::string operationTitle_;
    bool barShown_ = false;
    int lastPlainTenth_ = 0;
    bool reducedFirmwareSpeed_ = false;
    bool json_ = false;
    std::optional<int> presetAddress_;
};

} // namespace quorva
