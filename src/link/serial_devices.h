#pragma once

#include <string>
#include <vector>

namespace quorva {

// The serial devices a person can pick for a COM number: USB adapters
// (ttyUSB*, ttyACM*), on-board ports (ttyS*) and the stable names under
// /dev/serial/by-id. root is "/dev" except in tests.
std::vector<std::string> listSerialDevices(const std::string& root = "/dev");

} // namespace quorva
