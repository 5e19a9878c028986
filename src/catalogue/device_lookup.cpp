#include "catalogue/device_lookup.h"

#include <cctype>

namespace quorva {
namespace {

constexpr const char* kFamilyCaptions[kFamilyCount] = {
    "AT25...", "AT26...", "AT45...", "AT86...", "AT89S...", "AT90...", "ATtiny...", "ATmega...", "ATA...",
};

bool matches(const SignatureBytes& bytes, int b0, int b1, int b2)
{
    return bytes[0] == b0 && bytes[1] == b1 && bytes[2] == b2;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

} // namespace

const DeviceInfo* deviceAt(int index)
{
    if (index < 0 || index >= kDeviceCount)
        return nullptr;
    return &deviceTable[static_cast<std::size_t>(index)];
}

int findBySignature(int b0, int b1, int b2)
{
    if (b0 != 0x1E && b0 != 0x1F)
        return -1;
    for (int index = 0; index < kDeviceCount; ++index) {
        const DeviceInfo& device = deviceTable[static_cast<std::size_t>(index)];
        if (matches(device.signature, b0, b1, b2) || matches(device.altSignature, b0, b1, b2))
            return index;
    }
    return -1;
}

int findBySignature(const SignatureBytes& bytes)
{
    return findBySignature(bytes[0], bytes[1], bytes[2]);
}

int findByDeviceNo(int deviceNo)
{
    for (int index = 0; index < kDeviceCount; ++index)
        if (deviceTable[static_cast<std::size_t>(index)].deviceNo == deviceNo)
            return index;
    return 0;
}

// A variant after a slash replaces the model number of the first name: it
// takes the stem up to a letter-to-digit boundary, the one whose tail shares
// the longest start with the variant (the last boundary on a tie), so
// "ATmega32C1/32M1" gives "ATmega32M1" and "AT90PWM1/2B/3B" "AT90PWM2B".
std::vector<std::string> variantNames(std::string_view name)
{
    std::vector<std::string> names;
    const std::size_t slash = name.find('/');
    const std::string_view first = name.substr(0, slash);
    names.emplace_back(first);
    if (slash == std::string_view::npos)
        return names;

    std::string_view rest = name.substr(slash + 1);
    while (!rest.empty()) {
        const std::size_t next = rest.find('/');
        const std::string_view variant = rest.substr(0, next);
        std::size_t bestCut = 0;
        std::size_t bestShared = 0;
        bool haveCut = false;
        for (std::size_t cut = 1; cut < first.size(); ++cut) {
            if (!isLetter(first[cut - 1]) || !isDigit(first[cut]))
                continue;
            std::size_t shared = 0;
            while (cut + shared < first.size() && shared < variant.size() && first[cut + shared] == variant[shared])
                ++shared;
            if (!haveCut || shared >= bestShared) {
                bestCut = cut;
                bestShared = shared;
                haveCut = true;
            }
        }
        if (haveCut && !variant.empty())
            names.push_back(std::string(first.substr(0, bestCut)) + std::string(variant));
        if (next == std::string_view::npos)
            break;
        rest = rest.substr(next + 1);
    }
    return names;
}

int findByName(std::string_view name)
{
    for (int index = 0; index < kDeviceCount; ++index) {
        const char* entryName = deviceTable[static_cast<std::size_t>(index)].name;
        if (equalIgnoringCase(name, entryName))
            return index;
        for (const std::string& variant : variantNames(entryName))
            if (equalIgnoringCase(name, variant))
                return index;
    }
    return -1;
}

const char* familyCaption(int family)
{
    if (family < 0 || family >= kFamilyCount)
        return "";
    return kFamilyCaptions[family];
}

std::vector<int> devicesOfFamily(int family)
{
    std::vector<int> indexes;
    for (int index = 0; index < kDeviceCount; ++index)
        if (deviceTable[static_cast<std::size_t>(index)].family == family)
            indexes.push_back(index);
    return indexes;
}

int deviceIndexAt(int family, int position)
{
    if (position < 0)
        return -1;
    int count = 0;
    for (int index = 0; index < kDeviceCount; ++index) {
        if (deviceTable[static_cast<std::size_t>(index)].family != family)
            continue;
        if (count == position)
            return index;
        ++count;
    }
    return -1;
}

FamilyPosition familyPositionOf(int index)
{
    const DeviceInfo* device = deviceAt(index);
    if (device == nullptr)
        return {};
    int position = 0;
    for (int other = 0; other < index; ++other)
        if (deviceTable[static_cast<std::size_t>(other)].family == device->family)
            ++position;
    return {device->family, position};
}

int pageSizeBytes(const DeviceInfo& device)
{
    switch (device.family) {
    case FamilyAt90:
    case FamilyAttiny:
    case FamilyAtmega:
    case FamilyAta:
        return device.pageSize * 2;
    default:
        return device.pageSize;
    }
}

} // namespace quorva
