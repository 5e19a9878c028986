#pragma once

#include "box.h"
#include "sim_port.h"

#include "base/clock.h"
#include "base/messages.h"

#include "scripted_ui.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace quorva::test {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kTimeoutMs = sim::SimPort::kTimeoutMs;

// Command bytes the soak tells apart.
namespace command {
constexpr std::uint8_t kPing = 0x25;
constexpr std::uint8_t kSelectDevice = 0x26;
constexpr std::uint8_t kSetAddress = 0x3A;
constexpr std::uint8_t kSetParameters = 0x23;
constexpr std::uint8_t kReleaseTarget = 0x2D;
constexpr std::uint8_t kSpi4 = 0x34;
constexpr std::uint8_t kSpi4Read = 0x35;
constexpr std::uint8_t kSpiWrite = 0x36;
constexpr std::uint8_t kSpiRead = 0x37;
constexpr std::uint8_t kSpiDeselect = 0x38;
constexpr std::uint8_t kSpiSelect = 0x39;
constexpr std::uint8_t kSpiWriteBlock = 0x30;
constexpr std::uint8_t kSpiReadBlock = 0x31;
constexpr std::uint8_t kSetByteDelay = 0x57;
constexpr std::uint8_t kWriteFlash = 0x7B;
constexpr std::uint8_t kWriteEeprom = 0x3E;
} // namespace command
using namespace command;

