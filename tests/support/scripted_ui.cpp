#include "scripted_ui.h"

namespace quorva::test {

const char* iconName(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::None: return "none";
    case BoxIcon::Information: return "information";
    case BoxIcon::Warning: return "warning";
    case BoxIcon::Error: return "error";
    case BoxIcon::Question: return "question";
    case BoxIcon::Stop: return "stop";
    }
    return "?";
}

const char* answerName(Answer answer)
{
    switch (answer) {
    case Answer::Ok: return "ok";
    case Answer::Cancel: return "cancel";
    case Answer::Yes: return "yes";
    case Answer::No: return "no";
    }
    return "?";
}

namespace {
const char* buttonsName(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return "ok";
    case Buttons::OkCancel: return "ok-cancel";
    case Buttons::YesNo: return "yes-no";
    case Buttons::YesNoCancel: return "yes-no-cancel";
    }
    return "?";
}
} // namespace

void ScriptedUi::answerNext(Answer answer)
{
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
}

void ScriptedUi::chooseNext(std::optional<std::string> path)
{
    std::lock_guard lock(mutex_);
    paths_.push_back(std::move(path));
}

void ScriptedUi::boardSettingsNext(std::optional<std::pair<int, int>> portAndSpeed)
{
    std::lock_guard lock(mutex_);
    boardSettings_.push_back(portAndSpeed);
}

void ScriptedUi::advancedDelaysNext(std::optional<std::array<int, 4>> delays)
{
    std::lock_guard lock(mutex_);
    delays_.push_back(delays);
}

void ScriptedUi::languageNext(std::optional<bool> russian)
{
    std::lock_guard lock(mutex_);
    languages_.push_back(russian);
}

void ScriptedUi::loadAddressNext(std::optional<int> address)
{
    std::lock_guard lock(mutex_);
    loadAddresses_.push_back(address);
}

void ScriptedUi::cancelAtPercent(std::optional<int> percent)
{
    std::lock_guard lock(mutex_);
    cancelAtPercent_ = percent;
}

std::vector<std::string> ScriptedUi::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> ScriptedUi::callsStartingWith(const std::string& prefix) const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> found;
    for (const std::string& call : calls_) {
        if (call.rfind(prefix, 0) == 0)
            found.push_back(call);
    }
    return found;
}

std::string ScriptedUi::lastStatus() const
{
    const auto statuses = callsStartingWith("status: ");
    return statuses.empty() ? std::string() : statuses.back().substr(8);
}

void ScriptedUi::clearCalls()
{
    std::lock_guard lock(mutex_);
    calls_.clear();
}

void ScriptedUi::record(std::string line)
{
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(line));
}

template <typename T>
std::optional<T> ScriptedUi::take(std::deque<std::optional<T>>& queue)
{
    std::lock_guard lock(mutex_);
    if (queue.empty())
        return std::nullopt;
    std::optional<T> next = std::move(queue.front());
    queue.pop_front();
    return next;
}

void ScriptedUi::setStatus(const std::string& text)
{
    record("status: " + text);
}

void ScriptedUi::showMessage(BoxIcon icon, const std::string& caption, const std::string& text)
{
    record(std::string("box: ") + iconName(icon) + " | " + caption + " | " + text);
}

Answer ScriptedUi::ask(Buttons buttons, BoxIcon icon, int defaultButton, const std::string& caption,
                       const std::string& text)
{
    Answer answer = defaultAnswer;
    {
        std::lock_guard lock(mutex_);
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
    }
    record(std::string("ask: ") + buttonsName(buttons) + " " + iconName(icon) + " default " +
           std::to_string(defaultButton) + " | " + caption + " | " + text + " -> " + answerName(answer));
    return answer;
}

std::optional<std::string> ScriptedUi::chooseOpenFile(const FileChooser& chooser)
{
    auto path = take(paths_);
    record("open-file: " + chooser.filter + " | " + chooser.defaultExtension + " | " + chooser.initialPath +
           " -> " + path.value_or("(cancel)"));
    return path;
}

std::optional<std::string> ScriptedUi::chooseSaveFile(const FileChooser& chooser)
{
    auto path = take(paths_);
    record("save-file: " + chooser.filter + " | " + chooser.defaultExtension + " | " + chooser.initialPath +
           (chooser.confirmOverwrite ? " | confirm overwrite" : "") + " -> " + path.value_or("(cancel)"));
    return path;
}

void ScriptedUi::setWaitCursor(bool on)
{
    record(on ? "wait-cursor: on" : "wait-cursor: off");
}

