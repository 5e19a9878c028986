#include "firmware_image.h"

#include <algorithm>

namespace quorva::sim {

namespace {
constexpr std::size_t kCodeAt = 16;
constexpr std::size_t kLayoutAt = 19;
constexpr std::size_t kTextAt = 20;
constexpr std::size_t kTextBytes = 32;
constexpr std::size_t kCrcAt = kFirmwareImageSize - 4;
} // namespace

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::vector<std::uint8_t> makeFirmwareImage(std::string_view code, std::string_view versionText)
{
    std::vector<std::uint8_t> image(kFirmwareImageSize, 0);
    std::copy(kFirmwareMagic.begin(), kFirmwareMagic.end(), image.begin());
    for (std::size_t i = 0; i < 3; ++i)
        image[kCodeAt + i] = static_cast<std::uint8_t>(i < code.size() ? code[i] : ' ');
    image[kLayoutAt] = 1;
    const std::size_t textBytes = std::min(versionText.size(), kTextBytes - 1);
    std::copy_n(versionText.begin(), textBytes, image.begin() + kTextAt);
    for (std::size_t i = kTextAt + kTextBytes; i < kCrcAt; ++i)
        image[i] = static_cast<std::uint8_t>((i * 131u + 7u) >> 3);
    const std::uint32_t crc = crc32(image.data(), kCrcAt);
    for (int i = 0; i < 4; ++i)
        image[kCrcAt + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    return image;
}

std::optional<FirmwareInfo> checkFirmwareImage(const std::vector<std::uint8_t>& image, std::string* reason)
{
    auto refuse = [&](const char* why) -> std::optional<FirmwareInfo> {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    if (image.size() != kFirmwareImageSize)
        return refuse("image is not 12288 bytes");
    if (!std::equal(kFirmwareMagic.begin(), kFirmwareMagic.end(), image.begin()))
        return refuse("not a simulator image");
    if (image[kLayoutAt] != 1)
        return refuse("unknown image layout");
    std::uint32_t stored = 0;
    for (int i = 0; i < 4; ++i)
        stored = (stored << 8) | image[kCrcAt + i];
    if (stored != crc32(image.data(), kCrcAt))
        return refuse("checksum mismatch");
    FirmwareInfo info;
    info.code.assign(image.begin() + kCodeAt, image.begin() + kCodeAt + 3);
    for (std::size_t i = kTextAt; i < kTextAt + kTextBytes && image[i] != 0; ++i)
        info.versionText.push_back(static_cast<char>(image[i]));
    return info;
}

} // namespace quorva::sim
