#include "catalogue/fuse_warnings.h"

#include <algorithm>
#include <string_view>

#include "base/messages.h"
#include "catalogue/catalogue_messages.h"

namespace quorva {
namespace {

int usableFuseBits(const FuseLayout& layout)
{
    return std::clamp(layout.fuseBitCount, 0, 32);
}

// Programming CKSEL3..0 all together selects an external clock; only
// layouts that start with exactly those four bits have that meaning.
bool selectsExternalClock(const FuseLayout& layout, const LockFuseState& state)
{
    static constexpr std::string_view kClockSelect[4] = {"CKSEL0", "CKSEL1", "CKSEL2", "CKSEL3"};
    if (layout.fuseBitCount < 4)
        return false;
    for (std::size_t k = 0; k < 4; ++k) {
        const char* name = layout.fuseBitName[k];
        if (name == nullptr || kClockSelect[k] != name || !state.fuse[k])
            return false;
    }
    return true;
}

} // namespace

std::vector<std::string> dangerousSettingLines(const FuseLayout& layout, const LockFuseState& state)
{
    std::vector<std::string> lines;
    for (int k = 0; k < usableFuseBits(layout); ++k) {
        const auto uk = static_cast<std::size_t>(k);
        const char* name = layout.fuseBitName[uk] != nullptr ? layout.fuseBitName[uk] : "";
        if (layout.fuseWarning[uk] < 0 && state.fuse[uk])
            lines.push_back(formatMessage(catalogue_msg::kShouldBeUnprogrammed, name));
        else if (layout.fuseWarning[uk] > 0 && !state.fuse[uk])
            lines.push_back(formatMessage(catalogue_msg::kShouldBeProgrammed, name));
    }
    if (selectsExternalClock(layout, state))
        lines.emplace_back(messageText(catalogue_msg::kExternalClockOnly));
    return lines;
}

std::string dangerousSettingsQuestion(const std::vector<std::string>& lines)
{
    if (lines.empty())
        return {};
    std::string text = messageText(catalogue_msg::kFuseWarningHead);
    for (const std::string& line : lines)
        text += line;
    text += messageText(catalogue_msg::kContinueQuestion);
    return text;
}

void forceSafeFuses(const FuseLayout& layout, LockFuseState& state)
{
    for (int k = 0; k < usableFuseBits(layout); ++k) {
        const auto uk = static_cast<std::size_t>(k);
        if (layout.fuseWarning[uk] > 0)
            state.fuse[uk] = true;
        else if (layout.fuseWarning[uk] < 0)
            state.fuse[uk] = false;
    }
}

} // namespace quorva
