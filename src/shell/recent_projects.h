#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace quorva {

class IniEdit;
class SettingsStore;

// The eight most recently used project files, most recent first. Empty slots
// hold "[Unspecified]".
class RecentProjects {
public:
    static constexpr std::size_t kCount = 8;
    // Longest path an entry holds.
    static constexpr std::size_t kMaxPathLength = 1025;
    // Command id of the first menu item; the others follow.
    static constexpr int kFirstCommandId = 32801;

    struct MenuItem {
        int commandId;
        std::string path;
    };

    RecentProjects();

    // Called after the list changed, to rebuild the menu.
    void setOnChanged(std::function<void()> onChanged) { onChanged_ = std::move(onChanged); }

    // Reads [Recent] Project1..Project8.
    void loadRecent(const SettingsStore& settings);
    // Writes [Recent] Project1..Project8 in one replace of the file.
    void saveRecent(SettingsStore& settings) const;
    // The same keys into an edit that others add to.
    void writeTo(IniEdit& edit) const;
    // Moves path to the front (an old spelling differing only in letter case
    // is replaced), stores the list and rebuilds the menu. A path too long for
    // an entry leaves the list as it is: cut short, it would name another file.
    // Taken by value: the path may be one of the entries being moved.
    void pushRecent(std::string path, SettingsStore& settings);

    const std::array<std::string, kCount>& entries() const { return entries_; }
    const std::string& entry(std::size_t index) const { return entries_.at(index); }
    // Entries 0, 1, ... up to the first "[Unspecified]", with their command ids.
    std::vector<MenuItem> menuItems() const;

private:
    void changed() const;

    std::array<std::string, kCount> entries_;
    std::function<void()> onChanged_;
};

} // namespace quorva
