#include "record_output.h"

#include "base/json_text.h"
#include "base/messages.h"
#include "record_text_ids.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <utility>

namespace quorva {

namespace {

using Row = std::vector<std::string>;

Row columnNames(std::initializer_list<int> ids)
{
    Row names;
    for (const int id : ids)
        names.emplace_back(messageText(id));
    return names;
}

// Characters on the screen, not bytes: the Russian headers are two bytes a letter.
std::size_t shownWidth(const std::string& text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Columns two spaces apart; from rightFrom on they are aligned right (numbers).
std::string table(const std::vector<Row>& rows, std::size_t rightFrom)
{
    std::vector<std::size_t> widths;
    for (const Row& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], shownWidth(row[i]));
    }
    std::string text;
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::string padding(widths[i] - shownWidth(row[i]), ' ');
            line += i == 0 ? "" : "  ";
            line += i >= rightFrom ? padding + row[i] : row[i] + padding;
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + '\n';
    }
    return text;
}

std::string csvLine(const Row& row)
{
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i)
        line += (i == 0 ? "" : ",") + csvField(row[i]);
    return line + '\n';
}

std::string numberText(const std::optional<std::uint32_t>& number)
{
    return number ? std::to_string(*number) : std::string();
}

// An object from its fields, each value already JSON.
std::string jsonObject(std::initializer_list<std::pair<const char*, std::string>> fields)
{
    std::string text = "{";
    for (const auto& [name, value] : fields)
        text += (text.size() > 1 ? "," : "") + jsonString(name) + ":" + value;
    return text + "}";
}

// Items already JSON, one a line.
std::string jsonArray(const std::vector<std::string>& items)
{
    std::string text = "[";
    for (const std::string& item : items)
        text += (text.size() > 1 ? ",\n" : "\n") + item;
    return text + "\n]\n";
}

std::string jsonNumber(const std::optional<std::uint32_t>& number)
{
    return number ? std::to_string(*number) : "null";
}

// The chip's number: the one taken from a sequence, else the one written into a memory.
std::optional<std::uint32_t> chipSerial(const ChipRecord& record)
{
    if (record.serial)
        return record.serial;
    if (record.flash && record.flash->serial)
        return record.flash->serial;
    return record.eeprom ? record.eeprom->serial : std::nullopt;
}

std::string boxName(const ChipRecord& record)
{
    return record.devicePath.empty() ? "COM" + std::to_string(record.comNumber) : record.devicePath;
}

std::string percentText(double fraction)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", fraction * 100.0);
    return text;
}

std::string memoryJson(const std::optional<MemoryWritten>& memory)
{
    if (!memory)
        return "null";
    return jsonObject({{"imageFile", jsonString(memory->imageFile)},
                       {"length", std::to_string(memory->length)},
                       {"sha256", jsonString(memory->sha256)},
                       {"serial", jsonNumber(memory->serial)}});
}

Row summaryRow(const SummaryLine& line)
{
    return {line.key,
            std::to_string(line.good),
            std::to_string(line.failed),
            std::to_string(line.cancelled),
            std::to_string(line.unfinished),
            percentText(line.yield())};
}

} // namespace

std::string csvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    return quoted + '"';
}

std::vector<std::string> recordColumnTitles()
{
    return columnNames({kMsgColumnStarted, kMsgColumnStation, kMsgColumnBox, kMsgColumnDevice, kMsgColumnSerial,
                        kMsgColumnOutcome, kMsgColumnFailingStep});
}

std::vector<std::string> recordCells(const ChipRecord& record)
{
    // Seconds are enough to find a chip; the CSV and JSON keep the milliseconds.
    std::string started = record.startedAt.substr(0, 19);
    std::replace(started.begin(), started.end(), 'T', ' ');
    std::string step = record.failingStep;
    if (!record.lastStatus.empty())
        step += (step.empty() ? "" : ": ") + record.lastStatus;
    return {started,
            record.station,
            boxName(record),
            record.device,
            numberText(chipSerial(record)),
            outcomeName(record.outcome),
            step};
}

std::string recordsTable(const std::vector<ChipRecord>& records)
{
    std::vector<Row> rows{recordColumnTitles()};
    for (const ChipRecord& record : records)
        rows.push_back(recordCells(record));
    return table(rows, rows.front().size());
}

