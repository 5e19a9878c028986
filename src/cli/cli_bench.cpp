#include "cli_bench.h"

#include "catalogue/device_lookup.h"

#include <ostream>

namespace quorva::cli {

Bench::Bench(CliContext& context)
    : session(context), records(productionRecords(context.settings, context.options.recordsLocation)),
      controller(context.ui, context.settings, session.port(), session.clock(), noLog), project(controller.project()),
      flash(controller.flash()), eeprom(controller.eeprom()), setup(controller.setup()), context_(context)
{
    LinkSettings link;
    link.comPort = session.comPort();
    link.highSpeed = session.baudCode();
    link.advancedDelays = context.settings.readAdvancedDelays();
    link.fixedWaits = context.options.fixedWaits || context.settings.fixedWaits();
    controller.prepare(link);
    controller.keepRecords(records);
    controller.context().unattended = true;
    // A chip that turns out to be another device is worked on as that one.
    auto adopt = controller.context().deviceIdentified;
    controller.context().deviceIdentified = [this, adopt](int index) {
        adopt(index);
        context_.out << "Device: " << deviceTable[static_cast<std::size_t>(index)].name << "\n";
    };
}

int Bench::choose(const std::optional<std::string>& projectPath, const std::optional<std::string>& deviceName)
{
    if (projectPath && !project.load(*projectPath))
        return 1;
    if (deviceName) {
        const int index = findByName(*deviceName);
        if (index < 0) {
            context_.err << "unknown device " << *deviceName << "\n";
            return 2;
        }
        project.deviceIndex = index;
    }
    return 0;
}

const DeviceInfo& Bench::device() const
{
    return deviceTable[static_cast<std::size_t>(project.deviceIndex)];
}

} // namespace quorva::cli
