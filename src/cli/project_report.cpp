#include "project_report.h"

#include "catalogue/device_lookup.h"
#include "catalogue/fuse_layout.h"
#include "catalogue/lock_fuse.h"
#include "data/image_commands.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "link/commands.h"

#include <sstream>

namespace quorva {

namespace {

const char* onOff(bool value)
{
    return value ? "1" : "0";
}

// A control caption as plain text: "&&" shows one "&", a single "&" marks
// the mnemonic and shows nothing.
std::string withoutMnemonics(const char* caption)
{
    std::string text;
    for (const char* c = caption; *c; ++c) {
        if (*c == '&') {
            if (c[1] == '&')
                text += *++c;
            continue;
        }
        text += *c;
    }
    return text;
}

} // namespace

std::string projectReport(const Project& project, const MemoryBuffer& flash, const MemoryBuffer& eeprom)
{
    std::ostringstream out;
    const DeviceInfo* device = deviceAt(project.deviceIndex);
    out << "Project: " << project.fileName << '\n';
    out << "[Device]\n";
    if (device)
        out << "  Device: " << device->name << " (device number " << device->deviceNo << ")\n";
    out << "[Files]\n"
        << "  Flash: " << flash.fileName() << '\n';
    if (flash.hasData())
        out << "    " << checksumLine(flash) << '\n';
    out << "  Eeprom: " << eeprom.fileName() << '\n';
    if (eeprom.hasData())
        out << "    " << checksumLine(eeprom) << '\n';
    out << "  FlashInvert: " << onOff(project.flashInvert) << '\n';
    out << "[Settings]\n"
        << "  Polling: " << onOff(project.polling) << '\n'
        << "  CheckSign: " << onOff(project.checkSign) << '\n'
        << "  NoSynchronization: " << onOff(project.noSynchronization) << '\n'
        << "  ResetStrobeLength: " << project.resetStrobeLength << " ms\n"
        << "  SPIPeriod: " << project.spiPeriod;
    if (project.spiPeriod >= 0 && project.spiPeriod < 8)
        out << " (" << kSpiPeriodCaptions[project.spiPeriod] << ')';
    out << '\n';
    out << "[AutoProgram]\n"
        << "  AutoErase: " << onOff(project.autoErase) << '\n'
        << "  AutoEmptyCheck: " << onOff(project.autoEmptyCheck) << '\n'
        << "  AutoEepromReload: " << onOff(project.autoEepromReload) << '\n'
        << "  AutoEepromProgram: " << onOff(project.autoEepromProgram) << '\n'
        << "  AutoEepromVerify: " << onOff(project.autoEepromVerify) << '\n'
        << "  AutoFlashReload: " << onOff(project.autoFlashReload) << '\n'
        << "  AutoFlashProgram: " << onOff(project.autoFlashProgram) << '\n'
        << "  AutoFlashVerify: " << onOff(project.autoFlashVerify) << '\n'
        << "  AutoIncrement: " << onOff(project.autoIncrement) << " (Eeprom address " << project.autoIncAddress
        << ")\n"
        << "  AutoIncrementFlash: " << onOff(project.autoIncrementFlash) << " (Flash address "
        << project.autoIncAddressFlash << ")\n"
        << "  ProgramFuse: " << onOff(project.programFuse) << '\n'
        << "  ProgramFuseBeforeAll: " << onOff(project.programFuseBeforeAll) << '\n'
        << "  LockMode: " << project.lockFuse.lockMode;
    if (device)
        out << " (" << withoutMnemonics(lockModeCaption(device->protocol, project.lockFuse.lockMode)) << ')';
    out << '\n';
    if (device) {
        const FuseLayout& layout = fuseLayoutOf(*device);
        for (int bit = 0; bit < layout.fuseBitCount && bit < 32; ++bit) {
            const char* name = layout.fuseBitName[static_cast<std::size_t>(bit)];
            out << "  Fuse" << bit << " " << (name ? name : "") << ": "
                << (project.lockFuse.fuse[static_cast<std::size_t>(bit)] ? "programmed" : "unprogrammed") << '\n';
        }
        for (int bit = 0; bit < layout.bootLockCount && bit < kBootLockBits; ++bit) {
            const char* name = layout.bootLockName[static_cast<std::size_t>(bit)];
            out << "  BootLock" << bit << " " << (name ? name : "") << ": "
                << (project.lockFuse.bootLock[static_cast<std::size_t>(bit)] ? "programmed" : "unprogrammed") << '\n';
        }
    }
    out << "[Delays]\n"
        << "  Flash byte delay: " << (project.delayByte ? "on, " : "off, ") << project.delayByteValue << " ms\n"
        << "  Flash page delay: " << (project.delayPage ? "on, " : "off, ") << project.delayPageValue << " ms\n"
        << "  Eeprom byte delay: " << (project.delayByte2 ? "on, " : "off, ") << project.delayByteValue2 << " ms\n"
        << "  Eeprom page delay: " << (project.delayPage2 ? "on, " : "off, ") << project.delayPageValue2 << " ms\n";
    return out.str();
}

} // namespace quorva
