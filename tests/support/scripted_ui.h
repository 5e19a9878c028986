#pragma once

#include "base/clock.h"
#include "base/operation.h"
#include "base/ui.h"

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorva::test {

// A Ui for tests: records every call in order as one line of text and answers
// from a script. Questions without a scripted answer get `defaultAnswer`;
// choosers and dialogs without one are cancelled. Thread-safe, since
// operations call the Ui from their worker thread.
class ScriptedUi : public Ui, private OperationView {
public:
    // --- the script ---
    void answerNext(Answer answer);
    void chooseNext(std::optional<std::string> path);
    void boardSettingsNext(std::optional<std::pair<int, int>> portAndSpeed);
    void advancedDelaysNext(std::optional<std::array<int, 4>> delays);
    void languageNext(std::optional<bool> russian);
    // The pace chosen in the next Self-Program Settings dialog (true = normal), or cancel.
    void selfProgramNext(std::optional<bool> normalSpeed);
    // What OK in the next Project Settings dialog does to the project (and
    // the device it chooses); nullopt cancels.
    void projectSettingsNext(std::optional<std::function<void(Project&, int&)>> edit);
    // The next Lock/Fuse Bits dialog: closed with OK (true) or cancelled.
    void lockFuseNext(bool ok);
    void loadAddressNext(std::optional<int> address);
    // Press Cancel once the running operation reports this percentage (or at
    // once when negative).
    void cancelAtPercent(std::optional<int> percent);
    Answer defaultAnswer = Answer::Yes;

    // --- what happened ---
    std::vector<std::string> calls() const;
    // Calls whose line starts with prefix ("status: ", "box: ", "ask: ", ...).
    std::vector<std::string> callsStartingWith(const std::string& prefix) const;
    std::string lastStatus() const;
    void clearCalls();

    // --- Ui ---
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
    bool projectSettingsDialog(Project& project, int& deviceIndex) override;
    bool lockFuseDialog(LockFuseState& setting, int deviceIndex, bool directMode) override;
    void aboutBox() override;
    bool loadAddressDialog(int& address) override;

    bool openDocumentResult = true;

private:
    void operationStarted(const std::string& title, const std::string& text) override;
    void operationProgress(int percent, const std::string& percentText) override;
    void record(std::string line);
    template <typename T>
    std::optional<T> take(std::deque<std::optional<T>>& queue);

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::deque<Answer> answers_;
    std::deque<std::optional<std::string>> paths_;
    std::deque<std::optional<std::pair<int, int>>> boardSettings_;
    std::deque<std::optional<std::array<int, 4>>> delays_;
    std::deque<std::optional<bool>> languages_;
    std::deque<std::optional<bool>> selfProgram_;
    std::deque<std::optional<std::function<void(Project&, int&)>>> projectSettings_;
    std::deque<std::optional<bool>> lockFuse_;
    std::deque<std::optional<int>> loadAddresses_;
    std::optional<int> cancelAtPercent_;
    Operation* running_ = nullptr;
    RecordingClock pollClock_;
};

const char* iconName(BoxIcon icon);
const char* answerName(Answer answer);

} // namespace quorva::test
