#pragma once

#include "base/byte_port.h"

#include <mutex>
#include <string>
#include <vector>

namespace quorva::test {

// Records what the PC does on the line, one entry per call: "open COM3 19200",
// "send 23 00 82 00", "close". Replies are not recorded: the sends and their
// order are what the box sees.
class WireLog final : public BytePort {
public:
    explicit WireLog(BytePort& inner) : inner_(inner) {}

    std::vector<std::string> entries() const;
    // Only the sends, as hex.
    std::vector<std::string> sends() const;
    void clear();

    bool open(int portIndex, int baud) override;
    bool close() override;
    bool sendByte(std::uint8_t byte) override;
    bool send(const std::uint8_t* bytes, std::size_t count) override;
    const std::uint8_t* receive(std::size_t count) override { return inner_.receive(count); }
    int receiveByte() override { return inner_.receiveByte(); }
    const char* status() const override { return inner_.status(); }
    bool connected() const override { return inner_.connected(); }
    std::string deviceName(int portIndex) const override { return inner_.deviceName(portIndex); }
    int lastOpenError() const override { return inner_.lastOpenError(); }

private:
    void add(std::string entry);

    BytePort& inner_;
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

std::string hexBytes(const std::uint8_t* bytes, std::size_t count);

} // namespace quorva::test
