#include "catalogue/device_report.h"

#include <cstdio>
#include <span>

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/fuse_layout.h"
#include "catalogue/lock_fuse.h"

namespace quorva {
namespace {

std::string hexBytes(std::span<const std::uint8_t> bytes)
{
    std::string text;
    for (std::uint8_t byte : bytes) {
        if (!text.empty())
            text += ' ';
        text += formatText("%02X", byte);
    }
    return text;
}

std::string jsonString(const char* text)
{
    std::string out = "\"";
    for (const char* p = text; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += formatText("\\u%04x", c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string jsonBytes(const SignatureBytes& bytes)
{
    return formatText("[%d, %d, %d]", bytes[0], bytes[1], bytes[2]);
}

// AT45 and AT26 entries hold a page-shift code in the Eeprom field, not a size.
bool eepromFieldIsSize(const DeviceInfo& device)
{
    return device.family != FamilyAt45 && device.family != FamilyAt26;
}

// Radio captions show a doubled ampersand as one.
std::string plainCaption(const char* caption)
{
    std::string text;
    for (const char* p = caption; *p != '\0'; ++p) {
        text += *p;
        if (p[0] == '&' && p[1] == '&')
            ++p;
    }
    return text;
}

const char* warningText(int warningClass)
{
    if (warningClass > 0)
        return "+1 must stay programmed";
    if (warningClass < 0)
        return "-1 must stay unprogrammed";
    return "";
}

std::string positionText(BitPosition position)
{
    return position.present() ? formatText("byte %d bit %d", position.byte, position.bit) : std::string("-");
}

void appendLockSection(std::string& out, const DeviceInfo& device, const FuseLayout& layout)
{
    const bool hasLockWrite = layout.lockWrite[0] != 0;
    if (!hasLockWrite && layout.lockReadPresent == 0) {
        out += "Lock bits:      none\n";
        return;
    }
    out += "Lock modes:\n";
    for (int mode = 0; mode < 4; ++mode)
        out += formatText("  %d  %s\n", mode, plainCaption(lockModeCaption(device.protocol, mode)).c_str());

    if (!hasLockWrite) {
        out += "Lock write:     none\n";
    } else if (device.protocol == ProtocolAt89s) {
        out += formatText("Lock write:     %s, one instruction per level, byte 1 OR 1..mode, byte 3 FF\n",
                          hexBytes(layout.lockWrite).c_str());
    } else {
        out += formatText("Lock write:     %s (LB1 %s, LB2 %s, LB3 %s)\n", hexBytes(layout.lockWrite).c_str(),
                          positionText(layout.lockWriteMap[0]).c_str(), positionText(layout.lockWriteMap[1]).c_str(),
                          positionText(layout.lockWriteMap[2]).c_str());
    }
    if (layout.lockReadPresent != 0)
        out += formatText("Lock read:      %s\n", hexBytes(layout.lockRead).c_str());
    else
        out += "Lock read:      none\n";
}

void appendFuseSection(std::string& out, const FuseLayout& layout)
{
    if (layout.fuseBitCount <= 0) {
        out += "Fuse bits:      none\n";
    } else {
        for (int j = 0; j < kFuseBytes; ++j) {
            if (!fuseBytePresent(layout, j))
                continue;
            const auto uj = static_cast<std::size_t>(j);
            out += formatText("Fuse byte %d:    write %s, read %s\n", j, hexBytes(layout.fuseWrite[uj]).c_str(),
                              fusesFromLockAnswer(layout) && j == 0
                                  ? "from the lock answer"
                                  : hexBytes(layout.fuseRead[uj]).c_str());
        }
        out += "Fuse bits (true = programmed = 0 in the chip):\n";
        out += "  #   name             fuse byte  bit warning\n";
        for (int k = 0; k < layout.fuseBitCount && k < 32; ++k) {
            const auto uk = static_cast<std::size_t>(k);
            std::string where = "not written";
            for (int j = 0; j < kFuseBytes; ++j) {
                const BitPosition position = layout.fuseWriteMap[static_cast<std::size_t>(j)][uk];
                if (position.present())
                    where = formatText("%-9d  %d", j, position.bit);
            }
            std::string line = formatText("  %-3d %-16s %-14s %s", k, layout.fuseBitName[uk], where.c_str(),
                                          warningText(layout.fuseWarning[uk]));
            line.erase(line.find_last_not_of(' ') + 1);
            out += line + '\n';
        }
    }
    if (layout.bootLockCount > 0) {
        out += "Boot-lock bits (lock write byte 3 and lock answer):\n";
        for (int i = 0; i < layout.bootLockCount && i < kBootLockBits; ++i) {
            const auto ui = static_cast<std::size_t>(i);
            out += formatText("  %-6s bit %d\n", layout.bootLockName[ui], layout.bootLockBit[ui]);
        }
    } else {
        out += "Boot-lock bits: none\n";
    }
}

} // namespace

std::string deviceListText()
{
    std::string out = formatText("%5s  %-20s %-10s %-9s %8s %7s %5s\n", "Index", "Name", "Family", "Signature",
                                 "Flash", "Eeprom", "Page");
    for (int index = 0; index < kDeviceCount; ++index) {
        const DeviceInfo& device = deviceTable[static_cast<std::size_t>(index)];
        const std::string eeprom = eepromFieldIsSize(device) ? formatText("%d", device.eepromSize) : "-";
        out += formatText("%5d  %-20s %-10s %-9s %8d %7s %5d\n", index, device.name, familyCaption(device.family),
                          hexBytes(device.signature).c_str(), device.flashSize, eeprom.c_str(),
                          pageSizeBytes(device));
    }
    return out;
}

std::string deviceListJson()
{
    std::string out = "[\n";
    for (int index = 0; index < kDeviceCount; ++index) {
        const DeviceInfo& d = deviceTable[static_cast<std::size_t>(index)];
        out += formatText("  {\"index\": %d, \"family\": %d, \"name\": %s, \"pageSize\": %d, \"flashSize\": %d, "
                          "\"eepromSize\": %d, \"signature\": %s, \"altSignature\": %s, \"protocol\": %d, "
                          "\"flashWriteTiming\": %d, \"flashReadTiming\": %d, \"eepromWriteTiming\": %d, "
                          "\"eepromReadTiming\": %d, \"pageWriteDelay\": %d, \"connectMode\": %d, "
                          "\"fuseLayout\": %d, \"skipSync\": %d, \"calibrationCount\": %d, \"deviceNo\": %d}",
                          index, d.family, jsonString(d.name).c_str(), d.pageSize, d.flashSize, d.eepromSize,
                          jsonBytes(d.signature).c_str(), jsonBytes(d.altSignature).c_str(), d.protocol,
                          d.flashWriteTiming, d.flashReadTiming, d.eepromWriteTiming, d.eepromReadTiming,
                          d.pageWriteDelay, d.connectMode, d.fuseLayout, d.skipSync, d.calibrationCount, d.deviceNo);
        out += index + 1 < kDeviceCount ? ",\n" : "\n";
    }
    return out + "]\n";
}

std::string deviceDetailsText(int index)
{
    const DeviceInfo* device = deviceAt(index);
    if (device == nullptr)
        return {};
    const FuseLayout& layout = fuseLayoutOf(*device);

    std::string out = formatText("%s (index %d, device number %d)\n", device->name, index, device->deviceNo);
    out += formatText("Family:         %s\n", familyCaption(device->family));
    out += formatText("Signature:      %s (alternative %s)\n", hexBytes(device->signature).c_str(),
                      hexBytes(device->altSignature).c_str());
    out += formatText("Flash:          %d bytes, page %d bytes\n", device->flashSize, pageSizeBytes(*device));
    if (eepromFieldIsSize(*device))
        out += formatText("Eeprom:         %d bytes\n", device->eepromSize);
    else if (device->family == FamilyAt45)
        out += formatText("Page shift:     %d\n", device->eepromSize);
    out += formatText("Protocol:       %d, connect mode %d\n", device->protocol, device->connectMode);
    out += formatText("Timing:         Flash write %d, Flash read %d, Eeprom write %d, Eeprom read %d; "
                      "page write delay %d ms\n",
                      device->flashWriteTiming, device->flashReadTiming, device->eepromWriteTiming,
                      device->eepromReadTiming, device->pageWriteDelay);
    out += formatText("Calibration:    %d byte(s)\n", device->calibrationCount);
    out += formatText("Fuse layout:    %d\n", device->fuseLayout);
    appendLockSection(out, *device, layout);
    appendFuseSection(out, layout);
    return out;
}

} // namespace quorva
