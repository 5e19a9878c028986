#include "chip_recorder.h"

#include "data/memory_buffer.h"
#include "records/sha256.h"

#include <array>
#include <cstdio>
#include <pwd.h>
#include <unistd.h>

namespace quorva {

namespace {

std::string hostName()
{
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0)
        return {};
    return name.data();
}

std::string loginName()
{
    std::array<char, 1024> text{};
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, text.data(), text.size(), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(getuid());
}

std::string signatureText(const std::array<int, 3>& signature)
{
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%02X %02X %02X", signature[0] & 0xFF, signature[1] & 0xFF,
                  signature[2] & 0xFF);
    return text.data();
}

} // namespace

RecordOrigin thisOrigin(std::string programVersion)
{
    return {hostName(), loginName(), std::move(programVersion)};
}

void ChipRecorder::attach(std::shared_ptr<SharedRecordStore> store, RecordOrigin origin)
{
    store_ = std::move(store);
    origin_ = std::move(origin);
}

bool ChipRecorder::begin(const std::optional<SequenceTake>& take)
{
    begun_ = false;
    refused_ = false;
    failure_.clear();
    row_ = facts ? facts() : ChipRecord{};
    if (!active())
        return true;
    row_.station = origin_.station;
    row_.user = origin_.user;
    row_.programVersion = origin_.programVersion;
    row_.startedAt = utcNow();
    if (take)
        row_.sequence = take->name;
    StoreResult<RecordStore*> store = store_->get();
    StoreResult<Begun> begun = store ? store.value()->begin(row_, take) : StoreResult<Begun>(store.error());
    if (!begun) {
        failure_ = begun.error().message;
        refused_ = true;
        return false;
    }
    row_.id = begun->id;
    row_.serial = begun->serial;
    startTick_ = clock_.tickMs();
    begun_ = true;
    return true;
}

void ChipRecorder::step(const char* name)
{
    if (begun_)
        row_.steps.emplace_back(name);
}

void ChipRecorder::signatureRead(const std::array<int, 3>& signature)
{
    if (begun_)
        row_.signature = signatureText(signature);
}

void ChipRecorder::writing(bool isFlash, const MemoryBuffer& buffer, std::optional<std::uint32_t> serial)
{
    if (!begun_)
        return;
    (isFlash ? row_.flash : row_.eeprom) =
        MemoryWritten{buffer.fileName(), buffer.length(), sha256Hex(buffer.data()), serial};
}

bool ChipRecorder::finish(Outcome outcome, const std::string& lastStatus, const std::string& failingStep)
{
    if (!begun_)
        return true;
    begun_ = false;
    row_.outcome = outcome;
    if (outcome != Outcome::Ok) {
        row_.failingStep = !failingStep.empty() ? failingStep : row_.steps.empty() ? std::string() : row_.steps.back();
        row_.lastStatus = lastStatus;
    }
    if (firmware)
        row_.firmware = firmware();
    row_.endedAt = utcNow();
    row_.durationMs = static_cast<std::int64_t>(clock_.tickMs() - startTick_);
    StoreResult<RecordStore*> store = store_->get();
    const StoreStatus done = store ? store.value()->complete(row_) : StoreStatus(store.error());
    if (!done) {
        failure_ = done.error().message;
        return false;
    }
    return true;
}

} // namespace quorva
