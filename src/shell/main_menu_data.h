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

} // namespace quorva
