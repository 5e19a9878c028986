#include "sim_port.h"

namespace quorva::sim {

SimPort::SimPort(Clock& clock) : clock_(clock), buffer_(kReceiveBufferSize) {}

SimPort::SimPort(Clock& clock, Box& box, int portIndex) : SimPort(clock)
{
    attach(portIndex, box);
}

void SimPort::attach(int portIndex, Box& box)
{
    boxes_[portIndex] = &box;
}

void SimPort::addSilentPort(int portIndex)
{
    silent_.insert(portIndex);
}

bool SimPort::open(int portIndex, int baud)
{
    close();
    status_ = "Connect...";
    const auto it = boxes_.find(portIndex);
    const bool present = (it != boxes_.end() && !it->second->disconnected()) || silent_.count(portIndex) != 0;
    if (!present) {
        status_ = "Error in CreateFile";
        return false;
    }
    box_ = it != boxes_.end() ? it->second : nullptr;
    baud_ = baud;
    ++opens_;
    openings_.emplace_back(portIndex, baud);
    // Whatever the box sent while the port was closed is lost.
    if (box_)
        box_->discardOutput();
    connected_ = true;
    status_ = "Connect: OK";
    return true;
}

bool SimPort::close()
{
    status_ = "Disconnect...";
    connected_ = false;
    box_ = nullptr;
    status_ = "Disconnect: OK";
    return true;
}

bool SimPort::sendByte(std::uint8_t byte)
{
    return send(&byte, 1);
}

bool SimPort::send(const std::uint8_t* bytes, std::size_t count)
{
    status_ = "Send...";
    if (!connected_) {
        status_ = "Send: not connected";
        return false;
    }
    if (box_) {
        if (box_->disconnected()) {
            status_ = "Send: I/O error";
            return false;
        }
        box_->receive(bytes, count, baud_);
    }
    status_ = "Send: OK";
    return true;
}

void SimPort::waitOutTimeout()
{
    ++timeouts_;
    if (auto* recording = dynamic_cast<RecordingClock*>(&clock_))
        recording->advance(kTimeoutMs);
    else if (box_)
        box_->spendUs(kTimeoutMs * 1000);
    if (box_)
        box_->pcTimedOut();
}

bool SimPort::nextByte(std::uint8_t& byte)
{
    if (!box_ || box_->disconnected())
        return false;
    for (;;) {
        const auto next = box_->peekOutput();
        if (!next)
            return false;
        const std::uint64_t now = box_->nowUs();
        if (next->readyUs > now + kTimeoutMs * 1000)
            return false; // not within this receive's time-out
        if (next->readyUs > now)
            box_->spendUs(next->readyUs - now);
        box_->popOutput();
        if (next->baud != baud_)
            continue; // sent at another speed: framing errors, nothing usable
        byte = next->value;
        return true;
    }
}

const std::uint8_t* SimPort::receive(std::size_t count)
{
    status_ = "Receive...";
    if (!connected_) {
        status_ = "Receive: not connected";
        return nullptr;
    }
    if (count > buffer_.size()) {
        status_ = "Receive: I/O error";
        return nullptr;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!nextByte(buffer_[i])) {
            waitOutTimeout();
            status_ = "Receive: I/O error";
            return nullptr;
        }
    }
    status_ = "Receive: OK";
    return buffer_.data();
}

int SimPort::receiveByte()
{
    status_ = "Receive1...";
    if (!connected_) {
        status_ = "Receive1: not connected";
        return 0;
    }
    std::uint8_t byte = 0;
    if (!nextByte(byte)) {
        waitOutTimeout();
        return -1;
    }
    return byte;
}

} // namespace quorva::sim
