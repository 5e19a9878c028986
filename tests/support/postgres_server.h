#pragma once

#include "temp_folder.h"

#include <memory>
#include <string>

namespace quorva::test {

// A PostgreSQL server of a test's own: initdb and pg_ctl in a temporary
// folder, reachable only through a Unix socket there, with password
// authentication for the user "quorva". Run as "nobody" when the tests run
// as root, since the server refuses to.
class PostgresServer {
public:
    static constexpr const char* kPassword = "s3cret-Pw";

    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    bool running() const { return running_; }
    // Why it is not running.
    const std::string& problem() const { return problem_; }
    // A URL of the server with the given password.
    std::string url(const std::string& password = kPassword) const;
    // The socket folder, for keyword=value texts.
    const std::string& socketFolder() const { return folder_.path(); }
    void stop();
    // Starts it again after a stop.
    bool start();
    // Runs statements as the server's user; false when they failed.
    bool execute(const std::string& sql) const;

private:
    bool run(const std::vector<std::string>& argv);

    TempFolder folder_;
    std::string bin_;
    bool asNobody_ = false;
    bool running_ = false;
    std::string problem_;
};

// The one server the suite shares, started on first use.
PostgresServer& sharedPostgres();

// A test that needs what is missing: skipped, but failed under CI=true.
#define QUORVA_REQUIRE(condition, reason)                                                                              \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            if (::quorva::test::underCi())                                                                             \
                FAIL() << (reason);                                                                                    \
            GTEST_SKIP() << (reason);                                                                                  \
        }                                                                                                              \
    } while (false)

bool underCi();

} // namespace quorva::test
