#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quorva {

// A serial device as a person choosing the box's port needs to see it.
struct SerialDeviceInfo {
    std::string path;            // as listed: /dev/ttyUSB0, /dev/serial/by-id/usb-...
    std::string target;          // the device a by-id name stands for; empty for the others
    std::vector<int> comNumbers; // the COM numbers that open it under the settings
    bool mayOpen = false;        // this user may read and write it
};

// The serial devices present: the by-id names with their targets, then
// ttyUSB*, ttyACM* and the ttyS* behind which a UART answers (an on-board
// port's node exists whether or not there is hardware behind it), then any
// other device a COM number is mapped to. comPath
// gives the device COM n opens (n from 1 to 255). root is "/dev" but in tests.
std::vector<SerialDeviceInfo> surveySerialDevices(const std::function<std::string(int)>& comPath,
                                                  const std::string& root = "/dev");

} // namespace quorva
