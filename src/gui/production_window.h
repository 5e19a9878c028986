#pragma once

class QWidget;

namespace quorva {

class ProductionStationModel;
class Ui;

namespace gui {

// The object names of the Production window's parts, for tests.
namespace production_id {
inline constexpr const char* Boxes = "boxes";
inline constexpr const char* Search = "search";
inline constexpr const char* Repeat = "repeat";
inline constexpr const char* Start = "start";
inline constexpr const char* Stop = "stop";
inline constexpr const char* Counters = "counters";
inline constexpr const char* NextSerial = "nextSerial";
inline constexpr const char* Records = "records";
// A tile is "tile<COM>"; its parts are named inside it.
inline constexpr const char* TileState = "state";
inline constexpr const char* TileStart = "tileStart";
} // namespace production_id

// The Production window, modal, on the GUI thread: it renders the station
// and forwards clicks and keys to it (Space or Enter starts, Escape stops).
// Closing it while chips run asks first through ui, then stops them.
void execProductionWindow(QWidget* parent, Ui& ui, ProductionStationModel& station, const char* projectName);

} // namespace gui
} // namespace quorva
