#include "catalogue/identification.h"

#include "base/messages.h"
#include "catalogue/catalogue_messages.h"
#include "catalogue/device_lookup.h"

namespace quorva {

bool isLockedSignature(const std::array<int, 3>& signature)
{
    return signature[0] == 0x00 && signature[1] == 0x01 && signature[2] == 0x02;
}

Identification identify(const std::array<int, 3>& signature, IdentifyRule rule)
{
    Identification result;
    result.deviceIndex = findBySignature(signature[0], signature[1], signature[2]);
    if (result.found())
        return result;

    const bool atmelMaker =
        signature[0] == 0x1E || (signature[0] == 0x1F && rule == IdentifyRule::Signature);
    if (atmelMaker) {
        result.outcomeId = catalogue_msg::kUnknownAtmelDevice;
    } else if (isLockedSignature(signature)) {
        result.outcomeId = catalogue_msg::kDeviceIsLocked;
        result.locked = true;
    } else {
        result.outcomeId = catalogue_msg::kUnknownDevice;
    }
    return result;
}

std::string chipFoundLine(const std::array<int, 3>& signature)
{
    return formatMessage(catalogue_msg::kChipFound, signature[0], signature[1], signature[2],
                         identify(signature).text().c_str());
}

std::string Identification::text() const
{
    if (const DeviceInfo* device = deviceAt(deviceIndex))
        return device->name;
    return messageText(outcomeId);
}

} // namespace quorva
