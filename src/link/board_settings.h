#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace quorva {

// The Board Settings dialog's controls: thirteen port buttons (COM1..COM12,
// then "COM" with a number box) and three baud buttons, the 921600 one hidden
// but kept when the stored code is 2.
struct BoardDialogState {
    static constexpr int kCustomPort = 13;
    std::array<bool, 13> portChecked{};
    int customNumber = 13;
    std::array<bool, 3> baudChecked{};
};

BoardDialogState openBoardDialog(int comPort, int baudCode);

struct BoardChoice {
    int comPort;
    int baudCode;
};
// What OK takes from the controls; openedComPort stays when no port button is checked.
BoardChoice acceptBoardDialog(const BoardDialogState& state, int openedComPort);

// The advanced delays take whole milliseconds from 0 to 1000.
inline constexpr int kMaxAdvancedDelay = 1000;
std::optional<int> parseAdvancedDelay(std::string_view text);

} // namespace quorva
