#pragma once

class QWidget;

namespace quorva {

class ProductionRecordsModel;

namespace gui {

// The object names of the Production Records window's parts, for tests.
namespace production_records_id {
inline constexpr const char* Since = "since";
inline constexpr const char* Until = "until";
inline constexpr const char* Serial = "serial";
inline constexpr const char* Device = "device";
inline constexpr const char* Station = "station";
inline constexpr const char* FailedOnly = "failedOnly";
inline constexpr const char* Show = "show";
inline constexpr const char* Table = "records";
inline constexpr const char* Summary = "summary";
inline constexpr const char* ExportCsv = "exportCsv";
} // namespace production_records_id

// The Production Records window, modal, on the GUI thread: the filters, the
// newest records they select, and "Export CSV..." of those shown.
void execProductionRecordsDialog(QWidget* parent, ProductionRecordsModel& model);

} // namespace gui
} // namespace quorva
