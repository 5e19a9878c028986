#include "startup_settings.h"

#include "base/messages.h"
#include "base/ui.h"
#include "recent_projects.h"

namespace quorva {

Settings loadSettingsAtStartup(SettingsStore& store, RecentProjects& recent, Ui& ui)
{
    recent.loadRecent(store);
    Settings settings = store.readAtStartup();
    setRussianUi(settings.russianUi);
    if (settings.comPort == 0) {
        int comPort = 0;
        int highSpeed = 0;
        if (ui.boardSettingsDialog(comPort, highSpeed)) {
            settings.comPort = comPort;
            settings.highSpeed = highSpeed;
        }
    }
    store.writeConnectionAndLanguage(settings);
    return settings;
}

void saveSettingsAtShutdown(SettingsStore& store, const Settings& settings, const RecentProjects& recent)
{
    Settings current = settings;
    current.russianUi = russianUi();
    IniEdit batch = store.edit();
    store.writeConnectionAndLanguage(current, batch);
    recent.writeTo(batch);
    store.commit(batch);
}

StartPlan planStart(const SettingsStore& store, const RecentProjects& recent, std::string_view raw)
{
    StartPlan plan;
    // The loaded list, not the file: an empty or over-long Project1 that the
    // list dropped must not become the start project.
    if (store.loadMostRecent())
        plan.projectPath = recent.entry(0);
    const CommandLine commandLine = parseCommandLine(raw);
    if (commandLine.projectPath)
        plan.projectPath = *commandLine.projectPath;
    if (plan.hasProject())
        plan.mode = autoRunMode(commandLine.optionText);
    return plan;
}

} // namespace quorva
