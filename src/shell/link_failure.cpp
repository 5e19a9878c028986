#include "link_failure.h"

#include "base/messages.h"

namespace quorva {
namespace {

constexpr int kCantOpenLinkText = 2132;
constexpr int kFirstReasonText = 2133; // xdg-open's status 1; 2..4 follow
constexpr int kLastKnownStatus = 4;
constexpr int kUnknownReasonText = 2137;

} // namespace

std::string linkFailureText(int xdgOpenStatus)
{
    std::string text = messageText(kCantOpenLinkText);
    if (xdgOpenStatus >= 1 && xdgOpenStatus <= kLastKnownStatus)
        text += messageText(kFirstReasonText + xdgOpenStatus - 1);
    else
        text += formatMessage(kUnknownReasonText, xdgOpenStatus);
    return text;
}

} // namespace quorva
