#include "base/messages.h"
#include "cli/cli_commands.h"
#include "cli_run.h"
#include "records/record_output.h"
#include "records/record_store.h"
#include "records/time_text.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace quorva::cli {
namespace {

// Every run names its own settings file, so the machine's never leaks in.
class CliRecordsTest : public ::testing::Test {
protected:
    CliRecordsTest() { test::writeFile(settings_, ""); }

    CliRun run(std::vector<const char*> args) const
    {
        args.insert(args.begin(), {"--settings", settings_.c_str()});
        return runCliHere(std::move(args));
    }
    // The same with --records naming the test's store.
    CliRun runOnStore(std::vector<const char*> args) const
    {
        args.insert(args.begin(), {"--records", database_.c_str()});
        return run(std::move(args));
    }

    std::unique_ptr<RecordStore> open() const
    {
        auto store = openRecordStore(StoreLocation::sqlite(database_));
        EXPECT_TRUE(store) << store.error().message;
        return std::move(store.value());
    }

    // One chip's row, begun and (unless still Started) completed.
    void write(const std::string& startedAt, const std::string& station, const std::string& device, Outcome outcome,
               std::optional<std::uint32_t> serial = std::nullopt, const std::string& lastStatus = "") const
    {
        ChipRecord record;
        record.startedAt = startedAt;
        record.station = station;
        record.device = device;
        record.devicePath = "/dev/ttyUSB0";
        record.steps = {"Erase", "Program Flash"};
        if (serial)
            record.flash = MemoryWritten{"app.hex", 1024, std::string(64, 'a'), serial};
        const auto store = open();
        const StoreResult<Begun> begun = store->begin(record, std::nullopt);
        ASSERT_TRUE(begun) << begun.error().message;
        record.id = begun->id;
        record.outcome = outcome;
        record.lastStatus = lastStatus;
        record.failingStep = outcome == Outcome::Failed ? "Verify Flash" : "";
        if (outcome != Outcome::Started) {
            ASSERT_TRUE(store->complete(record));
        }
    }

    test::TempFolder folder_;
    std::string settings_ = folder_.file("quorva.ini");
    std::string database_ = folder_.file("production.sqlite");
};

TEST(TimeTextTest, AcceptsTheTypedFormsAsUtcAndRefusesTheRest)
{
    EXPECT_EQ(normaliseTime("2026-12-09"), "2026-12-09T00:00:00.000Z");
    EXPECT_EQ(normaliseTime("2026-12-09T10:00"), "2026-12-09T10:00:00.000Z");
    EXPECT_EQ(normaliseTime("2026-12-09 10:00:05Z"), "2026-12-09T10:00:05.000Z");
    EXPECT_EQ(normaliseTime("2024-02-29Z"), "2024-02-29T00:00:00.000Z");
    for (const char* bad : {"", "Z", "2026-12-9", "2026-13-01", "2026-02-29", "1900-02-29", "2026-12-09T24:00",
                            "2026-12-09 10:60", "2026-12-09T10:00:60", "2026-12-09X10:00", "2026-12-09T10:00+02",
                            "2026-12-09T10:00:00.5", "12/09/2026", "2026-12-09ZZ", "+026-12-09"})
        EXPECT_FALSE(normaliseTime(bad)) << bad;
}

TEST(RecordOutputTest, CsvQuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(csvField("plain text"), "plain text");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csvField("two\nlines"), "\"two\nlines\"");
}

