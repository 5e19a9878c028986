#include "serial_survey.h"

#include "serial_devices.h"

#include <fcntl.h>
#include <filesystem>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>

namespace quorva {

namespace {

constexpr int kHighestCom = 255;

std::string canonical(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    return error ? path : resolved.string();
}

bool isOnBoardPort(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return path.compare(slash + 1, 4, "ttyS") == 0;
}

// An on-board port answers when the driver knows a UART behind it. A node we
// may not open is kept: whether it answers cannot be told, and the person
// needs to hear about the permission.
bool uartAnswers(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES || errno == EPERM;
    serial_struct info{};
    const bool answers = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return answers;
}

} // namespace

std::vector<SerialDeviceInfo> surveySerialDevices(const std::function<std::string(int)>& comPath,
                                                  const std::string& root)
{
    std::vector<std::string> comTargets;
    for (int n = 1; n <= kHighestCom; ++n)
        comTargets.push_back(canonical(comPath(n)));

    std::vector<SerialDeviceInfo> devices;
    const std::vector<std::string> listed = listSerialDevices(root);
    // The stable by-id names first: they say which adapter is which.
    for (const bool byId : {true, false}) {
        for (const std::string& path : listed) {
            if ((path.find("/serial/by-id/") != std::string::npos) != byId)
                continue;
            if (!byId && isOnBoardPort(path) && !uartAnswers(path))
                continue;
            SerialDeviceInfo device;
            device.path = path;
            const std::string real = canonical(path);
            if (byId)
                device.target = real;
            for (int n = 1; n <= kHighestCom; ++n)
                if (comTargets[static_cast<std::size_t>(n - 1)] == real)
                    device.comNumbers.push_back(n);
            device.mayOpen = ::access(path.c_str(), R_OK | W_OK) == 0;
            devices.push_back(std::move(device));
        }
    }
    // A COM number the settings point elsewhere (a simulator's link, a
    // device of another name) shows too, when it is there.
    for (int n = 1; n <= kHighestCom; ++n) {
        const std::string path = comPath(n);
        const std::string& real = comTargets[static_cast<std::size_t>(n - 1)];
        std::error_code error;
        if (path.empty() || !std::filesystem::exists(path, error))
            continue;
        bool listed = false;
        for (SerialDeviceInfo& device : devices)
            listed = listed || canonical(device.path) == real;
        if (listed)
            continue;
        SerialDeviceInfo device;
        device.path = path;
        if (real != path)
            device.target = real;
        for (int m = n; m <= kHighestCom; ++m)
            if (comTargets[static_cast<std::size_t>(m - 1)] == real)
                device.comNumbers.push_back(m);
        device.mayOpen = ::access(path.c_str(), R_OK | W_OK) == 0;
        devices.push_back(std::move(device));
    }
    return devices;
}

} // namespace quorva
