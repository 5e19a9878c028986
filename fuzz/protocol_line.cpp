#include "protocol_line.h"

#include <algorithm>
#include <array>
#include <cerrno>

namespace quorva::fuzz {

namespace {

// What one control byte of the stream makes of a receive.
enum class Reply { Proper, Changed, Raw, Silence, Unplug, Chatter };

Reply replyOf(std::uint8_t control)
{
    if (control < 0xA0)
        return Reply::Proper;
    if (control < 0xB8)
        return Reply::Changed;
    if (control < 0xD0)
        return Reply::Raw;
    if (control < 0xE8)
        return Reply::Silence;
    if (control < 0xF8)
        return Reply::Unplug;
    return Reply::Chatter;
}

// What the PC reads; one buffer for the process, as the real port has one
// per port, so that no input pays for clearing 32 KB.
std::array<std::uint8_t, BytePort::kReceiveBufferSize> received;

} // namespace

LinePort::LinePort(ReplyStream& stream, InstantClock& clock, sim::Box& box, LineWiring wiring)
    : stream_(stream), clock_(clock), box_(box), wiring_(wiring)
{
}

bool LinePort::open(int portIndex, int baud)
{
    ++calls_;
    dropStale();
    connected_ = false;
    answering_ = nullptr;
    const bool isBox = portIndex == wiring_.boxPort;
    const bool silent = !isBox && wiring_.silentPorts && portIndex >= 0 && portIndex < 8;
    if (unplugged_ || (!isBox && !silent)) {
        status_ = "Error in CreateFile";
        return false;
    }
    if (isBox) {
        answering_ = &box_;
        // Whatever the box sent while the port was closed is lost.
        discardBoxOutput();
    }
    baud_ = baud;
    connected_ = true;
    status_ = "Connect: OK";
    return true;
}

bool LinePort::close()
{
    ++calls_;
    dropStale();
    connected_ = false;
    answering_ = nullptr;
    status_ = "Disconnect: OK";
    return true;
}

bool LinePort::send(const std::uint8_t* bytes, std::size_t count)
{
    ++calls_;
    if (unplugged_ || !connected_) {
        status_ = "Send: I/O error";
        return false;
    }
    // The box's replies are not used again once the line chatters.
    if (answering_ && !chatter_ && boxTraffic_ < kBoxTraffic) {
        answering_->receive(bytes, count, baud_);
        boxTraffic_ += count;
    }
    status_ = "Send: OK";
    return true;
}

const std::uint8_t* LinePort::receive(std::size_t count)
{
    ++calls_;
    if (!connected_ || unplugged_ || count > received.size())
        return nullptr;
    if (!fill(count)) {
        status_ = "Receive: I/O error";
        return nullptr;
    }
    status_ = "Receive: OK";
    return received.data();
}

int LinePort::receiveByte()
{
    ++calls_;
    if (!connected_)
        return 0;
    if (unplugged_ || !fill(1))
        return -1;
    return received[0];
}

int LinePort::lastOpenError() const
{
    return unplugged_ ? ENOENT : 0;
}

// The next count bytes the PC reads into `received`; false after a time-out.
bool LinePort::fill(std::size_t count)
{
    std::size_t got = 0;
    while (got < count && staleAt_ < stale_.size())
        received[got++] = stale_[staleAt_++];
    if (got == count)
        return true;
    const std::size_t rest = count - got;

    if (chatter_) {
        // A chattering line falls silent for good after a while.
        if (++chattered_ > chatterLength_)
            return silence(true);
        std::fill_n(received.begin() + static_cast<std::ptrdiff_t>(got), rest, *chatter_);
        return true;
    }
    if (boxTraffic_ >= kBoxTraffic)
        return silence(true);
    if (credits_ > 0) {
        --credits_;
        return proper(got, rest);
    }
    if (stream_.empty())
        return silence(true);
    return fillFromStream(got, count);
}

bool LinePort::fillFromStream(std::size_t got, std::size_t count)
{
    const std::size_t rest = count - got;
    const std::uint8_t control = stream_.next();
    switch (replyOf(control)) {
    case Reply::Proper:
        if (control >= 0x80)
            credits_ = (1u << ((control & 0x1F) % 13)) - 1;
        return proper(got, rest);
    case Reply::Changed: {
        const std::size_t at = got + stream_.next() % rest;
        const std::uint8_t value = stream_.next();
        if (!proper(got, rest))
            return false;
        received[at] = value;
        return true;
    }
    case Reply::Raw: {
        // The box's reply is lost; these bytes come instead, and what is
        // more than asked for waits for the next receive.
        discardBoxOutput();
        const std::size_t n = stream_.next();
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t byte = stream_.next();
            if (got < count)
                received[got++] = byte;
            else
                stale_.push_back(byte);
        }
        return got == count || silence(false);
    }
    case Reply::Silence:
        return silence(false);
    case Reply::Unplug:
        unplugged_ = true;
        return false;
    case Reply::Chatter:
        chatter_ = stream_.next();
        chatterLength_ = kChatterReceives >> (control & 0x07);
        ++chattered_;
        std::fill_n(received.begin() + static_cast<std::ptrdiff_t>(got), rest, *chatter_);
        return true;
    }
    return false;
}

// The box's own reply at the box's pace: count bytes into `received` from
// at; when the box has no more to say within a receive's time-out, the PC
// waits it out.
bool LinePort::proper(std::size_t at, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (!boxByte(received[at + i])) {
            clock_.advance(kTimeoutMs);
            if (answering_)
                answering_->pcTimedOut();
            return false;
        }
    }
    return true;
}

// The next byte the box put on the line at the port's speed, taking the time
// it needs to arrive.
bool LinePort::boxByte(std::uint8_t& byte)
{
    if (!answering_)
        return false;
    for (;;) {
        if (pendingAt_ == pending_.size()) {
            pending_.clear();
            pendingAt_ = 0;
            answering_->takeOutput(pending_);
            if (pending_.empty())
                return false;
        }
        const sim::Box::OutByte next = pending_[pendingAt_];
        const std::uint64_t now = answering_->nowUs();
        if (next.readyUs > now + kTimeoutMs * 1000)
            return false; // not within this receive's time-out
        if (next.readyUs > now)
            answering_->spendUs(next.readyUs - now);
        ++pendingAt_;
        if (next.baud != baud_)
            continue; // sent at another speed: framing errors, nothing usable
        byte = next.value;
        ++boxTraffic_;
        return true;
    }
}

// The box's reply is lost on the line and the receive waits out its
// time-out.
bool LinePort::silence(bool dead)
{
    discardBoxOutput();
    box_.pcTimedOut();
    clock_.advance(kTimeoutMs);
    if (dead)
        ++deadLineTimeouts_;
    return false;
}

// Raw bytes beyond a request that the PC had not read are lost.
void LinePort::dropStale()
{
    stale_.clear();
    staleAt_ = 0;
}

// The box's replies the PC has not read are lost.
void LinePort::discardBoxOutput()
{
    box_.discardOutput();
    pending_.clear();
    pendingAt_ = 0;
}

} // namespace quorva::fuzz
