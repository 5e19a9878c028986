#pragma once

#include "base/clock.h"
#include "base/ui.h"
#include "quiet_log.h"

#include <atomic>
#include <functional>

namespace quorva {

// The Ui of an unattended quiet run: it never waits for a person who is not
// there. Every box goes to the log; every question gets its safe answer (No,
// Cancel) and the log says which; choosers and dialogs are cancelled;
// operations run without a progress display.
class QuietUi final : public Ui {
public:
    // Where the boxes and answered questions go, a line each.
    using LineSink = std::function<void(const std::string&)>;

    QuietUi(QuietLog& log, Clock& clock, const std::atomic<bool>* stop = nullptr)
        : QuietUi([target = &log](const std::string& line) { target->writeLine(line); }, clock, stop)
    {
    }
    // stop, when given, cancels the running operation once it is set.
    QuietUi(LineSink sink, Clock& clock, const std::atomic<bool>* stop = nullptr)
        : sink_(std::move(sink)), clock_(clock), stop_(stop)
    {
    }

    // A view that follows the run: the status lines, and the running
    // operation's progress in percent (called from the operation's thread).
    void follow(std::function<void(const std::string&)> status, std::function<void(int)> progress)
    {
        onStatus_ = std::move(status);
        onProgress_ = std::move(progress);
    }

    void setStatus(const std::string& text) override;
    const std::string& status() const { return status_; }
    void showMessage(BoxIcon icon, const std::string& caption, const std::string& text) override;
    Answer ask(Buttons buttons, BoxIcon icon, int defaultButton, const std::string& caption,
               const std::string& text) override;
    std::optional<std::string> chooseOpenFile(const FileChooser&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileChooser&) override { return std::nullopt; }
    void setWaitCursor(bool) override {}
    void beep() override {}
    bool openDocument(const std::string&) override { return false; }
    int runOperation(Operation& op) override;
    bool boardSettingsDialog(int&, int&) override { return false; }
    bool advancedDelaysDialog(std::array<int, 4>&) override { return false; }
    bool languageDialog(bool&) override { return false; }
    bool loadAddressDialog(int&) override { return false; }
    bool selfProgramSettingsDialog(const std::string&, const std::string&, bool&) override { return false; }

private:
    LineSink sink_;
    Clock& clock_;
    const std::atomic<bool>* stop_ = nullptr;
    std::string status_;
    std::function<void(const std::string&)> onStatus_;
    std::function<void(int)> onProgress_;
};

} // namespace quorva
