#include "production_records_model.h"

#include "base/atomic_file.h"
#include "base/messages.h"
#include "records/record_output.h"
#include "records/time_text.h"

#include <charconv>

namespace quorva {

namespace {

constexpr int kCaption = 2364;
constexpr int kRecordsOff = 2340;
constexpr int kBadTime = 2341;
constexpr int kBadSerial = 2376;
constexpr int kSummary = 2374;
constexpr int kExportTitle = 2377;
constexpr int kCsvFilter = 2375;
constexpr int kNotWritten = 2378;

std::optional<std::uint32_t> serialOf(const std::string& text)
{
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

ProductionRecordsModel::ProductionRecordsModel(Ui& ui, std::shared_ptr<SharedRecordStore> records)
    : ui_(ui), records_(std::move(records))
{
}

bool ProductionRecordsModel::refuse(const std::string& text)
{
    ui_.showMessage(BoxIcon::Warning, messageText(kCaption), text);
    return false;
}

bool ProductionRecordsModel::refresh()
{
    RecordFilter filter;
    for (auto [typed, normal] : {std::pair{&filters.since, &filter.since}, std::pair{&filters.until, &filter.until}}) {
        if (typed->empty())
            continue;
        const std::optional<std::string> time = normaliseTime(*typed);
        if (!time)
            return refuse(formatMessage(kBadTime, typed->c_str()));
        *normal = *time;
    }
    if (!filters.serial.empty()) {
        filter.serial = serialOf(filters.serial);
        if (!filter.serial)
            return refuse(formatMessage(kBadSerial, filters.serial.c_str()));
    }
    filter.device = filters.device;
    filter.station = filters.station;
    filter.failedOnly = filters.failedOnly;
    filter.limit = kRowLimit;
    if (!records_ || records_->off())
        return refuse(messageText(kRecordsOff));
    StoreResult<RecordStore*> store = records_->get();
    StoreResult<std::vector<ChipRecord>> found =
        store ? store.value()->query(filter) : StoreResult<std::vector<ChipRecord>>(store.error());
    if (!found) {
        ui_.showMessage(BoxIcon::Error, messageText(kCaption), found.error().message);
        return false;
    }
    rows_ = std::move(found.value());
    return true;
}

std::string ProductionRecordsModel::summaryLine() const
{
    const std::string where = records_ ? records_->location().masked() : std::string();
    return formatMessage(kSummary, static_cast<int>(rows_.size()), where.c_str());
}

bool ProductionRecordsModel::exportCsv()
{
    FileChooser chooser;
    chooser.title = messageText(kExportTitle);
    chooser.filter = messageText(kCsvFilter);
    chooser.defaultExtension = "csv";
    chooser.initialPath = lastCsvPath_;
    chooser.confirmOverwrite = true;
    const std::optional<std::string> path = ui_.chooseSaveFile(chooser);
    if (!path)
        return false;
    lastCsvPath_ = *path;
    if (!writeFileAtomically(*path, recordsCsv(rows_))) {
        ui_.showMessage(BoxIcon::Error, messageText(kCaption), formatMessage(kNotWritten, path->c_str()));
        return false;
    }
    return true;
}

} // namespace quorva
