#include "link/serial_devices.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quorva {
namespace {

TEST(SerialDevicesTest, ListsSerialPortsInNaturalOrderThenStableNames)
{
    test::TempFolder dev;
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "tty", "ttyUSB", "null", "ttyUSBx"})
        test::writeFile(dev.file(name), "");
    std::filesystem::create_directories(dev.file("serial/by-id"));
    test::writeFile(dev.file("serial/by-id/usb-FTDI_QUORVA-if00-port0"), "");

    EXPECT_EQ(listSerialDevices(dev.path()),
              (std::vector<std::string>{dev.file("ttyACM0"), dev.file("ttyS0"), dev.file("ttyUSB2"),
                                        dev.file("ttyUSB10"), dev.file("serial/by-id/usb-FTDI_QUORVA-if00-port0")}));
    EXPECT_TRUE(listSerialDevices(dev.file("missing")).empty());
}

} // namespace
} // namespace quorva
