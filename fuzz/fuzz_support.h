#pragma once

#include "base/ui.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorva::fuzz {

// Stops the run with a message when a property does not hold; libFuzzer
// then keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                                  \
    do {                                                                                                       \
        if (!(condition))                                                                                      \
            ::quorva::fuzz::checkFailed(#condition, __FILE__, __LINE__);                                       \
    } while (0)

[[noreturn]] void checkFailed(const char* condition, const char* file, int line);

// A Ui nobody sits at: questions get `answer`, choosers and dialogs are
// cancelled, and every call is recorded as one line ("box: ", "ask: ", ...).
class SilentUi final : public Ui {
public:
    Answer answer = Answer::Yes;
    std::vector<std::string> calls;
    // False: nothing is recorded, for a target that never reads the calls
    // and would pay for their text on every input.
    bool record = true;
    // When set, it answers every question (true: Yes or OK) and confirms or
    // cancels every dialog instead of `answer` and the cancelled dialogs.
    std::function<bool()> decide;
    // When set, operations run through it instead of straight to their end.
    std::function<int(Operation&)> run;

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
    bool loadAddressDialog(int& address) override;
    bool selfProgramSettingsDialog(const std::string& currentVersion, const std::string& newVersion,
                                   bool& normalSpeed) override;

    // Calls whose line starts with prefix.
    std::size_t count(std::string_view prefix) const;

private:
    template <typename... Parts>
    void note(const Parts&... parts)
    {
        if (record)
            calls.push_back((std::string(parts) + ...));
    }
};

// The folder this process writes its files into, created on first use and
// removed at exit. A RAM disk when there is one: every save syncs the file,
// and on a real disk that would cost most of the fuzzing time.
const std::string& scratchFolder();
std::string scratchPath(std::string_view name);

// Replaces the file; false when it could not be written.
bool writeFile(const std::string& path, std::string_view contents);

// The input cut at every NUL, as a process's arguments arrive.
std::vector<std::string> splitAtNul(const std::uint8_t* data, std::size_t size);
// Pointers for an argv; valid while `arguments` is.
std::vector<const char*> argvOf(const std::vector<std::string>& arguments);

} // namespace quorva::fuzz
