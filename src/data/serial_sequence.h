#pragma once

#include "hex_codec.h"

#include <cstdint>
#include <mutex>
#include <span>
#include <string>

namespace quorva {

// Counts up the big-endian serial number (at most 4 bytes) whose least
// significant byte is at address (the last byte when beyond the end).
// Returns the index of the most significant byte it changed, -1 for an
// empty image.
int incrementSerialNumber(std::span<std::uint8_t> image, int address);

// The serial number at address as incrementSerialNumber counts it: the
// up-to-4-byte big-endian value ending there.
std::uint32_t serialNumberAt(std::span<const std::uint8_t> image, int address);

// Writes number where serialNumberAt reads it; the bytes of a number wider
// than the room before address are dropped. False for an empty image.
bool writeSerialNumber(std::span<std::uint8_t> image, int address, std::uint32_t number);

// The serial numbers of a production run: every chip takes the next one,
// also when several boxes program chips side by side, so no two chips get
// one number. A number once taken is used up, whatever becomes of its chip.
class SerialSequence {
public:
    virtual ~SerialSequence() = default;
    // Writes the next number into image (a copy of the sequence's image, the
    // buffer a chip is programmed from) and advances the sequence. False when
    // no number could be taken; image is then unchanged.
    virtual bool take(std::span<std::uint8_t> image, std::uint32_t& number) = 0;
};

// A sequence held in memory, shared by the threads of one process.
class MemorySerialSequence final : public SerialSequence {
public:
    MemorySerialSequence(Image start, int address) : image_(std::move(start)), address_(address) {}
    bool take(std::span<std::uint8_t> image, std::uint32_t& number) override;

private:
    std::mutex mutex_;
    Image image_;
    int address_;
};

// A sequence kept in an image file (Intel HEX or binary), shared by every
// thread and process that uses the file. Each take reads the file, writes
// the advanced number back atomically and only then hands out the number it
// read, all under an exclusive lock on the file's folder: a crash loses at
// most the number being handed out and never gives one twice.
class FileSerialSequence final : public SerialSequence {
public:
    FileSerialSequence(std::string path, int address) : path_(std::move(path)), address_(address) {}
    bool take(std::span<std::uint8_t> image, std::uint32_t& number) override;

private:
    std::mutex mutex_; // flock excludes processes; threads share one lock holder
    std::string path_;
    int address_;
};

} // namespace quorva
