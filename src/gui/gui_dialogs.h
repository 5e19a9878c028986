#pragma once

// The small modal dialogs of the window. Each fills its widgets from the
// values given, translates itself, and on OK stores the person's choice back
// and returns true. They run on the GUI thread only.
#include <array>
#include <functional>
#include <string>

class QWidget;

namespace quorva {

class SettingsStore;
class Ui;

namespace gui {

// Board Settings: COM number, baud code and the device path the COM number
// opens ([Ports]), chosen from the serial devices present or typed. search,
// when given, looks for the box and returns the COM number it answers on (0:
// none); the dialog's Search button runs it and chooses that number.
bool execBoardSettingsDialog(QWidget* parent, SettingsStore& store, int& comPort, int& highSpeed,
                             const std::function<int()>& search = {});
// Advanced Board Settings: four delays of 0..1000 ms (English only).
bool execAdvancedDelaysDialog(QWidget* parent, std::array<int, 4>& delays);
bool execLanguageDialog(QWidget* parent, bool& russian);
bool execSelfProgramSettingsDialog(QWidget* parent, const std::string& currentVersion,
                                   const std::string& newVersion, bool& normalSpeed);
// The About box; a link that cannot be opened is reported through ui.
void execAboutBox(QWidget* parent, Ui& ui);

} // namespace gui
} // namespace quorva
