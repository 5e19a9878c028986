#include "postgres_server.h"
#include "records/record_store.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

// What a person may see of a failure: the location, but never the password.
void expectMasked(const StoreError& error, const std::string& password)
{
    EXPECT_EQ(error.message.find(password), std::string::npos) << error.message;
    EXPECT_NE(error.message.find("***"), std::string::npos) << error.message;
}

TEST(PostgresStore, WrongPasswordRefusedWithoutShowingIt)
{
    test::PostgresServer& server = test::sharedPostgres();
    QUORVA_REQUIRE(server.running(), server.problem());
    const std::string wrong = "Wr0ng-pass%40word";
    auto byUrl = openRecordStore(StoreLocation::parse(server.url(wrong)));
    ASSERT_FALSE(byUrl);
    EXPECT_EQ(byUrl.error().kind, StoreError::Kind::Open);
    EXPECT_NE(byUrl.error().message.find("password authentication failed"), std::string::npos) << byUrl.error().message;
    expectMasked(byUrl.error(), wrong);
    expectMasked(byUrl.error(), "Wr0ng-pass@word");

    auto byKeywords =
        openRecordStore(StoreLocation::parse("service=nowhere password='it''s' host=" + server.socketFolder()));
    ASSERT_FALSE(byKeywords);
    EXPECT_EQ(byKeywords.error().message.find("it''s"), std::string::npos) << byKeywords.error().message;

    ASSERT_TRUE(openRecordStore(StoreLocation::parse(server.url())));
}

TEST(PostgresStore, MalformedUrlIsNotEchoed)
{
    auto opened = openRecordStore(StoreLocation::parse("postgresql://quorva:pa%zzss@/db?host=/tmp&nonsense=1"));
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().kind, StoreError::Kind::Open);
    EXPECT_EQ(opened.error().message.find("zz"), std::string::npos) << opened.error().message;
    EXPECT_NE(opened.error().message.find("postgresql://quorva:***@/db"), std::string::npos) << opened.error().message;
}

TEST(PostgresStore, StoppedServerMakesTheNextWriteFailCleanly)
{
    test::PostgresServer server;
    QUORVA_REQUIRE(server.running(), server.problem());
    auto opened = openRecordStore(StoreLocation::parse(server.url()));
    ASSERT_TRUE(opened) << opened.error().message;
    RecordStore& store = *opened.value();
    auto begun = store.begin({}, SequenceTake{"lot", 1});
    ASSERT_TRUE(begun);
    server.stop();

    ChipRecord done;
    done.id = begun->id;
    done.outcome = Outcome::Ok;
    const auto completed = store.complete(done);
    ASSERT_FALSE(completed);
    EXPECT_EQ(completed.error().kind, StoreError::Kind::Write);
    expectMasked(completed.error(), test::PostgresServer::kPassword);
    const auto next = store.begin({}, SequenceTake{"lot", 1});
    ASSERT_FALSE(next);
    EXPECT_EQ(next.error().kind, StoreError::Kind::Write);
    EXPECT_FALSE(store.query({}));
}

} // namespace
} // namespace quorva
