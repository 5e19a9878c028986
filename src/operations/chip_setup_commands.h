#pragma once

#include "operations_context.h"

#include "base/ui.h"
#include "catalogue/device_info.h"
#include "catalogue/lock_fuse_state.h"

#include <functional>
#include <optional>
#include <string>

namespace quorva {

class Connection;
class Project;
class ScopedWaitCursor;

// Where a quiet production run writes the texts it would otherwise show in a
// box; empty when no log is open.
using LogSink = std::function<void(const std::string& line)>;

// The commands that set a chip up rather than move its memories: chip erase,
// the lock and fuse bits, and the DataFlash page size. Each opens and closes
// its own connection for the project's device, reports on the status line
// and in boxes, and leaves its outcome in the context.
class ChipSetupCommands {
public:
    ChipSetupCommands(Ui& ui, Connection& connection, Project& project, const LinkSettings& settings,
                      OperationsContext& context, LogSink quietLog = {});

    // lastResult 0 erased; -1 failed, cancelled or still locked. An AVR chip
    // is identified again afterwards and may switch the selected device.
    void chipErase();
    // chipErase, true when it erased.
    bool chipEraseOk();

    // Fills a cleared setting from the chip. True also for a device whose
    // bits cannot be read (after saying so), with `valid` 0.
    bool readLockFuse(LockFuseState& out);
    // Writes the setting; programFuses false leaves the AVR fuse bytes alone.
    // quiet sends "No board specified" to the log and drops the closing
    // confirmation. True when every instruction sent was accepted.
    bool programLockFuse(const LockFuseState& setting, bool programFuses, bool quiet);
    // Reads the chip and reports in one box how it differs from `wanted`;
    // true when it holds exactly that.
    bool verifyLockFuse(const LockFuseState& wanted);
    // The Lock&Fuse Bits command up to its dialog: the setting to edit, or
    // none when there is nothing to open it on.
    std::optional<LockFuseState> lockFuseCommand();

    // Switches an AT45 to power-of-2 pages once the person agreed; the chip
    // takes them at its next power cycle. True when the command went through
    // to its closing box. Leaves lastResult at -1.
    bool setPowerOfTwoPages();

private:
    const DeviceInfo& selectedDevice() const;
    bool havePort();
    void status(int messageId);
    void info(const std::string& text);
    void infoAndStatus(int messageId);
    void eraseAndReport();
    void eraseDataFlash();
    void recheckAfterErase(ScopedWaitCursor& cursor);
    bool signatureNamesSelectedDevice(const std::array<int, 3>& signature) const;
    bool programAvr(const LockFuseState& setting, bool programFuses);
    bool programAt89s8253(const LockFuseState& setting);
    bool programAt89s(const LockFuseState& setting);

    Ui& ui_;
    Connection& connection_;
    Project& project_;
    const LinkSettings& settings_;
    OperationsContext& context_;
    LogSink quietLog_;
};

} // namespace quorva
