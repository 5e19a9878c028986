#include "console_ui.h"

#include "interrupt_guard.h"
#include "json_text.h"
#include "messages.h"
#include "text_tables.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <istream>
#include <ostream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace quorva {

namespace {

const char* iconWord(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Warning: return "warning";
    case BoxIcon::Error: return "error";
    case BoxIcon::Stop: return "stop";
    case BoxIcon::Question: return "question";
    case BoxIcon::Information:
    case BoxIcon::None: break;
    }
    return nullptr;
}

// The buttons in on-screen order, with the words a person may type.
struct Choice {
    Answer answer;
    const char* word;
};

std::vector<Choice> choicesOf(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return {{Answer::Ok, "ok"}};
    case Buttons::OkCancel: return {{Answer::Ok, "ok"}, {Answer::Cancel, "cancel"}};
    case Buttons::YesNo: return {{Answer::Yes, "yes"}, {Answer::No, "no"}};
    case Buttons::YesNoCancel: return {{Answer::Yes, "yes"}, {Answer::No, "no"}, {Answer::Cancel, "cancel"}};
    }
    return {{Answer::Ok, "ok"}};
}

const char* answerWord(Answer answer)
{
    switch (answer) {
    case Answer::Ok: return "OK";
    case Answer::Cancel: return "Cancel";
    case Answer::Yes: return "Yes";
    case Answer::No: return "No";
    }
    return "?";
}

} // namespace

ConsoleUi::ConsoleUi(std::ostream& out, std::ostream& err, std::istream& in, bool inputIsTerminal,
                     bool outputIsTerminal, Clock& clock)
    : out_(out), err_(err), in_(in), inputIsTerminal_(inputIsTerminal), outputIsTerminal_(outputIsTerminal),
      clock_(clock)
{
}

void ConsoleUi::setJsonEvents(bool on)
{
    json_ = on;
    if (on)
        inputIsTerminal_ = false;
}

void ConsoleUi::emitEvent(const std::string& event, const std::string& fields)
{
    std::lock_guard lock(mutex_);
    out_ << "{\"event\":" << jsonString(event) << (fields.empty() ? "" : ",") << fields << "}\n" << std::flush;
}

void ConsoleUi::setStatus(const std::string& text)
{
    if (json_) {
        emitEvent("status", "\"text\":" + jsonString(text));
        return;
    }
    std::lock_guard lock(mutex_);
    out_ << text << '\n' << std::flush;
}

void ConsoleUi::showMessage(BoxIcon icon, const std::string& caption, const std::string& text)
{
    if (json_) {
        const char* word = iconWord(icon);
        emitEvent("box", "\"icon\":" + jsonString(word ? word : icon == BoxIcon::None ? "none" : "information") +
                             ",\"caption\":" + jsonString(caption) + ",\"text\":" + jsonString(text));
        return;
    }
    std::lock_guard lock(mutex_);
    const bool problem = icon == BoxIcon::Error || icon == BoxIcon::Stop || icon == BoxIcon::Warning;
    std::ostream& stream = problem ? err_ : out_;
    stream << '[' << caption;
    if (const char* word = iconWord(icon))
        stream << ", " << word;
    stream << "] " << text << '\n' << std::flush;
}

std::optional<std::string> ConsoleUi::promptLine(const std::string& prompt)
{
    if (!inputIsTerminal_)
        return std::nullopt;
    out_ << prompt << std::flush;
    std::string line;
    if (!std::getline(in_, line))
        return std::nullopt;
    return line;
}

Answer ConsoleUi::ask(Buttons buttons, BoxIcon icon, int defaultButton, const std::string& caption,
                      const std::string& text)
{
    std::lock_guard lock(mutex_);
    const std::vector<Choice> choices = choicesOf(buttons);
    const std::size_t fallback =
        defaultButton >= 0 && static_cast<std::size_t>(defaultButton) < choices.size() ? defaultButton : 0;
    if (!json_) {
        out_ << '[' << caption;
        if (const char* word = iconWord(icon))
            out_ << ", " << word;
        out_ << "] " << text << '\n';
    }

    Answer answer = choices[fallback].answer;
    switch (policy_) {
    case AnswerPolicy::Yes:
        answer = choices.front().answer;
        break;
    case AnswerPolicy::No:
        answer = choices.size() > 1 ? choices[1].answer : choices.front().answer;
        if (buttons == Buttons::YesNoCancel)
            answer = Answer::No;
        break;
    case AnswerPolicy::Prompt: {
        std::string prompt = "(";
        for (std::size_t i = 0; i < choices.size(); ++i) {
            prompt += (i ? "/" : "") + std::string(choices[i].word);
            if (i == fallback)
                prompt += "*";
        }
        prompt += ") ";
        for (;;) {
            const auto line = promptLine(prompt);
            if (!line)
                break;
            if (line->empty())
                break;
            bool matched = false;
            for (const Choice& choice : choices) {
                const std::string word = choice.word;
                if (*line == word || (line->size() == 1 && (*line)[0] == word[0])) {
                    answer = choice.answer;
                    matched = true;
                }
            }
            if (matched)
                break;
        }
        break;
    }
    }
    if (json_) {
        std::string offered;
        for (const Choice& choice : choices)
            offered += (offered.empty() ? "" : ",") + jsonString(choice.word);
        emitEvent("question", "\"caption\":" + jsonString(caption) + ",\"text\":" + jsonString(text) +
                                  ",\"buttons\":[" + offered + "],\"answer\":" + jsonString(answerWord(answer)));
        return answer;
    }
    out_ << "-> " << answerWord(answer) << '\n' << std::flush;
    return answer;
}

