#include "cli_ports.h"

#include "base/json_text.h"
#include "base/messages.h"
#include "link/connection.h"
#include "link/serial_port.h"
#include "link/serial_survey.h"
#include "shell/quiet_ui.h"

#include <ostream>

namespace quorva::cli {

namespace {

// The box's version text when one answers on the device, else nothing.
std::optional<std::string> probe(const std::string& path)
{
    SerialPort port([path](int) { return path; });
    QuietUi silent([](const std::string&) {}, realClock());
    Connection connection(port, realClock(), silent);
    Connection::Version version;
    if (!connection.readVersion(1, version, false))
        return std::nullopt;
    return version.text;
}

std::string comList(const SerialDeviceInfo& device)
{
    std::string list;
    for (const int n : device.comNumbers)
        list += (list.empty() ? "COM" : ", COM") + std::to_string(n);
    return list;
}

// The first COM number nothing maps to yet, for the hint.
int freeComNumber(const std::vector<SerialDeviceInfo>& devices)
{
    for (int n = 1;; ++n) {
        bool used = false;
        for (const SerialDeviceInfo& device : devices)
            for (const int taken : device.comNumbers)
                used = used || taken == n;
        if (!used)
            return n;
    }
}

} // namespace

int listPorts(CliContext& context)
{
    bool probing = false;
    for (const std::string& argument : context.options.arguments) {
        if (argument != "--probe") {
            context.err << "ports takes [--probe]\n";
            return 2;
        }
        probing = true;
    }
    const std::vector<SerialDeviceInfo> devices =
        surveySerialDevices([&settings = context.settings](int n) { return settings.portPath(n); });
    const bool json = context.ui.jsonEvents();
    if (devices.empty() && !json)
        context.out << messageText(2121) << '\n';

    std::string array;
    for (const SerialDeviceInfo& device : devices) {
        const std::optional<std::string> box = probing && device.mayOpen ? probe(device.path) : std::nullopt;
        if (json) {
            std::string numbers;
            for (const int n : device.comNumbers)
                numbers += (numbers.empty() ? "" : ",") + std::to_string(n);
            array += std::string(array.empty() ? "" : ",") + "{\"path\":" + jsonString(device.path) +
                     (device.target.empty() ? "" : ",\"target\":" + jsonString(device.target)) + ",\"com\":[" +
                     numbers + "],\"mayOpen\":" + (device.mayOpen ? "true" : "false") +
                     (probing ? std::string(",\"box\":") + (box ? jsonString(*box) : "null") : "") + "}";
            continue;
        }
        std::string line = device.path;
        if (!device.target.empty())
            line += " -> " + device.target;
        line += ": ";
        const std::string coms = comList(device);
        line += coms.empty() ? formatMessage(2122, freeComNumber(devices), device.path.c_str()) : coms;
        line += "; ";
        line += device.mayOpen ? messageText(2123) : messageText(2124);
        if (probing && device.mayOpen)
            line += "; " + (box ? formatMessage(2125, box->c_str()) : std::string(messageText(2126)));
        context.out << line << '\n';
    }
    if (json)
        context.out << '[' << array << "]\n";
    return 0;
}

} // namespace quorva::cli