TEST_F(CliRecordsTest, FiltersListNewestFirst)
{
    write("2026-12-08T23:59:59.999Z", "line-1", "ATmega8", Outcome::Ok, 100);
    write("2026-12-09T08:00:00.000Z", "line-2", "ATmega328P", Outcome::Failed, 101, "Verify error at 0x0010");
    write("2026-12-09T10:00:00.000Z", "line-1", "ATmega328P", Outcome::Ok, 102);
    write("2026-12-09T11:00:00.000Z", "line-1", "ATmega328P", Outcome::Started);

    const CliRun all = runOnStore({"records"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out.rfind("started (UTC)        station  box", 0), 0u) << all.out;
    const auto at = [&](const char* text) { return all.out.find(text); };
    EXPECT_LT(at("2026-12-09 11:00:00"), at("2026-12-09 10:00:00"));
    EXPECT_LT(at("2026-12-09 10:00:00"), at("2026-12-09 08:00:00"));
    EXPECT_LT(at("2026-12-09 08:00:00"), at("2026-12-08 23:59:59"));
    EXPECT_NE(at("ATmega328P  101     failed   Verify Flash: Verify error at 0x0010\n"), std::string::npos) << all.out;

    // since is inclusive, until exclusive, every typed form is UTC.
    const CliRun day = runOnStore({"records", "--since", "2026-12-09", "--until=2026-12-09 10:00:00Z", "--csv"});
    ASSERT_EQ(day.status, 0) << day.err;
    EXPECT_EQ(std::count(day.out.begin(), day.out.end(), '\n'), 2) << day.out;
    EXPECT_NE(day.out.find(",2026-12-09T08:00:00.000Z,"), std::string::npos);

    const auto count = [&](std::vector<const char*> args) {
        args.insert(args.begin(), {"records", "--csv"});
        const CliRun listed = runOnStore(args);
        EXPECT_EQ(listed.status, 0) << listed.err;
        return std::count(listed.out.begin(), listed.out.end(), '\n') - 1;
    };
    EXPECT_EQ(count({"--station", "line-1"}), 3);
    EXPECT_EQ(count({"--device", "ATmega328P", "--station", "line-1"}), 2);
    EXPECT_EQ(count({"--serial", "101"}), 1);
    EXPECT_EQ(count({"--failed"}), 2); // the failed one and the unfinished one
    EXPECT_EQ(count({"--limit", "1", "--since", "2026-12-09T10:00"}), 1);

    const CliRun badTime = runOnStore({"records", "--since", "yesterday"});
    EXPECT_EQ(badTime.status, 2);
    EXPECT_NE(badTime.err.find("The time yesterday is not understood"), std::string::npos) << badTime.err;
    for (std::vector<const char*> bad : {std::vector<const char*>{"records", "--limit", "0"},
                                         {"records", "--serial", "-1"},
                                         {"records", "--csv", "--json"},
                                         {"records", "--by", "day"},
                                         {"records", "--summary", "--failed"},
                                         {"records", "--frobnicate"}})
        EXPECT_EQ(runOnStore(bad).status, 2) << bad.back();
}

TEST_F(CliRecordsTest, CsvAndJsonCarryAwkwardTextIntact)
{
    write("2026-12-09T08:00:00.000Z", "line \"A\", left", "ATmega8", Outcome::Failed, 7, "Error at 0x10,\nstop");

    const CliRun csv = runOnStore({"records", "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out.rfind("id,startedAt,endedAt,station,user,programVersion,comNumber,devicePath,", 0), 0u);
    EXPECT_NE(csv.out.find(",\"line \"\"A\"\", left\","), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find(",\"Error at 0x10,\nstop\","), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find(",\"Erase, Program Flash\",app.hex,1024,"), std::string::npos) << csv.out;

    // --json prints the array alone: no event line after it.
    const CliRun json = runOnStore({"--json", "records"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.front(), '[');
    EXPECT_EQ(json.out.substr(json.out.size() - 2), "]\n");
    EXPECT_EQ(json.out.find("\"event\""), std::string::npos);
    EXPECT_NE(json.out.find("\"station\":\"line \\\"A\\\", left\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"lastStatus\":\"Error at 0x10,\\nstop\""), std::string::npos);
    EXPECT_NE(json.out.find("\"steps\":[\"Erase\",\"Program Flash\"],\"flash\":{\"imageFile\":\"app.hex\","
                            "\"length\":1024,"),
              std::string::npos);
    EXPECT_NE(json.out.find("\"eeprom\":null,\"sequence\":\"\",\"serial\":null,\"outcome\":\"failed\""),
              std::string::npos);

    EXPECT_EQ(runOnStore({"--json", "records", "--since", "2030-01-01"}).out, "[\n]\n");
}

TEST_F(CliRecordsTest, SummaryCountsByTheChosenKey)
{
    write("2026-12-08T10:00:00.000Z", "line-1", "ATmega8", Outcome::Ok);
    write("2026-12-09T10:00:00.000Z", "line-1", "ATmega8", Outcome::Ok);
    write("2026-12-09T11:00:00.000Z", "line-2", "ATmega8", Outcome::Failed);
    write("2026-12-09T12:00:00.000Z", "line-2", "ATmega8", Outcome::Started);
    write("2026-12-09T13:00:00.000Z", "line-2", "ATmega8", Outcome::Ok);

    const CliRun days = runOnStore({"records", "--summary"});
    ASSERT_EQ(days.status, 0) << days.err;
    EXPECT_EQ(days.out, "day         good  failed  cancelled  unfinished   yield\n"
                        "2026-12-08     1       0          0           0  100.0%\n"
                        "2026-12-09     2       1          0           1   50.0%\n");

    const CliRun stations = runOnStore({"records", "--summary", "--by", "station", "--since", "2026-12-09", "--csv"});
    EXPECT_EQ(stations.out, "key,good,failed,cancelled,unfinished,yieldPercent\n"
                            "line-1,1,0,0,0,100.0\n"
                            "line-2,1,1,0,1,33.3\n");

    const CliRun json = runOnStore({"--json", "records", "--summary", "--by=device"});
    EXPECT_EQ(json.out, "[\n{\"key\":\"ATmega8\",\"good\":3,\"failed\":1,\"cancelled\":0,\"unfinished\":1,"
                        "\"yieldPercent\":60.0}\n]\n");

    const CliRun russian = runOnStore({"--lang", "ru", "records", "--summary", "--by", "box"});
    EXPECT_EQ(russian.out.rfind("программатор  годные  с ошибкой", 0), 0u) << russian.out;
    setRussianUi(false);
}

TEST_F(CliRecordsTest, SequenceIsShownSetAndKeptFromGoingBack)
{
    EXPECT_EQ(runOnStore({"sequence", "board"}).status, 1); // no file yet, and none made
    EXPECT_EQ(test::fileContents(database_), "<missing>");

    const CliRun set = runOnStore({"sequence", "board", "--set", "1000"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out.rfind("Sequence board: the next chip gets 1000.\n", 0), 0u) << set.out;

    const CliRun back = runOnStore({"sequence", "board", "--set", "900"});
    EXPECT_EQ(back.status, 1);
    EXPECT_NE(back.err.find("Sequence board is at 1000; setting it back to 900 needs --force."), std::string::npos)
        << back.err;

    EXPECT_EQ(runOnStore({"sequence", "board", "--set=900", "--force"}).status, 0);
    const CliRun shown = runOnStore({"sequence", "board"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("Sequence board: the next chip gets 900.\n"), std::string::npos);
    EXPECT_NE(shown.out.find("  1000 -> 900  station "), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find(" (forced)\n"), std::string::npos);
    EXPECT_EQ(std::count(shown.out.begin(), shown.out.end(), '\n'), 3); // next, and two changes

    const CliRun json = runOnStore({"--json", "sequence", "board"});
    EXPECT_EQ(json.out.rfind("{\"name\":\"board\",\"next\":900,\"changes\":[{\"at\":", 0), 0u) << json.out;
    EXPECT_NE(json.out.find("\"from\":1000,\"to\":900,\"forced\":true,"), std::string::npos);

    const CliRun unknown = runOnStore({"sequence", "other"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("Sequence other has never been used."), std::string::npos);
    EXPECT_EQ(runOnStore({"sequence", "board", "--force"}).status, 2);
    EXPECT_EQ(runOnStore({"sequence", "board", "--set", "4294967296"}).status, 2);
    EXPECT_EQ(runOnStore({"sequence"}).status, 2);
}

TEST_F(CliRecordsTest, LocationComesFromTheSettingsUnlessGivenAndOffRefuses)
{
    write("2026-12-09T08:00:00.000Z", "line-1", "ATmega8", Outcome::Ok);
    test::writeFile(settings_, "[Production]\nDatabase=" + database_ + "\n");
    EXPECT_NE(run({"records"}).out.find("line-1"), std::string::npos);

    test::writeFile(settings_, "[Production]\nDatabase=" + database_ + "\nRecords=0\n");
    for (const std::vector<const char*>& args : {std::vector<const char*>{"records"}, {"sequence", "board"}}) {
        const CliRun off = run(args);
        EXPECT_EQ(off.status, 1);
        EXPECT_NE(off.err.find("Production records are switched off"), std::string::npos) << off.err;
    }
    // The option wins over the settings, both ways.
    EXPECT_EQ(runOnStore({"records"}).status, 0);
    test::writeFile(settings_, "[Production]\nDatabase=" + database_ + "\n");
    EXPECT_EQ(run({"--records", "OFF", "sequence", "board", "--set", "5"}).status, 1);
}

TEST_F(CliRecordsTest, PasswordNeverShows)
{
    const char* url = "postgresql://u:secret@/db?host=/nonexistent";
    for (const std::vector<const char*>& args : {std::vector<const char*>{"--records", url, "records"},
                                                 {"--records", url, "--json", "records", "--summary"},
                                                 {"--records", url, "sequence", "board", "--set", "3", "--force"},
                                                 // Mistyped: the URL lands where a message echoes it.
                                                 {"--recods=postgresql://u:secret@/db", "records"},
                                                 {"postgresql://u:secret@/db", "records"},
                                                 {"--records", url, "records", "postgres://v:secret@/db"},
                                                 {"sequence", "a", "postgresql://u:secret@/db"}}) {
        const CliRun failed = run(args);
        EXPECT_NE(failed.status, 0);
        EXPECT_EQ((failed.out + failed.err).find("secret"), std::string::npos) << failed.out << failed.err;
    }
    const CliRun failed = run({"--records", url, "records"});
    EXPECT_NE(failed.err.find("postgresql://u:***@/db?host=/nonexistent"), std::string::npos) << failed.err;
}

} // namespace
} // namespace quorva::cli
