#include "chip_setup_commands.h"
#include "dataflash_erase.h"

#include "base/messages.h"
#include "data/project.h"
#include "link/connection.h"

namespace quorva {

namespace {

constexpr int kDataFlashWaitMs = 15;
constexpr std::uint8_t kBlockErase = 0x50;
constexpr int kPagesPerBlock = 8;

// The page-size command predates the catalogue's second language; its texts
// exist in English only.
constexpr const char* kPowerOfTwoQuestion =
    "Set \"power of 2\" bit for AT45 memory?\nThis operation could not be reverted.";
constexpr const char* kPowerOfTwoCaption = "Attention!";
constexpr int kCancelIsDefault = 1; // the second button of OK/Cancel
constexpr const char* kPowerOfTwoWriting = "Seting \"power of 2\" bit for AT45 memory";
constexpr const char* kPowerOfTwoFailedBox = "Protocol Error! Programming fail.";
constexpr const char* kPowerOfTwoFailedStatus = "Set \"power of 2\" bit for AT45 memory is FAILED!";
constexpr const char* kPowerOfTwoDoubtBox = "Protocol Error! Programming could be failed.";
constexpr const char* kPowerOfTwoDoubtStatus = "Set \"power of 2\" bit for AT45 memory is possybly FAILED!";
constexpr const char* kFailCaption = "Fail!";
constexpr const char* kPowerOfTwoDoneBox = "To complete \"power of 2\" bit programming power cycle the device.";
constexpr const char* kDoneCaption = "Done!";
constexpr const char* kPowerOfTwoDoneStatus = "Set \"power of 2\" bit for AT45 memory is Done!";
constexpr const char* kPowerOfTwoCancelled = "Set \"power of 2\" bit for AT45 memory was cancelled.";

// The opcode sequence that makes the page size a power of 2, once and for ever.
constexpr std::uint8_t kPowerOfTwoOpcodes[] = {0x3D, 0x2A, 0x80, 0xA6};

} // namespace

DataFlashBlocks dataFlashBlocks(const DeviceInfo& device, bool powerOfTwo)
{
    DataFlashBlocks blocks;
    if (device.pageSize > 0)
        blocks.pageCount = (device.flashSize + device.pageSize - 1) / device.pageSize;
    // Power-of-2 pages are shorter, not fewer: only the address shift changes.
    blocks.shift = powerOfTwo ? device.eepromSize - 1 : device.eepromSize;
    return blocks;
}

std::array<std::uint8_t, 3> blockEraseAddress(int page, int shift)
{
    const int shifted = page << shift;
    return {static_cast<std::uint8_t>(shifted >> 8), static_cast<std::uint8_t>(shifted & 0xFF), 0x00};
}

KX1ChipErase45::KX1ChipErase45(const OperationSetup& setup) : ChipOperation(setup) {}

int KX1ChipErase45::readStatus()
{
    if (!acknowledged(Command::FlashDeselect))
        return -1;
    wait(kDataFlashWaitMs);
    if (!acknowledged(Command::FlashSelect) || !link_.send(Command::SpiWrite, {0xD7}))
        return -1;
    wait(kDataFlashWaitMs);
    if (!link_.expectAck() || !link_.send(Command::SpiRead))
        return -1;
    wait(kDataFlashWaitMs);
    const int status = link_.receiveByte();
    if (status < 0 || !acknowledged(Command::FlashDeselect))
        return -1;
    return status;
}

int KX1ChipErase45::run()
{
    const int status = readStatus();
    if (status < 0)
        return kFailed;
    const DataFlashBlocks blocks = dataFlashBlocks(device_, (status & 0x01) != 0);
    start(messageText(1186), messageText(1075), blocks.pageCount);
    if (!acknowledged(Command::FlashDeselectAlt))
        return kFailed;
    for (int page = 0; page < blocks.pageCount; page += kPagesPerBlock) {
        if (!acknowledged(Command::FlashSelect))
            return kFailed;
        const auto address = blockEraseAddress(page, blocks.shift);
        if (!link_.send(Command::SpiWriteBlock, {0x00, 0x04, kBlockErase, address[0], address[1], address[2]}) ||
            !link_.expectAck())
            return kFailed;
        wait(20);
        if (!acknowledged(Command::FlashDeselect))
            return kFailed;
        ++blocksErased_;
        wait(50);
        if (cancelRequested())
            return kCancelled;
        progress(page);
    }
    return kDone;
}

bool ChipSetupCommands::setPowerOfTwoPages()
{
    context_.lastResult = -1;
    if (!havePort())
        return false;
    if (!connection_.connect(project_, project_.deviceIndex, settings_.comPort, settings_.highSpeed)) {
        connection_.closeConnection();
        return false;
    }
    // The switch cannot be undone: Enter must not make it.
    if (ui_.ask(Buttons::OkCancel, BoxIcon::Stop, kCancelIsDefault, kPowerOfTwoCaption, kPowerOfTwoQuestion) !=
        Answer::Ok) {
        ui_.setStatus(kPowerOfTwoCancelled);
        if (!connection_.closeConnection())
            info(messageText(1026));
        return false;
    }
    ui_.setStatus(kPowerOfTwoWriting);

    BoxLink& link = connection_.link();
    auto acknowledged = [&link](Command command) { return link.send(command) && link.expectAck(); };
    // A failed exchange ends the command, but the line is still given back:
    // a box left at high speed with its target held answers no later command.
    bool written = acknowledged(Command::FlashDeselect);
    if (written) {
        link.wait(kDataFlashWaitMs);
        written = acknowledged(Command::FlashSelect);
    }
    for (std::uint8_t opcode : kPowerOfTwoOpcodes) {
        if (!written)
            break;
        written = link.send(Command::SpiWrite, {opcode});
        link.wait(kDataFlashWaitMs);
        written = written && link.expectAck();
    }
    if (!written) {
        ui_.showMessage(BoxIcon::Stop, kFailCaption, kPowerOfTwoFailedBox);
        ui_.setStatus(kPowerOfTwoFailedStatus);
        connection_.closeConnection();
        return false;
    }
    if (!acknowledged(Command::FlashDeselect)) {
        ui_.showMessage(BoxIcon::Stop, kFailCaption, kPowerOfTwoDoubtBox);
        ui_.setStatus(kPowerOfTwoDoubtStatus);
    }
    ui_.showMessage(BoxIcon::Information, kDoneCaption, kPowerOfTwoDoneBox);
    ui_.setStatus(kPowerOfTwoDoneStatus);
    if (!connection_.closeConnection())
        info(messageText(1026));
    return true;
}

} // namespace quorva