std::string recordsCsv(const std::vector<ChipRecord>& records)
{
    // Header and values side by side, so they cannot drift apart.
    struct Column {
        const char* name;
        std::string (*value)(const ChipRecord&);
    };
    using R = const ChipRecord&;
    // clang-format off
    static const Column kColumns[] = {
        {"id",              [](R r) { return std::to_string(r.id); }},
        {"startedAt",       [](R r) { return r.startedAt; }},
        {"endedAt",         [](R r) { return r.endedAt; }},
        {"station",         [](R r) { return r.station; }},
        {"user",            [](R r) { return r.user; }},
        {"programVersion",  [](R r) { return r.programVersion; }},
        {"comNumber",       [](R r) { return std::to_string(r.comNumber); }},
        {"devicePath",      [](R r) { return r.devicePath; }},
        {"firmware",        [](R r) { return r.firmware; }},
        {"device",          [](R r) { return r.device; }},
        {"signature",       [](R r) { return r.signature; }},
        {"projectPath",     [](R r) { return r.projectPath; }},
        {"steps",           [](R r) { return joinSteps(r.steps); }},
        {"flashImageFile",  [](R r) { return r.flash ? r.flash->imageFile : std::string(); }},
        {"flashLength",     [](R r) { return r.flash ? std::to_string(r.flash->length) : std::string(); }},
        {"flashSha256",     [](R r) { return r.flash ? r.flash->sha256 : std::string(); }},
        {"flashSerial",     [](R r) { return r.flash ? numberText(r.flash->serial) : std::string(); }},
        {"eepromImageFile", [](R r) { return r.eeprom ? r.eeprom->imageFile : std::string(); }},
        {"eepromLength",    [](R r) { return r.eeprom ? std::to_string(r.eeprom->length) : std::string(); }},
        {"eepromSha256",    [](R r) { return r.eeprom ? r.eeprom->sha256 : std::string(); }},
        {"eepromSerial",    [](R r) { return r.eeprom ? numberText(r.eeprom->serial) : std::string(); }},
        {"sequence",        [](R r) { return r.sequence; }},
        {"serial",          [](R r) { return numberText(r.serial); }},
        {"outcome",         [](R r) { return std::string(outcomeName(r.outcome)); }},
        {"failingStep",     [](R r) { return r.failingStep; }},
        {"lastStatus",      [](R r) { return r.lastStatus; }},
        {"durationMs",      [](R r) { return std::to_string(r.durationMs); }},
    };
    // clang-format on
    Row header;
    for (const Column& column : kColumns)
        header.emplace_back(column.name);
    std::string text = csvLine(header);
    for (const ChipRecord& record : records) {
        Row row;
        for (const Column& column : kColumns)
            row.push_back(column.value(record));
        text += csvLine(row);
    }
    return text;
}

std::string recordsJson(const std::vector<ChipRecord>& records)
{
    std::vector<std::string> items;
    items.reserve(records.size());
    for (const ChipRecord& record : records) {
        std::string steps = "[";
        for (const std::string& step : record.steps)
            steps += (steps.size() > 1 ? "," : "") + jsonString(step);
        items.push_back(jsonObject({{"id", std::to_string(record.id)},
                                    {"startedAt", jsonString(record.startedAt)},
                                    {"endedAt", jsonString(record.endedAt)},
                                    {"station", jsonString(record.station)},
                                    {"user", jsonString(record.user)},
                                    {"programVersion", jsonString(record.programVersion)},
                                    {"comNumber", std::to_string(record.comNumber)},
                                    {"devicePath", jsonString(record.devicePath)},
                                    {"firmware", jsonString(record.firmware)},
                                    {"device", jsonString(record.device)},
                                    {"signature", jsonString(record.signature)},
                                    {"projectPath", jsonString(record.projectPath)},
                                    {"steps", steps + "]"},
                                    {"flash", memoryJson(record.flash)},
                                    {"eeprom", memoryJson(record.eeprom)},
                                    {"sequence", jsonString(record.sequence)},
                                    {"serial", jsonNumber(record.serial)},
                                    {"outcome", jsonString(outcomeName(record.outcome))},
                                    {"failingStep", jsonString(record.failingStep)},
                                    {"lastStatus", jsonString(record.lastStatus)},
                                    {"durationMs", std::to_string(record.durationMs)}}));
    }
    return jsonArray(items);
}

std::string summaryTable(const std::vector<SummaryLine>& lines, SummaryBy by)
{
    constexpr int kKeyColumns[] = {kMsgColumnDay, kMsgColumnStation, kMsgColumnDevice, kMsgColumnBox};
    std::vector<Row> rows{columnNames({kKeyColumns[static_cast<int>(by)], kMsgColumnGood, kMsgColumnFailed,
                                       kMsgColumnCancelled, kMsgColumnUnfinished, kMsgColumnYield})};
    for (const SummaryLine& line : lines) {
        rows.push_back(summaryRow(line));
        rows.back().back() += '%';
    }
    return table(rows, 1);
}

std::string summaryCsv(const std::vector<SummaryLine>& lines)
{
    std::string text = csvLine({"key", "good", "failed", "cancelled", "unfinished", "yieldPercent"});
    for (const SummaryLine& line : lines)
        text += csvLine(summaryRow(line));
    return text;
}

std::string summaryJson(const std::vector<SummaryLine>& lines)
{
    std::vector<std::string> items;
    items.reserve(lines.size());
    for (const SummaryLine& line : lines)
        items.push_back(jsonObject({{"key", jsonString(line.key)},
                                    {"good", std::to_string(line.good)},
                                    {"failed", std::to_string(line.failed)},
                                    {"cancelled", std::to_string(line.cancelled)},
                                    {"unfinished", std::to_string(line.unfinished)},
                                    {"yieldPercent", percentText(line.yield())}}));
    return jsonArray(items);
}

std::string sequenceText(const SequenceState& state)
{
    std::string text = formatMessage(kMsgSequenceNext, state.name.c_str(), state.next) + '\n';
    for (const SequenceChange& change : state.changes) {
        text += "  " + formatMessage(kMsgSequenceChange, change.at.c_str(), change.from, change.to,
                                     change.station.c_str(), change.user.c_str());
        text += (change.forced ? std::string(messageText(kMsgSequenceForced)) : std::string()) + '\n';
    }
    return text;
}

std::string sequenceJson(const SequenceState& state)
{
    std::string changes = "[";
    for (const SequenceChange& change : state.changes) {
        changes += (changes.size() > 1 ? "," : "");
        changes += jsonObject({{"at", jsonString(change.at)},
                               {"from", std::to_string(change.from)},
                               {"to", std::to_string(change.to)},
                               {"forced", change.forced ? "true" : "false"},
                               {"station", jsonString(change.station)},
                               {"user", jsonString(change.user)}});
    }
    return jsonObject(
               {{"name", jsonString(state.name)}, {"next", std::to_string(state.next)}, {"changes", changes + "]"}}) +
           "\n";
}

} // namespace quorva
