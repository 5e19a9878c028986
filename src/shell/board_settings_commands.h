#pragma once

#include "settings_store.h"

namespace quorva {

class Ui;

// Board Settings: reads COM and HighSpeed from the file again, shows the
// dialog with them, and on OK keeps and stores both. False when cancelled.
bool runBoardSettingsCommand(SettingsStore& store, Ui& ui, Settings& settings);

// Advanced Board Settings: the four delays, read again, shown, stored on OK.
bool runAdvancedBoardSettingsCommand(SettingsStore& store, Ui& ui, Settings& settings);

} // namespace quorva
