#include "serial_devices.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quorva {

namespace {

bool isSerialName(const std::string& name)
{
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        const std::string start = prefix;
        if (name.size() > start.size() && name.compare(0, start.size(), start) == 0 &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(start.size()), name.end(),
                        [](char c) { return c >= '0' && c <= '9'; }))
            return true;
    }
    return false;
}

// Natural order, so ttyUSB2 comes before ttyUSB10.
bool naturalLess(const std::string& a, const std::string& b)
{
    const auto split = [](const std::string& s) {
        const std::size_t digits = s.find_last_not_of("0123456789") + 1;
        return std::make_pair(s.substr(0, digits), digits < s.size() ? std::stoul(s.substr(digits)) : 0ul);
    };
    return split(a) < split(b);
}

} // namespace

std::vector<std::string> listSerialDevices(const std::string& root)
{
    namespace fs = std::filesystem;
    std::vector<std::string> devices;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(root, error)) {
        const std::string name = entry.path().filename().string();
        if (isSerialName(name))
            devices.push_back(entry.path().string());
    }
    std::sort(devices.begin(), devices.end(), naturalLess);
    std::vector<std::string> stable;
    for (const auto& entry : fs::directory_iterator(root + "/serial/by-id", error))
        stable.push_back(entry.path().string());
    std::sort(stable.begin(), stable.end());
    devices.insert(devices.end(), stable.begin(), stable.end());
    return devices;
}

} // namespace quorva