std::optional<std::string> ConsoleUi::choosePath(const char* verb, const FileChooser& chooser)
{
    std::lock_guard lock(mutex_);
    std::string prompt = std::string(verb) + " (" + chooser.filter + ")";
    if (!chooser.initialPath.empty())
        prompt += " [" + chooser.initialPath + "]";
    prompt += ": ";
    const auto line = promptLine(prompt);
    if (!line || line->empty())
        return std::nullopt;
    std::string path = *line;
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (!chooser.defaultExtension.empty() && (dot == std::string::npos || (slash != std::string::npos && dot < slash)))
        path += "." + chooser.defaultExtension;
    return path;
}

std::optional<std::string> ConsoleUi::chooseOpenFile(const FileChooser& chooser)
{
    return choosePath(messageText(2003), chooser);
}

std::optional<std::string> ConsoleUi::chooseSaveFile(const FileChooser& chooser)
{
    return choosePath(messageText(2004), chooser);
}

void ConsoleUi::setWaitCursor(bool) {}

void ConsoleUi::beep()
{
    if (outputIsTerminal_) {
        std::lock_guard lock(mutex_);
        out_ << '\a' << std::flush;
    }
}

bool ConsoleUi::openDocument(const std::string& pathOrUrl)
{
    char program[] = "xdg-open";
    std::string argument = pathOrUrl;
    char* argv[] = {program, argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0)
        return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int ConsoleUi::runOperation(Operation& op)
{
    InterruptGuard guard(op.offersCancel());
    op.setView(this);
    bool cancelSent = false;
    const int result = runOnWorkerThread(op, clock_, [&] {
        if (!cancelSent && InterruptGuard::requested().load()) {
            cancelSent = true;
            op.requestCancel();
            if (json_) {
                emitEvent("cancel", "\"text\":" + jsonString(messageText(1106)));
                return;
            }
            std::lock_guard lock(mutex_);
            err_ << (barShown_ ? "\n" : "") << messageText(1106) << '\n' << std::flush;
            barShown_ = false;
        }
    });
    op.setView(nullptr);
    std::lock_guard lock(mutex_);
    if (barShown_)
        out_ << '\n' << std::flush;
    barShown_ = false;
    return result;
}

void ConsoleUi::operationStarted(const std::string& title, const std::string& text)
{
    if (json_) {
        emitEvent("operation", "\"title\":" + jsonString(title) + ",\"text\":" + jsonString(text));
        return;
    }
    std::lock_guard lock(mutex_);
    if (barShown_)
        out_ << '\n';
    barShown_ = false;
    operationTitle_ = title.empty() ? text : title + ": " + text;
    lastPlainTenth_ = 0;
    if (!outputIsTerminal_)
        out_ << operationTitle_ << '\n' << std::flush;
}

void ConsoleUi::operationProgress(int percent, const std::string& percentText)
{
    if (json_) {
        emitEvent("progress", "\"percent\":" + std::to_string(percent) + ",\"text\":" + jsonString(percentText));
        return;
    }
    std::lock_guard lock(mutex_);
    if (!outputIsTerminal_) {
        // A log gets a line per tenth, not a hundred lines per operation.
        if (!percentText.empty() && percent / 10 != lastPlainTenth_) {
            lastPlainTenth_ = percent / 10;
            out_ << percentText << '\n' << std::flush;
        }
        return;
    }
    constexpr int kWidth = 30;
    const int filled = std::clamp(percent, 0, 100) * kWidth / 100;
    out_ << '\r' << operationTitle_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << percentText << std::flush;
    barShown_ = true;
}

bool ConsoleUi::boardSettingsDialog(int& comPort, int& highSpeed)
{
    std::lock_guard lock(mutex_);
    const auto port = promptLine(std::string(messageText(2005)) + " [" + std::to_string(comPort) + "]: ");
    if (!port)
        return false;
    const auto speed = promptLine(std::string(messageText(2006)) + " [" + std::to_string(highSpeed) + "]: ");
    if (!speed)
        return false;
    try {
        if (!port->empty())
            comPort = std::stoi(*port);
        if (!speed->empty())
            highSpeed = std::clamp(std::stoi(*speed), 0, 2);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool ConsoleUi::advancedDelaysDialog(std::array<int, 4>& delays)
{
    // This dialog is English in both languages.
    static const char* const kNames[] = {"Pre-read delay", "Page read delay", "Page write delay", "Post-send delay"};
    std::lock_guard lock(mutex_);
    std::array<int, 4> chosen = delays;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const auto line = promptLine(std::string(kNames[i]) + ", ms [" + std::to_string(chosen[i]) + "]: ");
        if (!line)
            return false;
        if (line->empty())
            continue;
        try {
            const int value = std::stoi(*line);
            if (value < 0 || value > 1000)
                return false;
            chosen[i] = value;
        } catch (const std::exception&) {
            return false;
        }
    }
    delays = chosen;
    return true;
}

bool ConsoleUi::loadAddressDialog(int& address)
{
    if (presetAddress_) {
        address = *presetAddress_;
        return true;
    }
    // Read like the dialog's default mode: hexadecimal, "0x" allowed, text
    // that does not begin with a number gives 0; Enter keeps the proposal.
    std::lock_guard lock(mutex_);
    std::string prompt = "Load Address, Hexadecimal";
    if (const auto texts = dialogTexts(149, russianUi())) {
        prompt = texts->caption;
        for (const auto& [control, text] : texts->controls) {
            if (control == 1130)
                prompt += ", " + text;
        }
    }
    char proposal[16];
    std::snprintf(proposal, sizeof proposal, "%04X", static_cast<unsigned>(address));
    const auto line = promptLine(prompt + " [" + proposal + "]: ");
    if (!line)
        return false;
    if (line->empty())
        return true;
    const char* text = line->c_str();
    while (*text == ' ' || *text == '\t')
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text += 2;
    long long value = 0;
    for (; std::isxdigit(static_cast<unsigned char>(*text)); ++text) {
        const int digit = *text <= '9' ? *text - '0' : (*text | 0x20) - 'a' + 10;
        value = std::min(value * 16 + digit, 0x7FFFFFFFLL);
    }
    address = static_cast<int>(negative ? -value : value);
    return true;
}

bool ConsoleUi::languageDialog(bool& russian)
{
    std::lock_guard lock(mutex_);
    const auto line = promptLine(std::string(messageText(2007)) + " [" + (russian ? "ru" : "en") + "]: ");
    if (!line)
        return false;
    if (*line == "ru")
        russian = true;
    else if (*line == "en")
        russian = false;
    else if (!line->empty())
        return false;
    return true;
}

bool ConsoleUi::selfProgramSettingsDialog(const std::string& currentVersion, const std::string& newVersion,
                                          bool& normalSpeed)
{
    // The dialog's own captions, in the current language.
    const auto texts = dialogTexts(150, russianUi());
    const auto textOf = [&](int control) {
        if (texts) {
            for (const auto& [id, text] : texts->controls) {
                if (id == control)
                    return text;
            }
        }
        return std::string();
    };
    const std::string pace = reducedFirmwareSpeed_ ? textOf(1159) : textOf(1158);
    if (json_) {
        emitEvent("dialog", "\"caption\":" + jsonString(texts ? texts->caption : std::string()) +
                                ",\"current\":" + jsonString(currentVersion) + ",\"new\":" + jsonString(newVersion) +
                                ",\"pace\":" + jsonString(pace));
    } else {
        std::lock_guard lock(mutex_);
        out_ << textOf(1154) << ": " << currentVersion << '\n' << textOf(1156) << ": " << newVersion << '\n'
             << pace << '\n' << std::flush;
    }
    // The update goes ahead only when the person (or --yes) says so; a script
    // that did not ask for it gets no default.
    if (policy_ == AnswerPolicy::Prompt && !inputIsTerminal_)
        return false;
    if (ask(Buttons::OkCancel, BoxIcon::Question, 0, texts ? texts->caption : std::string(), textOf(1)) != Answer::Ok)
        return false;
    normalSpeed = !reducedFirmwareSpeed_;
    return true;
}

void ConsoleUi::aboutBox()
{
    const auto texts = dialogTexts(132, russianUi());
    if (!texts)
        return;
    std::string text;
    for (const auto& [control, line] : texts->controls) {
        if (!line.empty())
            text += (text.empty() ? "" : "\n") + line;
    }
    showMessage(BoxIcon::Information, texts->caption, text);
}

} // namespace quorva
