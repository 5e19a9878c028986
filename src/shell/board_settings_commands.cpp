#include "board_settings_commands.h"

#include "base/ui.h"

namespace quorva {

bool runBoardSettingsCommand(SettingsStore& store, Ui& ui, Settings& settings)
{
    int comPort = 0;
    int highSpeed = 0;
    store.readBoardSettings(comPort, highSpeed);
    if (!ui.boardSettingsDialog(comPort, highSpeed))
        return false;
    settings.comPort = comPort;
    settings.highSpeed = highSpeed;
    store.writeBoardSettings(comPort, highSpeed);
    return true;
}

bool runAdvancedBoardSettingsCommand(SettingsStore& store, Ui& ui, Settings& settings)
{
    settings.advancedDelays = store.readAdvancedDelays();
    std::array<int, 4> delays = settings.advancedDelays;
    if (!ui.advancedDelaysDialog(delays))
        return false;
    settings.advancedDelays = delays;
    store.writeAdvancedDelays(delays);
    return true;
}

} // namespace quorva
