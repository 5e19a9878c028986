#include "postgres_server.h"

#include "process.h"

#include <cstdlib>
#include <filesystem>
#include <glob.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <unistd.h>

namespace quorva::test {

namespace {

namespace fs = std::filesystem;

// The folder that holds initdb: on the PATH, else Debian's versioned one.
std::string postgresTools()
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && fs::exists(folder + "/initdb") && fs::exists(folder + "/pg_ctl"))
            return folder;
        start = end + 1;
    }
    glob_t found{};
    std::string best;
    if (glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &found) == 0 && found.gl_pathc > 0)
        best = fs::path(found.gl_pathv[found.gl_pathc - 1]).parent_path().string();
    globfree(&found);
    return best;
}

} // namespace

bool underCi()
{
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

PostgresServer::PostgresServer() : bin_(postgresTools()), asNobody_(geteuid() == 0)
{
    if (bin_.empty()) {
        problem_ = "initdb and pg_ctl are not installed (package postgresql)";
        return;
    }
    const std::string& dir = folder_.path();
    if (asNobody_) {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || chown(dir.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            problem_ = "the server's folder cannot be given to the user nobody";
            return;
        }
    }
    writeFile(dir + "/password", std::string(kPassword) + "\n");
    if (asNobody_ && chown((dir + "/password").c_str(), getpwnam("nobody")->pw_uid, 0) != 0)
        return;
    if (!run({bin_ + "/initdb", "-D", dir + "/data", "-U", "quorva", "--pwfile=" + dir + "/password", "-A",
              "scram-sha-256", "--no-sync", "--no-instructions", "-E", "UTF8", "--locale=C"}))
        return;
    start();
}

bool PostgresServer::start()
{
    const std::string& dir = folder_.path();
    const std::string options = "-c listen_addresses='' -c unix_socket_directories='" + dir + "' -c fsync=off";
    running_ = run(
        {bin_ + "/pg_ctl", "-D", dir + "/data", "-l", dir + "/server.log", "-o", options, "-w", "-t", "60", "start"});
    return running_;
}

PostgresServer::~PostgresServer()
{
    stop();
}

bool PostgresServer::run(const std::vector<std::string>& argv)
{
    std::vector<std::string> command = argv;
    if (asNobody_)
        command.insert(command.begin(), {"/usr/sbin/runuser", "-u", "nobody", "--"});
    const ProcessResult result = runProcess(command, folder_.path(), 120000);
    if (result.status != 0)
        problem_ = fs::path(argv[0]).filename().string() + " failed: " + result.err + result.out;
    return result.status == 0;
}

std::string PostgresServer::url(const std::string& password) const
{
    return "postgresql://quorva:" + password + "@/postgres?host=" + folder_.path();
}

void PostgresServer::stop()
{
    if (running_)
        run({bin_ + "/pg_ctl", "-D", folder_.path() + "/data", "-m", "immediate", "-w", "stop"});
    running_ = false;
}

bool PostgresServer::execute(const std::string& sql) const
{
    PGconn* connection = PQconnectdb(url().c_str());
    PGresult* result = PQexec(connection, ("SET client_min_messages = warning; " + sql).c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
    PQclear(result);
    PQfinish(connection);
    return ok;
}

PostgresServer& sharedPostgres()
{
    static PostgresServer server;
    return server;
}

} // namespace quorva::test