void ScriptedUi::beep()
{
    record("beep");
}

bool ScriptedUi::openDocument(const std::string& pathOrUrl)
{
    record("open-document: " + pathOrUrl);
    return openDocumentResult;
}

int ScriptedUi::runOperation(Operation& op)
{
    record("operation: run");
    {
        std::lock_guard lock(mutex_);
        running_ = &op;
        if (cancelAtPercent_ && *cancelAtPercent_ < 0)
            op.requestCancel();
    }
    op.setView(this);
    const int result = runOnWorkerThread(op, pollClock_, [] {});
    op.setView(nullptr);
    {
        std::lock_guard lock(mutex_);
        running_ = nullptr;
    }
    record("operation: result " + std::to_string(result));
    return result;
}

void ScriptedUi::operationStarted(const std::string& title, const std::string& text)
{
    record("operation: start | " + title + " | " + text);
}

void ScriptedUi::operationProgress(int percent, const std::string& percentText)
{
    record("operation: progress " + std::to_string(percent) + " | " + percentText);
    std::lock_guard lock(mutex_);
    if (running_ && cancelAtPercent_ && percent >= *cancelAtPercent_)
        running_->requestCancel();
}

bool ScriptedUi::boardSettingsDialog(int& comPort, int& highSpeed)
{
    const auto chosen = take(boardSettings_);
    record("dialog: board settings " + std::to_string(comPort) + " " + std::to_string(highSpeed) +
           (chosen ? " -> " + std::to_string(chosen->first) + " " + std::to_string(chosen->second) : " -> cancel"));
    if (!chosen)
        return false;
    comPort = chosen->first;
    highSpeed = chosen->second;
    return true;
}

bool ScriptedUi::advancedDelaysDialog(std::array<int, 4>& delays)
{
    const auto chosen = take(delays_);
    record(std::string("dialog: advanced delays") + (chosen ? " -> ok" : " -> cancel"));
    if (!chosen)
        return false;
    delays = *chosen;
    return true;
}

bool ScriptedUi::languageDialog(bool& russian)
{
    const auto chosen = take(languages_);
    record(std::string("dialog: language ") + (russian ? "ru" : "en") +
           (chosen ? (*chosen ? " -> ru" : " -> en") : " -> cancel"));
    if (!chosen)
        return false;
    russian = *chosen;
    return true;
}

// Without a scripted answer the dialog is cancelled, like every other one.
bool ScriptedUi::loadAddressDialog(int& address)
{
    const auto chosen = take(loadAddresses_);
    record("dialog: load address " + std::to_string(address) +
           (chosen ? " -> " + std::to_string(*chosen) : std::string(" -> cancel")));
    if (!chosen)
        return false;
    address = *chosen;
    return true;
}

void ScriptedUi::selfProgramNext(std::optional<bool> normalSpeed)
{
    std::lock_guard lock(mutex_);
    selfProgram_.push_back(normalSpeed);
}

bool ScriptedUi::selfProgramSettingsDialog(const std::string& currentVersion, const std::string& newVersion,
                                           bool& normalSpeed)
{
    const auto chosen = take(selfProgram_);
    record("dialog: self-program " + currentVersion + " | " + newVersion +
           (chosen ? (*chosen ? " -> normal" : " -> reduced") : " -> cancel"));
    if (!chosen)
        return false;
    normalSpeed = *chosen;
    return true;
}

void ScriptedUi::projectSettingsNext(std::optional<std::function<void(Project&, int&)>> edit)
{
    std::lock_guard lock(mutex_);
    projectSettings_.push_back(std::move(edit));
}

void ScriptedUi::lockFuseNext(bool ok)
{
    std::lock_guard lock(mutex_);
    lockFuse_.push_back(ok);
}

bool ScriptedUi::projectSettingsDialog(Project& project, int& deviceIndex)
{
    const auto edit = take(projectSettings_);
    record(std::string("dialog: project settings") + (edit ? " -> ok" : " -> cancel"));
    if (!edit)
        return false;
    (*edit)(project, deviceIndex);
    return true;
}

bool ScriptedUi::lockFuseDialog(LockFuseState&, int deviceIndex, bool directMode)
{
    const auto ok = take(lockFuse_);
    record("dialog: lock fuse " + std::to_string(deviceIndex) + (directMode ? " direct" : " project") +
           (ok.value_or(false) ? " -> ok" : " -> cancel"));
    return ok.value_or(false);
}

void ScriptedUi::aboutBox()
{
    record("dialog: about");
}

} // namespace quorva::test
