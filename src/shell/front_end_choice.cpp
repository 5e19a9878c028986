#include "front_end_choice.h"

#include <cstdlib>

namespace quorva {

EnvironmentLookup processEnvironment()
{
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr) {
            return std::nullopt;
        }
        return std::string(value);
    };
}

bool displayAvailable(const EnvironmentLookup& environment)
{
    for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
        const std::optional<std::string> value = environment(name);
        if (value && !value->empty()) {
            return true;
        }
    }
    return false;
}

FrontEnd chooseFrontEnd(AutoRunMode mode, bool display)
{
    if (mode.quietRun) {
        return FrontEnd::Console;
    }
    if (display) {
        return FrontEnd::Window;
    }
    return mode.autoRun ? FrontEnd::Console : FrontEnd::NeedsDisplay;
}

} // namespace quorva
