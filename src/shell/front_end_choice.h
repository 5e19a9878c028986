#pragma once

#include "command_line.h"

#include <functional>
#include <optional>
#include <string>

namespace quorva {

enum class FrontEnd {
    Window,       // the main window
    Console,      // a production run on the terminal or unattended
    NeedsDisplay, // a plain start where no window can open
};

// Reads one environment variable; nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string&)>;

// This process's environment.
EnvironmentLookup processEnvironment();

// A window can open when Qt is told a platform of its own (QT_QPA_PLATFORM,
// e.g. "offscreen" in tests) or an X11 or Wayland display is named. Empty
// values count as unset, as a shell's `DISPLAY= quorva` means "none".
bool displayAvailable(const EnvironmentLookup& environment);

// The quiet run never needs a person and so never a display; -autoprogram
// falls back to the console where no window can open, so production PCs
// without a desktop keep working.
FrontEnd chooseFrontEnd(AutoRunMode mode, bool display);

} // namespace quorva
