#pragma once

#include "records/chip_record.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// What the records and sequence commands print: a table for a person, CSV
// with a header row for a spreadsheet, one JSON document for a program.
std::string recordsTable(const std::vector<ChipRecord>& records);
// The table's columns: their titles, and one record's cells in that order.
std::vector<std::string> recordColumnTitles();
std::vector<std::string> recordCells(const ChipRecord& record);
std::string recordsCsv(const std::vector<ChipRecord>& records);
std::string recordsJson(const std::vector<ChipRecord>& records);

std::string summaryTable(const std::vector<SummaryLine>& lines, SummaryBy by);
std::string summaryCsv(const std::vector<SummaryLine>& lines);
std::string summaryJson(const std::vector<SummaryLine>& lines);

std::string sequenceText(const SequenceState& state);
std::string sequenceJson(const SequenceState& state);

// One CSV field, quoted (quotes doubled) when it holds a comma, a quote or
// a line break.
std::string csvField(std::string_view text);

} // namespace quorva
