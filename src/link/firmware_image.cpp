#include "firmware_image.h"

#include <algorithm>
#include <string_view>

namespace quorva {

namespace {
// The first bytes of every simulator image.
constexpr std::string_view kSimulatorMagic = "QUORVA SIM IMAGE";
} // namespace

bool isSimulatorImage(std::span<const std::uint8_t> image)
{
    return image.size() >= kSimulatorMagic.size() &&
           std::equal(kSimulatorMagic.begin(), kSimulatorMagic.end(), image.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::string firmwareVersionText(const char* code)
{
    std::string text;
    if (code[0] == 'M') {
        text = "10.";
        text += code[1];
        text += code[2];
    } else {
        text += code[0];
        text += '.';
        text += code[1];
        text += code[2];
    }
    return text;
}

} // namespace quorva
