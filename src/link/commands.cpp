#include "commands.h"

namespace quorva {

namespace {
constexpr std::uint8_t kSckCodes[8] = {0x80, 0x00, 0x81, 0x01, 0x82, 0x02, 0x03, 0xFF};
constexpr std::uint8_t kAt89s8253SckBit = 0x04;
} // namespace

const char* const kSpiPeriodCaptions[8] = {
    "0.25 uS (4 MHz)", "0.5 uS (2 MHz)", "1 uS (1 MHz)",   "2 uS (500 kHz)",
    "4 uS (250 kHz)",  "8 uS (125 kHz)", "16 uS (60 kHz)", "150 uS (7 kHz)",
};

int baudRateOf(int baudCode)
{
    return baudCode >= 0 && baudCode <= 2 ? kBaudRates[baudCode] : kBaudRates[0];
}

std::uint8_t sckCode(int spiPeriod, std::string_view deviceName)
{
    // A damaged project must not pick a byte from outside the table.
    const int period = spiPeriod >= 0 && spiPeriod < 8 ? spiPeriod : kDefaultSpiPeriod;
    std::uint8_t code = kSckCodes[period];
    if (deviceName == "AT89S8253")
        code |= kAt89s8253SckBit;
    return code;
}

std::uint8_t byteDelayTimer(int milliseconds)
{
    return static_cast<std::uint8_t>(static_cast<unsigned>(255 - 7 * milliseconds) & 0xFFu);
}

} // namespace quorva
