#include "cli_records.h"

#include "base/messages.h"
#include "records/record_output.h"
#include "records/record_store.h"
#include "records/record_text_ids.h"
#include "records/time_text.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace quorva::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void reportError(CliContext& context, const std::string& text)
{
    context.ui.showMessage(BoxIcon::Error, messageText(1025), text);
}

// The whole text as a number from 0 to 0xFFFFFFFF.
std::optional<std::uint32_t> parseNumber(const std::string& text)
{
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

// A subcommand's own options: "--name value" or "--name=value".
class Arguments {
public:
    explicit Arguments(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    bool atEnd() const { return at_ >= arguments_.size(); }
    const std::string& current() const { return arguments_[at_]; }
    void next() { ++at_; }

    // Whether the current argument is that option; value() then gives its
    // value (nothing when missing), stepping over it when it stands apart.
    bool is(const char* name) const
    {
        const std::string& argument = current();
        return argument == name || argument.rfind(std::string(name) + "=", 0) == 0;
    }
    std::optional<std::string> value()
    {
        const std::string& argument = current();
        if (const std::size_t equals = argument.find('='); equals != std::string::npos)
            return argument.substr(equals + 1);
        if (at_ + 1 >= arguments_.size())
            return std::nullopt;
        return arguments_[++at_];
    }

private:
    const std::vector<std::string>& arguments_;
    std::size_t at_ = 0;
};

// Opens the store. For reading, a missing SQLite file is reported rather
// than created, so a mistyped path does not pass for an empty history.
std::unique_ptr<RecordStore> openStore(CliContext& context, bool reading)
{
    const StoreLocation location = recordsLocation(context);
    if (location.isOff()) {
        reportError(context, messageText(kMsgRecordsOff));
        return nullptr;
    }
    std::error_code error;
    if (reading && location.kind() == StoreLocation::Kind::Sqlite && !std::filesystem::exists(location.text(), error)) {
        reportError(context, formatMessage(kMsgNoRecordsYet, location.masked().c_str()));
        return nullptr;
    }
    StoreResult<std::unique_ptr<RecordStore>> opened = openRecordStore(location);
    if (!opened) {
        reportError(context, opened.error().message);
        return nullptr;
    }
    return std::move(opened.value());
}

struct RecordsRequest {
    RecordFilter filter;
    bool csv = false;
    bool summary = false;
    std::optional<SummaryBy> by;
};

// False after a message; status then holds the exit status.
bool parseRecordsRequest(CliContext& context, RecordsRequest& request, int& status)
{
    status = kExitUsage;
    const auto usage = [&](const std::string& text) {
        context.err << "records: " << text << '\n';
        return false;
    };
    Arguments arguments(context.options.arguments);
    for (; !arguments.atEnd(); arguments.next()) {
        if (arguments.is("--since") || arguments.is("--until")) {
            const bool since = arguments.is("--since");
            const std::optional<std::string> text = arguments.value();
            const std::optional<std::string> time = text ? normaliseTime(*text) : std::nullopt;
            if (!time) {
                reportError(context, formatMessage(kMsgBadTime, text.value_or("").c_str()));
                return false;
            }
            (since ? request.filter.since : request.filter.until) = *time;
        } else if (arguments.is("--serial")) {
            const std::optional<std::string> text = arguments.value();
            request.filter.serial = text ? parseNumber(*text) : std::nullopt;
            if (!request.filter.serial)
                return usage("--serial takes a number from 0 to 4294967295");
        } else if (arguments.is("--device") || arguments.is("--station")) {
            std::string& field = arguments.is("--device") ? request.filter.device : request.filter.station;
            const std::optional<std::string> text = arguments.value();
            if (!text || text->empty())
                return usage("--device and --station need a name");
            field = *text;
        } else if (arguments.is("--limit")) {
            const std::optional<std::string> text = arguments.value();
            const std::optional<std::uint32_t> limit = text ? parseNumber(*text) : std::nullopt;
            if (!limit || *limit < 1 || *limit > 1000000000)
                return usage("--limit takes a number from 1 up");
            request.filter.limit = static_cast<int>(*limit);
        } else if (arguments.is("--by")) {
            const std::optional<std::string> text = arguments.value();
            if (text == "day")
                request.by = SummaryBy::Day;
            else if (text == "station")
                request.by = SummaryBy::Station;
            else if (text == "device")
                request.by = SummaryBy::Device;
            else if (text == "box")
                request.by = SummaryBy::Box;
            else
                return usage("--by takes day, station, device or box");
        } else if (arguments.current() == "--failed") {
            request.filter.failedOnly = true;
        } else if (arguments.current() == "--csv") {
            request.csv = true;
        } else if (arguments.current() == "--summary") {
            request.summary = true;
        } else {
            return usage("unknown argument " + shownArgument(arguments.current()));
        }
    }
    if (request.csv && context.options.json)
        return usage("--csv and --json exclude each other");
    if (request.summary && (request.filter.failedOnly || request.filter.limit > 0))
        return usage("--failed and --limit do not apply to --summary");
    if (request.by && !request.summary)
        return usage("--by needs --summary");
    return true;
}

std::string hostName()
{
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

std::string userName()
{
    for (const char* variable : {"USER", "LOGNAME"}) {
        if (const char* name = std::getenv(variable); name && *name)
            return name;
    }
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_name)
        return found->pw_name;
    return std::to_string(getuid());
}

} // namespace

std::string shownArgument(const std::string& argument)
{
    const StoreLocation typed = StoreLocation::parse(argument);
    return typed.kind() == StoreLocation::Kind::Postgres ? typed.masked() : argument;
}

StoreLocation recordsLocation(const CliContext& context)
{
    return StoreLocation::choose(context.options.recordsLocation, context.settings.productionRecordsOn(),
                                 context.settings.productionDatabase());
}

int listRecords(CliContext& context)
{
    RecordsRequest request;
    int status = kExitOk;
    if (!parseRecordsRequest(context, request, status))
        return status;
    const std::unique_ptr<RecordStore> store = openStore(context, true);
    if (!store)
        return kExitFailed;
    if (request.summary) {
        const SummaryBy by = request.by.value_or(SummaryBy::Day);
        const StoreResult<std::vector<SummaryLine>> lines = store->summary(request.filter, by);
        if (!lines) {
            reportError(context, lines.error().message);
            return kExitFailed;
        }
        context.out << (context.options.json ? summaryJson(lines.value())
                        : request.csv        ? summaryCsv(lines.value())
                                             : summaryTable(lines.value(), by));
        return kExitOk;
    }
    const StoreResult<std::vector<ChipRecord>> records = store->query(request.filter);
    if (!records) {
        reportError(context, records.error().message);
        return kExitFailed;
    }
    context.out << (context.options.json ? recordsJson(records.value())
                    : request.csv        ? recordsCsv(records.value())
                                         : recordsTable(records.value()));
    return kExitOk;
}

int showOrSetSequence(CliContext& context)
{
    std::optional<std::string> name;
    std::optional<std::uint32_t> next;
    bool force = false;
    Arguments arguments(context.options.arguments);
    for (; !arguments.atEnd(); arguments.next()) {
        if (arguments.is("--set")) {
            const std::optional<std::string> text = arguments.value();
            next = text ? parseNumber(*text) : std::nullopt;
            if (!next) {
                context.err << "sequence: --set takes a number from 0 to 4294967295\n";
                return kExitUsage;
            }
        } else if (arguments.current() == "--force") {
            force = true;
        } else if (!name && !arguments.current().empty() && arguments.current().front() != '-') {
            name = arguments.current();
        } else {
            context.err << "sequence: unknown argument " << shownArgument(arguments.current()) << '\n';
            return kExitUsage;
        }
    }
    if (!name || (force && !next)) {
        context.err << "sequence needs a NAME, and --force goes only with --set N\n";
        return kExitUsage;
    }
    const std::unique_ptr<RecordStore> store = openStore(context, !next);
    if (!store)
        return kExitFailed;
    if (next) {
        const StoreStatus set = store->setSequence(*name, *next, force, SequenceSetter{hostName(), userName()});
        if (!set) {
            reportError(context, set.error().message);
            return kExitFailed;
        }
    }
    const StoreResult<std::optional<SequenceState>> state = store->sequence(*name);
    if (!state) {
        reportError(context, state.error().message);
        return kExitFailed;
    }
    if (!state.value()) {
        reportError(context, formatMessage(kMsgNoSuchSequence, name->c_str()));
        return kExitFailed;
    }
    context.out << (context.options.json ? sequenceJson(*state.value()) : sequenceText(*state.value()));
    return kExitOk;
}

} // namespace quorva::cli
