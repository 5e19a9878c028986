#pragma once

#include "box.h"

#include "base/byte_port.h"
#include "base/clock.h"

#include <map>
#include <set>
#include <vector>

namespace quorva::sim {

// The PC's serial port wired straight to simulated boxes, one per port
// number. The box sees exactly the bytes sent, at the speed the port was
// opened with. A receive that the box does not answer fails at once, and the
// 2.8 s it would have taken are added to the clock (a RecordingClock is
// advanced; with any other clock the box's own time absorbs them).
class SimPort final : public BytePort {
public:
    static constexpr std::uint64_t kTimeoutMs = 2800;

    explicit SimPort(Clock& clock);
    // A box behind port index portIndex (COM1 is 0).
    SimPort(Clock& clock, Box& box, int portIndex);

    void attach(int portIndex, Box& box);
    // A port that opens but where nothing answers.
    void addSilentPort(int portIndex);

    bool open(int portIndex, int baud) override;
    bool close() override;
    bool sendByte(std::uint8_t byte) override;
    bool send(const std::uint8_t* bytes, std::size_t count) override;
    const std::uint8_t* receive(std::size_t count) override;
    int receiveByte() override;
    const char* status() const override { return status_; }
    bool connected() const override { return connected_; }

    int baud() const { return baud_; }
    int openCount() const { return opens_; }
    // Every (port index, baud) the port was opened with, in order.
    const std::vector<std::pair<int, int>>& openings() const { return openings_; }
    std::uint64_t timeouts() const { return timeouts_; }

private:
    bool nextByte(std::uint8_t& byte);
    void waitOutTimeout();

    Clock& clock_;
    std::map<int, Box*> boxes_;
    std::set<int> silent_;
    Box* box_ = nullptr;
    bool connected_ = false;
    int baud_ = 0;
    int opens_ = 0;
    std::uint64_t timeouts_ = 0;
    std::vector<std::pair<int, int>> openings_;
    std::vector<std::uint8_t> buffer_;
    const char* status_ = "Not initialized";
};

} // namespace quorva::sim
