// The settings file on any text: read at start-up, the recent list, the
// port map, and the recent list written back after a project opens.
#include "fuzz_support.h"

#include "shell/recent_projects.h"
#include "shell/settings_store.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

using namespace quorva;
using namespace quorva::fuzz;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string opened = in.ConsumeRandomLengthString(RecentProjects::kMaxPathLength + 8);
    const int comPort = in.ConsumeIntegral<int>();
    const std::string text = in.ConsumeRemainingBytesAsString();
    const std::string path = scratchPath("quorva.ini");
    FUZZ_CHECK(writeFile(path, text));

    SettingsStore store(path);
    const Settings settings = store.readAtStartup();
    // The dialogs read the same keys again later; they must agree.
    int com = -1;
    int highSpeed = -1;
    store.readBoardSettings(com, highSpeed);
    FUZZ_CHECK(com == settings.comPort && highSpeed == settings.highSpeed);
    FUZZ_CHECK(store.readAdvancedDelays() == settings.advancedDelays);
    (void)store.loadMostRecent();

    const std::string device = store.portPath(comPort);
    if (comPort >= 1)
        FUZZ_CHECK(!device.empty());

    RecentProjects recent;
    int rebuilt = 0;
    recent.setOnChanged([&rebuilt] { ++rebuilt; });
    recent.loadRecent(store);
    FUZZ_CHECK(rebuilt == 1);
    for (const std::string& entry : recent.entries())
        FUZZ_CHECK(!entry.empty() && entry.size() <= RecentProjects::kMaxPathLength);
    const auto items = recent.menuItems();
    for (std::size_t i = 0; i < items.size(); ++i)
        FUZZ_CHECK(items[i].commandId == RecentProjects::kFirstCommandId + static_cast<int>(i) &&
                   items[i].path == recent.entry(i));

    // Opening a project puts it first and stores the list; the next start
    // reads back the same list. Project paths are file names: not empty, and
    // no line breaks.
    if (opened.empty() || opened.find_first_of("\r\n") != std::string::npos)
        return 0;
    recent.pushRecent(opened, store);
    RecentProjects nextStart;
    nextStart.loadRecent(store);
    FUZZ_CHECK(nextStart.entries() == recent.entries());
    if (opened.size() <= RecentProjects::kMaxPathLength)
        FUZZ_CHECK(recent.entry(0) == opened);
    return 0;
}
