#include "fault_plan.h"

#include "part_info.h"

#include <charconv>

namespace quorva::sim {

namespace {

bool number(std::string_view text, std::uint64_t& value)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty())
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool byteValue(std::string_view text, std::uint8_t& value)
{
    std::uint64_t v = 0;
    if (!number(text, v) || v > 255)
        return false;
    value = static_cast<std::uint8_t>(v);
    return true;
}

} // namespace

bool parseFault(std::string_view text, FaultPlan& plan, std::string* error)
{
    const auto eq = text.find('=');
    const std::string_view name = text.substr(0, eq);
    const std::string_view arg = eq == std::string_view::npos ? std::string_view{} : text.substr(eq + 1);
    auto fail = [&](const char* why) {
        if (error)
            *error = std::string(text) + ": " + why;
        return false;
    };
    std::uint64_t n = 0;
    if (name == "silence") {
        if (arg.empty()) {
            plan.silentAfter = 0;
            return true;
        }
        if (!number(arg, n))
            return fail("expected a command count");
        plan.silentAfter = static_cast<unsigned>(n);
        return true;
    }
    if (name == "stale") {
        std::uint8_t b = 0;
        if (!byteValue(arg, b))
            return fail("expected a byte");
        plan.staleByte = b;
        return true;
    }
    if (name == "ack") {
        const auto c1 = arg.find(':');
        const auto c2 = c1 == std::string_view::npos ? c1 : arg.find(':', c1 + 1);
        WrongAck ack;
        if (c2 == std::string_view::npos || !byteValue(arg.substr(0, c1), ack.command) ||
            !number(arg.substr(c1 + 1, c2 - c1 - 1), n) || n == 0 || !byteValue(arg.substr(c2 + 1), ack.reply))
            return fail("expected COMMAND:OCCURRENCE:REPLY");
        ack.occurrence = static_cast<unsigned>(n);
        plan.wrongAcks.push_back(ack);
        return true;
    }
    if (name == "polling") {
        if (!number(arg, n) || n == 0)
            return fail("expected the number of the composite write, from 1");
        plan.pollingErrorAt = static_cast<unsigned>(n);
        return true;
    }
    if (name == "locked" && arg.empty()) {
        plan.lockedChip = true;
        return true;
    }
    if (name == "stays-locked" && arg.empty()) {
        plan.lockedChip = true;
        plan.staysLocked = true;
        return true;
    }
    if (name == "signature") {
        if (!findChip(arg))
            return fail("unknown part");
        plan.signatureOf = std::string(arg);
        return true;
    }
    if (name == "disconnect") {
        if (!number(arg, n))
            return fail("expected a byte count");
        plan.disconnectAfterBytes = n;
        return true;
    }
    if (name == "slow") {
        if (!number(arg, n))
            return fail("expected milliseconds");
        plan.slowReplyMs = static_cast<unsigned>(n);
        return true;
    }
    if (name == "slow-chip") {
        if (!number(arg, n) || n == 0 || n > 1000)
            return fail("expected a factor from 1 to 1000");
        plan.slowChip = static_cast<unsigned>(n);
        return true;
    }
    if (name == "never-ready" && arg.empty()) {
        plan.neverReady = true;
        return true;
    }
    return fail("unknown fault");
}

} // namespace quorva::sim
