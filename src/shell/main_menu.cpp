#include "main_menu.h"

#include "base/text_tables.h"
#include "main_menu_data.h"
#include "window_ids.h"

namespace quorva {

namespace {

constexpr int kHelpPosition = 5;

// A path is shown as it is: "&" in a folder name must not become a mnemonic.
std::string literalLabel(const std::string& text)
{
    std::string label;
    for (char c : text) {
        if (c == '&')
            label += '&';
        label += c;
    }
    return label;
}

} // namespace

std::vector<MenuColumn> mainMenu(bool russian, const std::vector<RecentProjects::MenuItem>& recent)
{
    std::vector<MenuColumn> columns;
    int position = 0;
    for (const MenuResourceColumn& resource : menuResource()) {
        MenuColumn column;
        // Top-level titles are keyed by their position; the Flash and Eeprom
        // menus have no entry and keep their title in both languages.
        const char* title = menuText(-position, russian);
        column.title = title ? title : resource.title;
        column.rightAligned = position == kHelpPosition;
        for (int id : resource.items) {
            if (id == cmd::RecentPlaceholder && !recent.empty()) {
                for (const RecentProjects::MenuItem& item : recent)
                    column.entries.push_back({item.commandId, literalLabel(item.path), {}});
                continue;
            }
            const char* text = id == 0 ? "" : menuItemText(id, russian);
            const char* keys = menuShortcut(id);
            column.entries.push_back({id, text ? text : "", keys ? keys : ""});
        }
        columns.push_back(std::move(column));
        ++position;
    }
    return columns;
}

} // namespace quorva
