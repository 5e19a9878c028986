#pragma once

#include "command_line.h"
#include "settings_store.h"

#include <string>
#include <string_view>

namespace quorva {

class RecentProjects;
class Ui;

// The settings steps of start-up: load the recent list, read the settings
// (the language takes effect at once), ask for the programmer's port on the
// very first run, then write COM, HighSpeed and Russian back so the file
// always holds them after a start.
Settings loadSettingsAtStartup(SettingsStore& store, RecentProjects& recent, Ui& ui);

// Shut-down: COM, HighSpeed, Russian (the language in force now) and the
// recent list, in one replace of the file.
void saveSettingsAtShutdown(SettingsStore& store, const Settings& settings, const RecentProjects& recent);

// The start project and what to do with it.
struct StartPlan {
    std::string projectPath = kUnspecified;
    AutoRunMode mode;
    bool hasProject() const { return projectPath != kUnspecified; }
};

// The most recent project of the loaded list when the settings ask for it,
// replaced by a path on the command line; the auto-run options count only
// with a start project.
StartPlan planStart(const SettingsStore& store, const RecentProjects& recent, std::string_view rawCommandLine);

} // namespace quorva
