#include "recent_projects.h"

#include "settings_store.h"

#include <algorithm>
#include <cctype>

namespace quorva {

namespace {

bool equalNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string keyFor(std::size_t index)
{
    return "Project" + std::to_string(index + 1);
}

} // namespace

RecentProjects::RecentProjects()
{
    entries_.fill(kUnspecified);
}

void RecentProjects::loadRecent(const SettingsStore& settings)
{
    const IniDocument document = settings.read();
    entries_.fill(kUnspecified);
    std::size_t next = 0;
    for (std::size_t i = 0; i < kCount; ++i) {
        std::string path = document.getString(kRecentSection, keyFor(i), kUnspecified);
        // An over-long or empty entry (only a hand edit makes one) is dropped
        // rather than cut or shown blank, and the ones after it move up so the
        // menu still shows them.
        if (path.size() > kMaxPathLength || path.empty())
            continue;
        entries_[next++] = std::move(path);
    }
    changed();
}

void RecentProjects::saveRecent(SettingsStore& settings) const
{
    IniEdit batch = settings.edit();
    writeTo(batch);
    settings.commit(batch);
}

void RecentProjects::writeTo(IniEdit& edit) const
{
    for (std::size_t i = 0; i < kCount; ++i)
        edit.setString(kRecentSection, keyFor(i), entries_[i].empty() ? std::string(kUnspecified) : entries_[i]);
}

void RecentProjects::pushRecent(std::string path, SettingsStore& settings)
{
    if (path.size() > kMaxPathLength)
        return;
    std::size_t found = kCount - 1; // not found: the last entry drops out
    for (std::size_t i = 0; i < kCount; ++i) {
        if (equalNoCase(entries_[i], path)) {
            found = i;
            break;
        }
    }
    for (std::size_t j = found; j >= 1; --j)
        entries_[j] = entries_[j - 1];
    entries_[0] = std::move(path);
    saveRecent(settings);
    changed();
}

std::vector<RecentProjects::MenuItem> RecentProjects::menuItems() const
{
    std::vector<MenuItem> items;
    for (std::size_t i = 0; i < kCount && entries_[i] != kUnspecified; ++i)
        items.push_back({kFirstCommandId + static_cast<int>(i), entries_[i]});
    return items;
}

void RecentProjects::changed() const
{
    if (onChanged_)
        onChanged_();
}

} // namespace quorva
