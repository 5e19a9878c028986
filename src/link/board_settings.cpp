#include "board_settings.h"

#include <charconv>

namespace quorva {

BoardDialogState openBoardDialog(int comPort, int baudCode)
{
    BoardDialogState state;
    if (comPort <= 0) {
        state.portChecked[0] = true;
    } else if (comPort <= 12) {
        state.portChecked[static_cast<std::size_t>(comPort - 1)] = true;
    } else {
        state.portChecked[BoardDialogState::kCustomPort - 1] = true;
        state.customNumber = comPort;
    }
    if (baudCode >= 0 && baudCode <= 2)
        state.baudChecked[static_cast<std::size_t>(baudCode)] = true;
    return state;
}

BoardChoice acceptBoardDialog(const BoardDialogState& state, int openedComPort)
{
    BoardChoice choice{openedComPort, 0};
    for (int button = 1; button <= BoardDialogState::kCustomPort; ++button) {
        if (state.portChecked[static_cast<std::size_t>(button - 1)])
            choice.comPort = button;
    }
    if (choice.comPort == BoardDialogState::kCustomPort)
        choice.comPort = state.customNumber;
    if (state.baudChecked[2])
        choice.baudCode = 2;
    if (state.baudChecked[1])
        choice.baudCode = 1;
    if (state.baudChecked[0])
        choice.baudCode = 0;
    return choice;
}

std::optional<int> parseAdvancedDelay(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (value < 0 || value > kMaxAdvancedDelay)
        return std::nullopt;
    return value;
}

} // namespace quorva
