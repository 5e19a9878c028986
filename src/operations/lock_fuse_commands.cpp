#include "chip_setup_commands.h"

#include "chip_identity.h"
#include "wait_cursor.h"

#include "base/messages.h"
#include "catalogue/fuse_layout.h"
#include "catalogue/identification.h"
#include "catalogue/lock_fuse.h"
#include "data/project.h"
#include "link/connection.h"

namespace quorva {

namespace {

constexpr int kLockFuseBaud = 0;
// A fuse or lock byte takes a few milliseconds to write; the chip must have
// it before the next instruction comes.
constexpr int kFuseWriteMs = 40;
// The 8051 parts write one lock level per instruction.
constexpr int kAt89sLockStepMs = 250;
constexpr int kLocksUnwritable = 2010;

enum class Outcome { Accepted, NotSent, Refused };

// A Spi4 instruction, the time the chip needs for it, then its reply.
Outcome sendInstruction(BoxLink& link, const Instruction& instruction, int waitMs)
{
    if (!link.send(Command::Spi4, {instruction[0], instruction[1], instruction[2], instruction[3]}))
        return Outcome::NotSent;
    if (waitMs > 0)
        link.wait(waitMs);
    return link.expectAck() ? Outcome::Accepted : Outcome::Refused;
}

// The answer byte of a Spi4Read; -1 when it was not sent or did not come.
int readAnswer(BoxLink& link, const ReadInstruction& instruction)
{
    return link.send(Command::Spi4Read, {instruction[0], instruction[1], instruction[2]}) ? link.receiveByte() : -1;
}

// The memories and the AT86RF401 carry no lock instruction at all.
bool hasLockWrite(const FuseLayout& layout)
{
    return layout.lockWrite != Instruction{};
}

// The 8051 steps OR their level into the low bits of byte 1; a template with
// those bits already set sends the same all-ones instruction for every level
// and programs nothing.
bool lockStepsCarryLevel(const FuseLayout& layout)
{
    return hasLockWrite(layout) && (layout.lockWrite[1] & 0x03) == 0;
}

} // namespace

bool ChipSetupCommands::readLockFuse(LockFuseState& out)
{
    out = LockFuseState{};
    const DeviceInfo& device = selectedDevice();
    const FuseLayout& layout = fuseLayoutOf(device);
    out.valid = layout.lockReadPresent != 0 ? 1 : 0;
    if (layout.lockReadPresent == 0) {
        // Nothing of these chips can be read, and a memory chip would only
        // "not match" an AVR signature read.
        info(messageText(1059));
        return true;
    }

    ScopedWaitCursor cursor(ui_);
    if (!connection_.connect(project_, project_.deviceIndex, settings_.comPort, kLockFuseBaud))
        return false;
    BoxLink& link = connection_.link();
    bool ok = true;
    if (device.protocol == ProtocolAvr) {
        std::array<int, 3> signature{};
        if (!readAvrSignature(link, signature)) {
            cursor.off();
            connection_.closeConnection();
            info(messageText(1105));
            return false;
        }
        context_.lastSignature = signature;
        if (!signatureNamesSelectedDevice(signature) &&
            ui_.ask(Buttons::YesNo, BoxIcon::Question, 1, messageText(1016),
                    std::string(messageText(1049)) + "\n\n" + chipFoundLine(signature)) != Answer::Yes) {
            cursor.off();
            connection_.closeConnection();
            status(1106);
            return false;
        }
        const int lock = readAnswer(link, layout.lockRead);
        ok = lock >= 0;
        if (ok) {
            if (!decodeAvrLock(layout, static_cast<std::uint8_t>(lock), out))
                info(messageText(1158));
            if (fusesFromLockAnswer(layout))
                decodeFuseAnswer(layout, 0, static_cast<std::uint8_t>(lock), out);
        }
        if (ok && !fusesFromLockAnswer(layout)) {
            for (int j : fuseReadOrder(layout)) {
                const int answer = readAnswer(link, layout.fuseRead[static_cast<std::size_t>(j)]);
                ok = answer >= 0;
                if (!ok)
                    break;
                decodeFuseAnswer(layout, j, static_cast<std::uint8_t>(answer), out);
            }
        }
    } else {
        const int lock = readAnswer(link, layout.lockRead);
        ok = lock >= 0;
        if (ok) {
            out.lockMode = device.protocol == ProtocolAt89s8253 ? decodeAt89s8253Lock(static_cast<std::uint8_t>(lock))
                                                                : decodeAt89s5xLock(static_cast<std::uint8_t>(lock));
        }
        if (ok && layout.fuseReadPresent != 0) {
            const int answer = readAnswer(link, layout.fuseRead[0]);
            ok = answer >= 0;
            if (ok)
                decodeFuseAnswer(layout, 0, static_cast<std::uint8_t>(answer), out);
        }
    }
    cursor.off();
    if (!ok) {
        connection_.closeConnection();
        info(messageText(1027));
        return false;
    }
    if (!connection_.closeConnection())
        info(messageText(1026));
    return true;
}

bool ChipSetupCommands::programLockFuse(const LockFuseState& setting, bool programFuses, bool quiet)
{
    ScopedWaitCursor cursor(ui_);
    if (settings_.comPort <= 0) {
        status(1031);
        if (!quiet)
            info(messageText(1032));
        else if (quietLog_)
            quietLog_(messageText(1032));
        return false;
    }
    const DeviceInfo& device = selectedDevice();
    const FuseLayout& layout = fuseLayoutOf(device);
    // A lock mode the chip cannot be given must not be reported as programmed.
    const bool lockWritable = device.protocol == ProtocolAt89s ? lockStepsCarryLevel(layout) : hasLockWrite(layout);
    if (setting.lockMode >= 1 && setting.lockMode <= 3 && !lockWritable) {
        cursor.off();
        info(messageText(kLocksUnwritable));
        status(1108);
        return false;
    }
    if (!connection_.connect(project_, project_.deviceIndex, settings_.comPort, kLockFuseBaud))
        return false;

    bool ok = false;
    if (device.protocol == ProtocolAt89s8253)
        ok = programAt89s8253(setting);
    else if (device.protocol == ProtocolAt89s)
        ok = programAt89s(setting);
    else
        ok = programAvr(setting, programFuses);
    if (!connection_.closeConnection())
        info(messageText(1026));
    if (device.protocol == ProtocolAt89s) {
        if (ok)
            status(1109);
        else
            info(messageText(1108));
    }
    cursor.off();
    if (ok && !quiet)
        info(messageText(1109));
    return ok;
}

bool ChipSetupCommands::programAvr(const LockFuseState& setting, bool programFuses)
{
    BoxLink& link = connection_.link();
    const FuseLayout& layout = fuseLayoutOf(selectedDevice());
    auto accepted = [&](const Instruction& instruction) {
        const Outcome outcome = sendInstruction(link, instruction, kFuseWriteMs);
        if (outcome == Outcome::Accepted)
            status(1109);
        else
            info(messageText(outcome == Outcome::NotSent ? 1027 : 1108));
        return outcome == Outcome::Accepted;
    };
    if (layout.fuseBitCount > 0 && programFuses) {
        for (int j = 0; j < kFuseBytes; ++j) {
            // A failed fuse byte leaves the lock and boot-lock bits unwritten.
            if (fuseBytePresent(layout, j) && !accepted(encodeFuseWrite(layout, j, setting)))
                return false;
        }
    }
    if (hasLockWrite(layout) && avrLockWriteNeeded(setting))
        return accepted(encodeAvrLockWrite(layout, setting));
    return true;
}

bool ChipSetupCommands::programAt89s8253(const LockFuseState& setting)
{
    BoxLink& link = connection_.link();
    const FuseLayout& layout = fuseLayoutOf(selectedDevice());
    // The fuse byte goes out whatever programFuses says: it is part of this
    // chip's one setting.
    for (const Instruction& instruction :
         {encodeAt89s8253LockWrite(layout, setting.lockMode), encodeFuseWrite(layout, 0, setting)}) {
        const Outcome outcome = sendInstruction(link, instruction, kFuseWriteMs);
        if (outcome != Outcome::Accepted) {
            info(messageText(outcome == Outcome::NotSent ? 1027 : 1108));
            return false;
        }
        status(1109);
    }
    return true;
}

bool ChipSetupCommands::programAt89s(const LockFuseState& setting)
{
    BoxLink& link = connection_.link();
    const FuseLayout& layout = fuseLayoutOf(selectedDevice());
    bool ok = true;
    // Every level is sent even after one failed; the summary follows the close.
    for (const Instruction& step : encodeAt89sLockSteps(layout, setting.lockMode)) {
        const Outcome outcome = sendInstruction(link, step, 0);
        if (outcome == Outcome::NotSent)
            info(messageText(1027));
        ok = ok && outcome == Outcome::Accepted;
        link.wait(kAt89sLockStepMs);
    }
    return ok;
}

bool ChipSetupCommands::verifyLockFuse(const LockFuseState& wanted)
{
    LockFuseState read;
    // A chip whose bits cannot be read has nothing to compare.
    if (!readLockFuse(read) || read.valid == 0)
        return false;
    const DeviceInfo& device = selectedDevice();
    const FuseLayout& layout = fuseLayoutOf(device);
    std::string lines;
    if (wanted.lockMode != read.lockMode) {
        lines += formatMessage(1161, lockModeCaption(device.protocol, wanted.lockMode),
                               lockModeCaption(device.protocol, read.lockMode));
    }
    auto compare = [&lines](bool want, bool is, const char* name) {
        if (want != is)
            lines += formatMessage(is ? 1163 : 1162, name);
    };
    // Entries beyond the layout's bits mean nothing to the chip and would
    // fail the comparison without a line to say why.
    for (int k = 0; k < layout.fuseBitCount && k < 32; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        compare(wanted.fuse[uk], read.fuse[uk], layout.fuseBitName[uk]);
    }
    for (int i = 0; i < layout.bootLockCount && i < kBootLockBits; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        compare(wanted.bootLock[ui], read.bootLock[ui], layout.bootLockName[ui]);
    }
    if (lines.empty()) {
        ui_.showMessage(BoxIcon::Information, messageText(1016), messageText(1159));
        return true;
    }
    ui_.showMessage(BoxIcon::Stop, messageText(1016), messageText(1160) + lines);
    return false;
}

std::optional<LockFuseState> ChipSetupCommands::lockFuseCommand()
{
    if (!havePort())
        return std::nullopt;
    // The memories and the AT86RF401 have nothing a lock or fuse
    // instruction could reach: no dialog, and nothing goes to the box.
    const FuseLayout& layout = fuseLayoutOf(selectedDevice());
    if (!hasLockWrite(layout) && layout.lockReadPresent == 0 && layout.fuseBitCount == 0) {
        info(messageText(1059));
        return std::nullopt;
    }
    LockFuseState setting;
    if (!readLockFuse(setting))
        return std::nullopt;
    return setting;
}

} // namespace quorva
