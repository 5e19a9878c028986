#include "chip_commands.h"
#include "wait_cursor.h"
#include "chip_identity.h"

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/identification.h"
#include "data/project.h"
#include "link/connection.h"

namespace quorva {

namespace {

bool sameSignature(const std::array<int, 3>& read, const SignatureBytes& entry)
{
    return read[0] == entry[0] && read[1] == entry[1] && read[2] == entry[2];
}

// The page length a DataFlash shows: power-of-2 pages drop 8 bytes per 256.
int dataFlashPageLength(const DeviceInfo& device, int status)
{
    if (status >= 0 && (status & 0x01) != 0)
        return device.pageSize - device.pageSize / 256 * 8;
    return device.pageSize;
}

} // namespace

void ChipCommands::readSignature()
{
    context_.lastResult = -1;
    status(1110);
    ScopedWaitCursor cursor(ui_);
    if (!havePort())
        return;
    const DeviceInfo& device = selectedDevice();
    if (!connection_.connect(project_, project_.deviceIndex, settings_.comPort, settings_.highSpeed))
        return;

    const SignatureRead read = readChipSignature(connection_.link(), device);
    const bool partialKept = device.family != FamilyAt45 && device.family != FamilyAt26;
    if (read.ok || partialKept)
        context_.lastSignature = read.bytes;
    if (!read.ok) {
        // The box may still be at high speed with the target in programming mode.
        connection_.closeConnection();
        infoAndStatus(1105);
        return;
    }
    if (!connection_.closeConnection())
        info(messageText(1026));

    const Identification found = identify(context_.lastSignature);
    if (found.found() && found.deviceIndex != project_.deviceIndex && context_.deviceIdentified)
        context_.deviceIdentified(found.deviceIndex);

    const auto& s = context_.lastSignature;
    if (found.locked) {
        status(1111);
    } else {
        std::string text = formatMessage(1061, s[0], s[1], s[2], found.text().c_str());
        if (found.found()) {
            const DeviceInfo& identified = deviceTable[static_cast<std::size_t>(found.deviceIndex)];
            if (identified.family == FamilyAt45)
                text = formatText("%s, PAGE_LEN=%d bytes.", text.c_str(),
                                  dataFlashPageLength(identified, read.dataFlashStatus));
        }
        ui_.setStatus(text);
    }
    context_.lastResult = 0;
}

void ChipCommands::checkSignature()
{
    context_.lastResult = -1;
    const DeviceInfo& device = *connection_.connectionDevice();
    // Each group answers its own identification sequence. Before programming,
    // a missing reply ends it, as it ends the AVR read.
    const SignatureRead read = readChipSignature(connection_.link(), device, true);
    if (read.ok || (device.family != FamilyAt45 && device.family != FamilyAt26))
        context_.lastSignature = read.bytes;
    if (!read.ok) {
        info(messageText(1120));
        return;
    }
    const auto& s = context_.lastSignature;
    if (s[0] == 0x00 && s[1] == 0x01 && s[2] == 0x02) {
        context_.lastResult = 2;
        return;
    }
    // Entries that share a signature all match it, not only the first one.
    const bool atmel = s[0] == 0x1E || s[0] == 0x1F;
    const bool matches = findBySignature(s[0], s[1], s[2]) == project_.deviceIndex ||
                         (atmel && (sameSignature(s, device.signature) || sameSignature(s, device.altSignature)));
    context_.lastResult = matches ? 0 : 1;
}

void ChipCommands::readCalibration()
{
    context_.lastResult = -1;
    ScopedWaitCursor cursor(ui_);
    if (!havePort() || !connection_.connect(project_, project_.deviceIndex, settings_.comPort, 0))
        return;
    status(1141);
    connection_.clock().sleepMs(40);

    const int count = connection_.connectionDevice()->calibrationCount;
    std::vector<int> bytes;
    for (int i = 0; i < count; ++i) {
        BoxLink& link = connection_.link();
        const int value = link.send(Command::Spi4Read, {0x38, 0x00, static_cast<std::uint8_t>(i)})
                              ? link.receiveByte()
                              : -1;
        if (value < 0) {
            connection_.closeConnection();
            status(1140);
            cursor.off();
            info(messageText(1027));
            return;
        }
        bytes.push_back(value);
    }

    std::string boxText = messageText(count < 2 ? 1070 : 1169);
    std::string statusText = messageText(count <= 1 ? 1181 : 1182);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        boxText += formatText("\n    %d MHz: 0x%02X", 1 << i, bytes[i]);
        statusText += formatText(" %02X", bytes[i]);
    }
    ui_.setStatus(statusText);
    info(boxText);
    if (!connection_.closeConnection())
        info(messageText(1026));
    context_.lastResult = 0;
}

} // namespace quorva