std::string hex2(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

// One command as the box saw it begin.
struct Sent {
    std::uint64_t index = 0; // the box's command number, from 1 at power-up
    std::uint8_t command = 0;
    Bytes args;                    // its first two argument bytes
    std::uint64_t bytesBefore = 0; // line bytes the box had received before it
    std::uint64_t length = 0;      // its bytes on the line, data included
    int step = -1;                 // the auto-program step it belongs to
    int connection = 0;            // connections opened in the run, this one included
    int inConnection = 0;          // commands before it since its connection opened
    int reply = -1;                // the last reply byte the PC read for it
    bool closing = false;          // the release and speed reset that end a connection

    std::uint8_t arg(std::size_t i) const { return i < args.size() ? args[i] : 0; }
};

// The program's port: the simulator's, with every command the box starts
// written down, and two faults the box plays only from power-up: a stale
// byte waiting on the line when a given connection opens, and replies that
// come slowly from a given command on.
class LinePort final : public BytePort {
public:
    LinePort(sim::SimPort& inner, RecordingClock& clock) : inner_(inner), clock_(clock) {}

    // A fresh box behind the line: the log and the faults start over.
    void useBox(sim::Box& box)
    {
        box_ = &box;
        log_.clear();
        timedOut_.clear();
        bytes_ = 0;
        step_ = -1;
        connections_ = 0;
        staleAt_ = 0;
        stale_.reset();
        slowFrom_ = 0;
        slowMs_ = 0;
        lateTimeouts_ = 0;
        delayedBytes_ = 0;
        timeoutsBefore_ = inner_.timeouts();
    }
    void staleByteAtConnection(int connection, std::uint8_t byte)
    {
        staleAt_ = connection;
        staleByte_ = byte;
    }
    void slowRepliesFrom(std::uint64_t command, std::uint64_t ms)
    {
        slowFrom_ = command;
        slowMs_ = ms;
    }
    void beginStep() { ++step_; }

    const std::vector<Sent>& log() const { return log_; }
    std::uint64_t timeouts() const { return inner_.timeouts() - timeoutsBefore_ + lateTimeouts_; }
    std::uint64_t delayedBytes() const { return delayedBytes_; }
    // The commands whose replies timed out, and the commands around them.
    std::string timeoutReport() const
    {
        std::ostringstream text;
        for (std::uint64_t index : timedOut_) {
            text << "  time-out on command " << index << ":";
            for (const Sent& sent : log_) {
                if (sent.index + 3 >= index && sent.index <= index + 1)
                    text << " " << sent.index << "=" << hex2(sent.command) << (sent.closing ? "(closing)" : "");
            }
            text << "\n";
        }
        return text.str();
    }

    bool open(int portIndex, int baud) override
    {
        // Every connection starts at 19200 baud; a faster open is its reopen.
        if (baud == 19200) {
            ++connections_;
            inConnection_ = 0;
        }
        const bool opened = inner_.open(portIndex, baud);
        if (opened && baud == 19200 && connections_ == staleAt_)
            stale_ = staleByte_;
        return opened;
    }

    bool close() override
    {
        const std::size_t n = log_.size();
        if (n >= 2 && log_[n - 1].command == kSetParameters && log_[n - 2].command == kReleaseTarget &&
            log_[n - 2].connection == connections_) {
            log_[n - 1].closing = true;
            log_[n - 2].closing = true;
        }
        return inner_.close();
    }

    bool sendByte(std::uint8_t byte) override { return send(&byte, 1); }

    bool send(const std::uint8_t* bytes, std::size_t count) override
    {
        if (!inner_.connected() || box_->disconnected())
            return inner_.send(bytes, count);
        // Byte by byte, to see where each command starts; a line that dies
        // inside the block loses the rest, as the whole block would.
        for (std::size_t i = 0; i < count && !box_->disconnected(); ++i) {
            const std::uint64_t before = box_->commandCount();
            inner_.send(bytes + i, 1);
            ++bytes_;
            if (box_->commandCount() != before) {
                Sent sent;
                sent.index = box_->commandCount();
                sent.command = bytes[i];
                sent.bytesBefore = bytes_ - 1;
                sent.length = 1;
                sent.step = step_;
                sent.connection = connections_;
                sent.inConnection = inConnection_++;
                log_.push_back(std::move(sent));
            } else if (!log_.empty()) {
                log_.back().length = bytes_ - log_.back().bytesBefore;
                if (log_.back().args.size() < 2)
                    log_.back().args.push_back(bytes[i]);
            }
        }
        return true;
    }

    const std::uint8_t* receive(std::size_t count) override
    {
        if (late())
            return nullptr;
        delay(count);
        if (stale_ && count > 0 && inner_.connected()) {
            received_.assign(1, *stale_);
            stale_.reset();
            const std::uint8_t* rest = inner_.receive(count - 1);
            if (!rest)
                return nullptr;
            received_.insert(received_.end(), rest, rest + count - 1);
            return received_.data();
        }
        const std::uint8_t* got = inner_.receive(count);
        if (got && count > 0 && !log_.empty())
            log_.back().reply = got[count - 1];
        if (!got)
            noteTimeout();
        return got;
    }

    int receiveByte() override
    {
        if (late())
            return -1;
        delay(1);
        if (stale_ && inner_.connected()) {
            const int byte = *stale_;
            stale_.reset();
            return byte;
        }
        const int got = inner_.receiveByte();
        if (got >= 0 && !log_.empty())
            log_.back().reply = got;
        if (got < 0)
            noteTimeout();
        return got;
    }

    const char* status() const override { return inner_.status(); }
    bool connected() const override { return inner_.connected(); }

private:
    void noteTimeout() { timedOut_.push_back(log_.empty() ? 0 : log_.back().index); }
    bool slow() const { return slowFrom_ != 0 && !log_.empty() && log_.back().index >= slowFrom_; }

    // The reply is still on its way when the port's time-out ends the read.
    bool late()
    {
        if (!inner_.connected() || !slow() || slowMs_ < kTimeoutMs)
            return false;
        clock_.advance(kTimeoutMs);
        ++lateTimeouts_;
        noteTimeout();
        return true;
    }

    void delay(std::size_t count)
    {
        if (!inner_.connected() || !slow())
            return;
        clock_.advance(slowMs_ * count);
        delayedBytes_ += count;
    }

    sim::SimPort& inner_;
    RecordingClock& clock_;
    sim::Box* box_ = nullptr;
    std::vector<Sent> log_;
    std::vector<std::uint64_t> timedOut_;
    std::uint64_t bytes_ = 0;
    int step_ = -1;
    int connections_ = 0;
    int inConnection_ = 0;
    int staleAt_ = 0;
    std::uint8_t staleByte_ = 0;
    std::optional<std::uint8_t> stale_;
    Bytes received_;
    std::uint64_t slowFrom_ = 0;
    std::uint64_t slowMs_ = 0;
    std::uint64_t lateTimeouts_ = 0;
    std::uint64_t delayedBytes_ = 0;
    std::uint64_t timeoutsBefore_ = 0;
};

// The scripted Ui that also tells the line where each auto-program step
// begins ("Pausing..." before a chip step, "Lock bits..." before the lock
// and fuse step) and notes the time there.
class StepUi final : public ScriptedUi {
public:
    StepUi(LinePort& line, RecordingClock& clock) : line_(line), clock_(clock) {}

    void setStatus(const std::string& text) override
    {
        if (text == pausing_ || text == lockBits_) {
            line_.beginStep();
            marks_.push_back(clock_.tickMs());
        }
        ScriptedUi::setStatus(text);
    }
    void startRun()
    {
        clearCalls();
        marks_.clear();
    }
    const std::vector<std::uint64_t>& marks() const { return marks_; }
    bool shown(int messageId) const
    {
        const std::string text = messageText(messageId);
        for (const std::string& call : calls()) {
            if (call.size() >= text.size() && call.compare(call.size() - text.size(), text.size(), text) == 0 &&
                call.rfind("box: ", 0) == 0)
                return true;
        }
        return false;
    }

private:
    LinePort& line_;
    RecordingClock& clock_;
    const std::string pausing_ = messageText(1180);
    const std::string lockBits_ = messageText(1131);
    std::vector<std::uint64_t> marks_;
};

} // namespace quorva::test
