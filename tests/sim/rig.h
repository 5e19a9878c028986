#pragma once

#include "box.h"
#include "part_info.h"
#include "sim_port.h"

#include "base/clock.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace quorva::sim::test {

using Bytes = std::vector<std::uint8_t>;

// A PC's view of one simulated box on COM3: send bytes, read replies.
struct Rig {
    explicit Rig(const std::string& chipName, BoxOptions options = {})
        : box(clock, makeChip(*findChip(chipName)), std::move(options)), port(clock, box, 2)
    {
        port.open(2, 19200);
    }

    void send(const Bytes& bytes) { ASSERT_TRUE(port.send(bytes.data(), bytes.size())); }

    // The next count reply bytes; fewer when the box stays silent.
    Bytes read(std::size_t count)
    {
        Bytes out;
        for (std::size_t i = 0; i < count; ++i) {
            const int b = port.receiveByte();
            if (b < 0)
                break;
            out.push_back(static_cast<std::uint8_t>(b));
        }
        return out;
    }

    Bytes ask(const Bytes& bytes, std::size_t replyBytes)
    {
        send(bytes);
        return read(replyBytes);
    }

    // No byte is waiting and a receive times out.
    bool silent() { return port.receiveByte() == -1; }

    // Ping, firmware code, SelectDevice, SetAddress, SetParameters at 19200.
    void handshake(std::uint8_t connectMode, std::uint8_t sck = 0x82)
    {
        ASSERT_EQ(ask({0x25}, 1), Bytes{'+'});
        ASSERT_EQ(ask({0x40}, 3), (Bytes{'1', '0', 'c'}));
        ASSERT_EQ(ask({0x26, connectMode}, 1), Bytes{0x0D});
        ASSERT_EQ(ask({0x3A, 0x00, 0x00}, 1), Bytes{0x0D});
        ASSERT_EQ(ask({0x23, 0x00, sck, 0x00}, 1), Bytes{0x0D});
    }

    // Handshake, reset strobe and programming mode with the box's synchronisation.
    void enterAvr(std::uint8_t connectMode = 2)
    {
        handshake(connectMode);
        ASSERT_EQ(ask({0x51}, 1).size(), 1u);
        clock.sleepMs(20);
        ASSERT_EQ(ask({0x3D}, 1), Bytes{0x0D});
    }

    // SetParameters to 921600 baud and reopen there.
    void goFast()
    {
        ASSERT_EQ(ask({0x23, 0x02, 0x82, 0x00}, 1), Bytes{0x0D});
        port.open(2, 921600);
    }

    // Spi4Read of one instruction: the byte read during its fourth byte.
    std::uint8_t spiRead4(std::uint8_t a, std::uint8_t b, std::uint8_t c)
    {
        const Bytes r = ask({0x35, a, b, c}, 1);
        EXPECT_EQ(r.size(), 1u);
        return r.empty() ? 0 : r[0];
    }

    void spi4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d)
    {
        EXPECT_EQ(ask({0x34, a, b, c, d}, 1), Bytes{0x0D});
    }

    void expectNoViolations() { EXPECT_TRUE(box.violations().empty()) << box.violationReport(); }

    RecordingClock clock;
    Box box;
    SimPort port;
};

inline Bytes repeat(std::uint8_t value, std::size_t count)
{
    return Bytes(count, value);
}

} // namespace quorva::sim::test
