#include "chip.h"
#include "state_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quorva::sim::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// quorva-sim in a scratch folder, stopped with SIGTERM at the end.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> extra)
    {
        char pattern[] = "/tmp/quorva-sim-test-XXXXXX";
        dir_ = ::mkdtemp(pattern);
        link_ = dir_ + "/COM3";
        std::vector<std::string> args{QUORVA_SIM_EXE, "--link", link_, "--state-out", dir_ + "/out",
                                      "--violations", dir_ + "/violations.txt"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        EXPECT_EQ(::posix_spawn(&pid_, QUORVA_SIM_EXE, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 250 && !fs::exists(link_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    ~SimProcess()
    {
        if (fd_ >= 0)
            ::close(fd_);
        stop();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    const std::string& dir() const { return dir_; }

    bool open(bool raw = true)
    {
        fd_ = ::open(link_.c_str(), O_RDWR | O_NOCTTY);
        if (fd_ < 0)
            return false;
        termios t{};
        ::tcgetattr(fd_, &t);
        if (raw)
            ::cfmakeraw(&t);
        else
            t.c_lflag |= ICANON | ECHO;
        t.c_cflag |= CLOCAL | CREAD;
        ::cfsetispeed(&t, B19200);
        ::cfsetospeed(&t, B19200);
        return ::tcsetattr(fd_, TCSANOW, &t) == 0;
    }

    Bytes ask(const Bytes& bytes, std::size_t count, int timeoutMs = 2800)
    {
        EXPECT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        Bytes out;
        while (out.size() < count) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                break;
            std::uint8_t buffer[512];
            const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - out.size()));
            if (n <= 0)
                break;
            out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }

    void signal(int number) { ::kill(pid_, number); }

    int stop()
    {
        if (pid_ <= 0)
            return -1;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string violations() const
    {
        std::ifstream in(dir_ + "/violations.txt");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string dir_;
    std::string link_;
    pid_t pid_ = -1;
    int fd_ = -1;
};

Bytes fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PtyServer, ServesAConnectionAndAFlashReadThenSavesTheChip)
{
    char pattern[] = "/tmp/quorva-sim-state-XXXXXX";
    const std::string in = ::mkdtemp(pattern);
    ChipState state;
    state.memories["flash"] = Bytes(8192, 0xFF);
    for (int i = 0; i < 64; ++i)
        state.memories["flash"][i] = static_cast<std::uint8_t>(i * 5);
    state.values["fuses"] = {0xE4, 0xD9, 0xFF};
    ASSERT_TRUE(saveState(in, "ATmega8", state, nullptr));

    SimProcess sim({"--state-in", in});
    ASSERT_TRUE(sim.open());
    EXPECT_EQ(sim.ask({0x25}, 1), Bytes{'+'});
    EXPECT_EQ(sim.ask({0x40}, 3), (Bytes{'1', '0', 'c'}));
    EXPECT_EQ(sim.ask({0x26, 0x02}, 1), Bytes{0x0D});
    EXPECT_EQ(sim.ask({0x3A, 0x00, 0x00}, 1), Bytes{0x0D});
    EXPECT_EQ(sim.ask({0x23, 0x00, 0x82, 0x00}, 1), Bytes{0x0D});
    EXPECT_EQ(sim.ask({0x51}, 1).size(), 1u);
    EXPECT_EQ(sim.ask({0x3D}, 1), Bytes{0x0D});
    EXPECT_EQ(sim.ask({0x35, 0x30, 0x00, 0x01}, 1), Bytes{0x93});
    EXPECT_EQ(sim.ask({0x57, 220}, 1), Bytes{0x0D});
    EXPECT_EQ(sim.ask({0x34, 0x4D, 0x00, 0x00, 0x00}, 1), Bytes{0x0D});
    EXPECT_EQ(sim.ask({0x7D, 64}, 64), Bytes(state.memories["flash"].begin(), state.memories["flash"].begin() + 64));
    EXPECT_EQ(sim.ask({0x34, 0xC0, 0x00, 0x05, 0x42}, 1), Bytes{0x0D});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(sim.ask({0x2D}, 1), Bytes{0x0D});
    EXPECT_EQ(sim.ask({0x23, 0x00, 0x82, 0x00}, 1), Bytes{0x0D});
    EXPECT_EQ(sim.stop(), 0);

    const fs::path out = fs::path(sim.dir()) / "out";
    const Bytes eeprom = fileBytes(out / "eeprom.bin");
    ASSERT_EQ(eeprom.size(), 512u);
    EXPECT_EQ(eeprom[5], 0x42);
    EXPECT_EQ(fileBytes(out / "flash.bin"), state.memories["flash"]);
    std::string name;
    ChipState saved;
    ASSERT_TRUE(loadState(out.string(), name, saved, nullptr));
    EXPECT_EQ(name, "ATmega8");
    EXPECT_EQ(saved.values["fuses"], (std::vector<int>{0xE4, 0xD9, 0xFF}));
    EXPECT_EQ(sim.violations(), "");
    std::error_code ec;
    fs::remove_all(in, ec);
}

TEST(PtyServer, PacedRepliesTakeTheirLineTimeAndTheBoxsOwnWaits)
{
    SimProcess sim({"--pace"});
    ASSERT_TRUE(sim.open());
    for (const Bytes& command : {Bytes{0x25}, Bytes{0x26, 0x02}, Bytes{0x23, 0x00, 0x82, 0x00}, Bytes{0x51}})
        EXPECT_EQ(sim.ask(command, 1).size(), 1u);
    EXPECT_EQ(sim.ask({0x3D}, 1), Bytes{0x0D});
    EXPECT_EQ(sim.ask({0x57, 115}, 1), Bytes{0x0D}); // a byte delay of 20 ms: T = 255 - 7 x 20
    const auto millisecondsOf = [](auto&& exchange) {
        const auto started = std::chrono::steady_clock::now();
        exchange();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    };
    // 64 bytes at 19200 baud are 33 ms on the line.
    EXPECT_GE(millisecondsOf([&] { EXPECT_EQ(sim.ask({0x7D, 64}, 64).size(), 64u); }), 33.0);
    // The box waits its byte delay after each of two Eeprom bytes before it
    // answers.
    EXPECT_GE(millisecondsOf([&] { EXPECT_EQ(sim.ask({0x3E, 0x02, 0x11, 0x22}, 1), Bytes{0x0D}); }), 40.0);
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_EQ(sim.violations(), "");
}

TEST(PtyServer, NoticesALineThatIsNotRawOrAtTheWrongSpeed)
{
    SimProcess sim({"--chip", "AT45DB041D"});
    ASSERT_TRUE(sim.open(false));
    sim.ask({0x25}, 1, 1000);
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_NE(sim.violations().find("line not raw"), std::string::npos) << sim.violations();

    SimProcess fast({});
    ASSERT_TRUE(fast.open());
    EXPECT_EQ(fast.ask({0x25}, 1), Bytes{'+'});
    EXPECT_EQ(fast.ask({0x23, 0x01, 0x82, 0x00}, 1), Bytes{0x0D});
    // Still at 19200: the box now listens at 115200.
    EXPECT_EQ(fast.ask({0x25}, 1, 1000), Bytes{});
    EXPECT_EQ(fast.stop(), 0);
    EXPECT_NE(fast.violations().find("wrong line speed"), std::string::npos) << fast.violations();
}

TEST(PtyServer, PowerCycleOnSigusr1ReturnsToTheBootLoaderAt19200)
{
    SimProcess sim({});
    ASSERT_TRUE(sim.open());
    EXPECT_EQ(sim.ask({0x25}, 1), Bytes{'+'});
    EXPECT_EQ(sim.ask({0x23, 0x01, 0x82, 0x00}, 1), Bytes{0x0D});
    sim.signal(SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Bytes length = sim.ask({0x3F}, 1);
    ASSERT_EQ(length.size(), 1u);
    const Bytes text = sim.ask({}, length[0] + 1u);
    EXPECT_NE(std::string(text.begin(), text.end()).find("Bootloader"), std::string::npos);
    EXPECT_EQ(sim.stop(), 0);
}

TEST(PtyServer, RefusesABusyPollCountThatIsNotACount)
{
    char pattern[] = "/tmp/quorva-sim-args-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    const auto exitStatus = [&](std::string count) {
        std::string exe = QUORVA_SIM_EXE;
        std::string option = "--busy-polls";
        std::string write = "--write-firmware";
        std::string image = dir + "/image.bin";
        char* argv[] = {exe.data(), option.data(), count.data(), write.data(), image.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        EXPECT_EQ(::posix_spawn(&pid, QUORVA_SIM_EXE, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    // A count that does not read as one used to become 0 without a word.
    for (const char* bad : {"abc", "2x", "-1", ""}) {
        EXPECT_EQ(exitStatus(bad), 2) << bad;
        EXPECT_FALSE(fs::exists(dir + "/image.bin")) << bad;
    }
    EXPECT_EQ(exitStatus("3"), 0);
    EXPECT_TRUE(fs::exists(dir + "/image.bin"));
    std::error_code ec;
    fs::remove_all(dir, ec);
}

} // namespace
} // namespace quorva::sim::test
