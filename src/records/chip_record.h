#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorva {

// How a chip's run ended; Started until it is completed, so a row left
// Started is a run that never finished (a crash, a pulled plug).
enum class Outcome { Started, Ok, Failed, Cancelled };

const char* outcomeName(Outcome outcome); // "started", "ok", "failed", "cancelled"
std::optional<Outcome> outcomeFromName(std::string_view name);

// What went into one memory of the chip.
struct MemoryWritten {
    std::string imageFile;
    std::int64_t length = 0;
    std::string sha256;                  // of the bytes written, serial number included (lower-case hex)
    std::optional<std::uint32_t> serial; // the serial number written into this memory

    bool operator==(const MemoryWritten&) const = default;
};

// One chip's row: who, where, what and how it ended. Times are UTC in
// ISO 8601 with milliseconds ("2026-12-09T03:06:16.123Z"), so their text
// sorts as time does.
struct ChipRecord {
    std::int64_t id = 0; // given by the store when the row begins
    std::string startedAt;
    std::string endedAt; // empty while unfinished
    std::string station; // host name
    std::string user;
    std::string programVersion;
    int comNumber = 0;
    std::string devicePath;
    std::string firmware; // the box's, when read
    std::string device;
    std::string signature; // as read from the chip, when read
    std::string projectPath;
    std::vector<std::string> steps;     // the steps that ran, in order
    std::optional<MemoryWritten> flash; // when Flash was programmed
    std::optional<MemoryWritten> eeprom;
    std::string sequence;                // the named sequence the chip's number came from
    std::optional<std::uint32_t> serial; // the number taken from it
    Outcome outcome = Outcome::Started;
    std::string failingStep;
    std::string lastStatus; // the failing step's last status line
    std::int64_t durationMs = 0;

    bool operator==(const ChipRecord&) const = default;
};

// Which rows a query returns, newest first. since is inclusive and until
// exclusive, compared with the start time as text, so "2026-12-01" means
// that day's midnight. Empty texts and absent values do not filter.
struct RecordFilter {
    std::string since{};
    std::string until{};
    std::optional<std::uint32_t> serial{}; // taken, or written into Flash or Eeprom
    std::string device{};
    std::string station{};
    bool failedOnly = false; // failed, cancelled or unfinished
    int limit = 0;           // 0: all
};

enum class SummaryBy { Day, Station, Device, Box };

// One line of a summary. An unfinished row counts against the yield: no
// one saw that chip pass.
struct SummaryLine {
    std::string key; // the day (YYYY-MM-DD), station, device, or box (its device path, else COMn)
    int good = 0;
    int failed = 0;
    int cancelled = 0;
    int unfinished = 0;

    double yield() const; // good / (good + failed + unfinished), 0 when none
    bool operator==(const SummaryLine&) const = default;
};

// A setting of a sequence, kept for the record (also the forced ones).
struct SequenceChange {
    std::string at;
    std::uint32_t from = 0;
    std::uint32_t to = 0;
    bool forced = false;
    std::string station;
    std::string user;

    bool operator==(const SequenceChange&) const = default;
};

// A named sequence: the number its next chip gets, and how it was set.
struct SequenceState {
    std::string name;
    std::uint32_t next = 0;
    std::vector<SequenceChange> changes; // oldest first

    bool operator==(const SequenceState&) const = default;
};

// Now, as ISO 8601 UTC with milliseconds.
std::string utcNow();

// Steps joined with ", " and split again, for the stores' one text column.
std::string joinSteps(const std::vector<std::string>& steps);
std::vector<std::string> splitSteps(const std::string& text);

} // namespace quorva
