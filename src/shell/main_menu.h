#pragma once

#include "recent_projects.h"

#include <string>
#include <vector>

namespace quorva {

// One entry of a drop-down menu: a command, or a separator (id 0).
struct MenuEntry {
    int id = 0;
    std::string text;
    std::string shortcut; // a key as "Ctrl+O" or "F1"; empty for none
    bool separator() const { return id == 0; }
    bool operator==(const MenuEntry&) const = default;
};

struct MenuColumn {
    std::string title;
    std::vector<MenuEntry> entries;
    bool rightAligned = false; // "&Help" stands at the right of the bar
    bool operator==(const MenuColumn&) const = default;
};

// The main menu as the person sees it: the structure of the menu resource,
// relabelled in the given language by the menu text table, with the recent
// projects in place of the placeholder when there are any.
std::vector<MenuColumn> mainMenu(bool russian, const std::vector<RecentProjects::MenuItem>& recent);

} // namespace quorva
