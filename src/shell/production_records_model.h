#pragma once

#include "base/ui.h"
#include "records/chip_record.h"
#include "records/shared_record_store.h"

#include <memory>
#include <string>
#include <vector>

namespace quorva {

// The Production Records window without its widgets: the filters as the
// person typed them, the newest rows they select, and the rows' export as
// CSV. Every failure is told through the Ui and leaves the rows shown.
class ProductionRecordsModel {
public:
    // The most rows the window shows at once.
    static constexpr int kRowLimit = 500;

    struct Filters {
        std::string since; // UTC, as quorva-cli records --since takes it
        std::string until;
        std::string serial;
        std::string device;
        std::string station;
        bool failedOnly = false;
    };

    ProductionRecordsModel(Ui& ui, std::shared_ptr<SharedRecordStore> records);

    Filters filters;

    // Reads the rows the filters select, newest first; false after telling
    // why (a filter not understood, records off, a store that failed).
    bool refresh();
    const std::vector<ChipRecord>& rows() const { return rows_; }
    // "%d records at %s" for under the table.
    std::string summaryLine() const;

    // "Export CSV...": asks where, then writes the rows shown with every
    // field; false when cancelled or not written (after saying why).
    bool exportCsv();

private:
    bool refuse(const std::string& text);

    Ui& ui_;
    std::shared_ptr<SharedRecordStore> records_;
    std::vector<ChipRecord> rows_;
    std::string lastCsvPath_;
};

} // namespace quorva
