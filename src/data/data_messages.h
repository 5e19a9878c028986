#pragma once

#include "base/messages.h"
#include "base/ui.h"

#include <string>

namespace quorva {

// Every box of the buffers, the codec and the project carries the program's
// title (message 1016) as its caption.
inline constexpr int kDataCaption = 1016;

inline void showDataError(Ui& ui, const std::string& text)
{
    ui.showMessage(BoxIcon::Error, messageText(kDataCaption), text);
}

inline void showDataError(Ui& ui, int messageId)
{
    showDataError(ui, std::string(messageText(messageId)));
}

// A Yes/No question with Yes as the default button; true for Yes.
inline bool askDataQuestion(Ui& ui, const std::string& text)
{
    return ui.ask(Buttons::YesNo, BoxIcon::Question, 0, messageText(kDataCaption), text) == Answer::Yes;
}

} // namespace quorva
