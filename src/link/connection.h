#pragma once

#include "base/ui.h"
#include "box_link.h"
#include "catalogue/device_info.h"

#include <array>
#include <string>

namespace quorva {

class Project;

// The short connections to the box every command opens and closes: presence
// and firmware check, device and line parameters, the target's programming
// mode; and the version-only connection with the version read and the search
// for the box. Messages go to the Ui as information boxes captioned
// "Programmer QUORVA" and to the status line.
class Connection {
public:
    // The firmware code the PC needs.
    static constexpr const char* kRequiredFirmware = "10c";

    Connection(BytePort& port, Clock& clock, Ui& ui);

    BoxLink& link() { return link_; }
    BytePort& port() { return port_; }
    Clock& clock() { return clock_; }
    Ui& ui() { return ui_; }

    // --- what survives a connection ---
    const std::array<char, 3>& firmwareCode() const { return firmwareCode_; }
    bool bootLoaderSeen() const { return bootLoaderSeen_; }
    bool versionConflict() const { return versionConflict_; }
    // The device of the running (or last) full connection; null before one.
    const DeviceInfo* connectionDevice() const { return connectionDevice_; }

    bool checkFirmwareCode(const std::array<char, 3>& code, bool quiet);

    // A full connection for an operation on the device at deviceIndex, on COM
    // comPort, at the line speed of baudCode (0, 1, 2).
    bool connect(const Project& project, int deviceIndex, int comPort, int baudCode);
    // Releases the target, returns the box to 19200 baud, closes the port.
    bool closeConnection();

    // A connection without target, for versions and the search.
    bool connectForVersion(int comPort, bool bootLoaderMode, bool checkVersion, bool quiet, bool quietVersionCheck);
    bool closeVersionConnection();

    // The box's version text and serial number.
    struct Version {
        std::string text;
        std::array<int, 5> serial{};
    };
    bool readVersion(int comPort, Version& version, bool bootLoaderMode);
    // The Programmer Info command; false when the version could not be read.
    bool showProgrammerInfo(int comPort);
    // Looks for the box on COM1..COM8; the first found, or 0.
    int searchProgrammer();

private:
    enum class PingAnswer { SendFailed, NoAnswer, Firmware, NoFirmware };
    PingAnswer pingExchange();
    // The ping exchange of either kind of connection: true when the box runs
    // its firmware; otherwise the user is told, the line is given back (a
    // failed send through close) and false.
    bool boxAnswersPing(bool (Connection::*close)());
    bool openFailed(int comPort);
    void box(const std::string& text);
    void boxAndStatus(int messageId);
    void status(int messageId);
    bool failConnection();
    bool enterTarget(const Project& project, const DeviceInfo& device, int baudCode);

    BytePort& port_;
    Clock& clock_;
    Ui& ui_;
    BoxLink link_;
    std::array<char, 3> firmwareCode_{};
    bool bootLoaderSeen_ = false;
    bool versionConflict_ = false;
    const DeviceInfo* connectionDevice_ = nullptr;
    // What closing the connection sends back to the box.
    int closingSpiPeriod_ = 4;
    bool closingPolling_ = false;
};

// Bytes shown in a message: anything unprintable becomes '?'.
char printable(char c);

} // namespace quorva
