#pragma once

#include <span>

namespace quorva {

// A drop-down menu of the menu resource: its English title and its command
// ids in order, 0 standing for a separator. Item texts come from the menu
// text table.
struct MenuResourceColumn {
    const char* title;
    std::span<const int> items;
};

// The six menus of the bar, left to right.
std::span<const MenuResourceColumn> menuResource();

// An item's text: the menu text table's, or the catalogue's for the items
// the program added; nullptr for an unknown id.
const char* menuItemText(int commandId, bool russian);

// The key that runs a command from anywhere in the main window, as "Ctrl+O"
// or "F1"; nullptr for a command without one.
const char* menuShortcut(int commandId);

} // namespace quorva
