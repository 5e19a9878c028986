// The boot loader and the firmware update: the few single-byte commands the
// boot loader knows, and the image it takes in and checks before it restarts.

#include "box.h"
#include "box_commands.h"
#include "firmware_image.h"

namespace quorva::sim {

void Box::bootLoaderCommand(std::uint8_t command)
{
    // The boot loader knows only single-byte commands; anything else is
    // ignored byte by byte.
    switch (command) {
    case kPing:
        if (!firmwareInstalled_) {
            reply({'-'});
            break;
        }
        mode_ = Mode::Firmware;
        trace("firmware started");
        newConnection();
        pingReply();
        break;
    case kGetFirmwareCode:
        replyCode(options_.bootLoaderCode);
        break;
    case kGetVersionText:
        replyText(options_.bootLoaderText);
        break;
    case kGetSerialNumber:
        replySerialNumber();
        break;
    case kStartFirmwareUpdate:
        firmware_.clear();
        firmwareRejection_.clear();
        rx_ = Rx::Firmware;
        reply({'+'});
        break;
    default:
        trace("boot loader ignores " + hex(command));
        break;
    }
}

// StartFirmwareUpdate while the firmware runs.
void Box::firmwareCommand()
{
    if (command_ == kStartFirmwareUpdate)
        reply({'-'}); // only the boot loader takes an image
}

// A byte of the image: every fourth is acknowledged, the last one ends the transfer.
void Box::firmwareByte(std::uint8_t byte)
{
    firmware_.push_back(byte);
    if (firmware_.size() % 4 == 0)
        reply({kAck});
    if (firmware_.size() == kFirmwareImageSize)
        finishFirmware();
}

void Box::finishFirmware()
{
    rx_ = Rx::Command;
    std::string reason;
    const auto info = checkFirmwareImage(firmware_, &reason);
    if (info) {
        firmwareInstalled_ = true;
        firmwareCode_ = info->code;
        versionText_ = info->versionText;
        trace("firmware image accepted: " + info->code);
    } else {
        // The old firmware was overwritten while the image came in.
        firmwareInstalled_ = false;
        firmwareRejection_ = reason;
        trace("firmware image refused: " + reason);
    }
    // Restart: the boot loader runs again and says so on the line.
    mode_ = Mode::BootLoader;
    baud_ = 19200;
    reply({0x00});
}

} // namespace quorva::sim
