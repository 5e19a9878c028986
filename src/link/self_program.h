#pragma once

#include "base/operation.h"
#include "connection.h"
#include "firmware_image.h"

#include <span>

namespace quorva {

// Streams a firmware image into the box's boot loader in acknowledged groups
// of 4 bytes, then checks that the box runs it. It cannot be cancelled: a
// half-sent image leaves the box without firmware either way.
class KX1SelfProgram final : public Operation {
public:
    KX1SelfProgram(Connection& connection, std::span<const std::uint8_t, kFirmwareImageSize> image, bool normalSpeed)
        : connection_(connection), image_(image), normalSpeed_(normalSpeed)
    {
    }

    bool offersCancel() const override { return false; }

protected:
    int run() override;

private:
    int fail(int messageId, bool alsoStatus);

    Connection& connection_;
    std::span<const std::uint8_t, kFirmwareImageSize> image_;
    bool normalSpeed_;
};

// The Update firmware version command. A simulator image goes only to a box
// that identifies itself as the simulator. True when the box took the image
// and runs it.
bool updateFirmware(Connection& connection, int comPort, std::span<const std::uint8_t, kFirmwareImageSize> image);

} // namespace quorva
