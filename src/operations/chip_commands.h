#pragma once

#include "chip_operation.h"
#include "operations_context.h"

namespace quorva {

class Connection;
class MemoryBuffer;
class Project;

// The main window's chip commands without the window: each checks the port,
// opens its own connection, runs its operation with the buffer marked busy,
// reports on the status line and in boxes, and closes the connection. The
// device is the project's; results go to the context.
class ChipCommands {
public:
    ChipCommands(Ui& ui, Connection& connection, Project& project, MemoryBuffer& flash, MemoryBuffer& eeprom,
                 const LinkSettings& settings, OperationsContext& context);

    void programFlash();
    // For an AT45 device the main window runs the page-size command instead.
    void programEeprom();
    void readFlash();
    void readEeprom();
    void verifyFlash();
    void verifyEeprom();
    // lastResult 0 blank, 1 not blank, -1 error or cancelled.
    void blankCheck();

    // Reads, identifies and shows the signature; switches the selected
    // device through the context's hook when the chip is another one.
    void readSignature();
    // On an open connection: lastResult 0 the chip matches the selected
    // device, 1 it does not, 2 it is locked, -1 it could not be read.
    void checkSignature();
    // Whether the selected device answers a signature to check at all.
    bool signatureComparable() const;
    // checkSignature on a connection of its own, before anything is written.
    void checkChip();
    // Reads and shows the calibration bytes.
    void readCalibration();

private:
    bool havePort();
    bool connect(int baudCode);
    void disconnect(MemoryBuffer* buffer);
    OperationSetup setup(int baudCode);
    int runOnBuffer(Operation& op, MemoryBuffer* buffer);
    void info(const std::string& text);
    void infoAndStatus(int messageId);
    void status(int messageId);
    bool confirmProgramming();
    bool mayProgram(const MemoryBuffer& buffer);
    void programMemory(bool isFlash);
    void readMemory(bool isFlash);
    void verifyMemory(bool isFlash);
    void incrementSerial(MemoryBuffer& buffer, bool enabled, int address);
    const DeviceInfo& selectedDevice() const;

    Ui& ui_;
    Connection& connection_;
    Project& project_;
    MemoryBuffer& flash_;
    MemoryBuffer& eeprom_;
    const LinkSettings& settings_;
    OperationsContext& context_;
};

} // namespace quorva
