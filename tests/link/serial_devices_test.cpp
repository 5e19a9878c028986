#include "link/serial_devices.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

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

#include "link/serial_survey.h"

namespace quorva {
namespace {

TEST(SerialSurveyTest, NamesTheComNumbersOfEveryDeviceAndDropsSilentOnBoardPorts)
{
    test::TempFolder dev;
    for (const char* name : {"ttyUSB0", "ttyACM0", "ttyS0"})
        test::writeFile(dev.file(name), ""); // ttyS0: no UART behind a plain file
    std::filesystem::create_directories(dev.file("serial/by-id"));
    std::filesystem::create_symlink("../../ttyUSB0", dev.file("serial/by-id/usb-FTDI-if00-port0"));
    test::writeFile(dev.file("sim-link"), "");
    const std::map<int, std::string> mapped{
        {1, dev.file("ttyUSB0")}, {3, dev.file("serial/by-id/usb-FTDI-if00-port0")}, {7, dev.file("sim-link")}};
    const auto comPath = [&](int n) {
        const auto at = mapped.find(n);
        return at == mapped.end() ? dev.file("absent" + std::to_string(n)) : at->second;
    };

    const std::vector<SerialDeviceInfo> devices = surveySerialDevices(comPath, dev.path());
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[0].path, dev.file("serial/by-id/usb-FTDI-if00-port0"));
    EXPECT_EQ(devices[0].target, std::filesystem::canonical(dev.file("ttyUSB0")).string());
    EXPECT_EQ(devices[0].comNumbers, (std::vector<int>{1, 3})); // both name the one adapter
    EXPECT_EQ(devices[1].path, dev.file("ttyACM0"));
    EXPECT_TRUE(devices[1].comNumbers.empty());
    EXPECT_EQ(devices[2].path, dev.file("ttyUSB0"));
    EXPECT_EQ(devices[2].comNumbers, (std::vector<int>{1, 3}));
    EXPECT_EQ(devices[3].path, dev.file("sim-link")); // mapped, though no serial name
    EXPECT_EQ(devices[3].comNumbers, std::vector<int>{7});
}

} // namespace
} // namespace quorva
