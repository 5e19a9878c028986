#include "data/project.h"
#include "link/connection.h"
#include "link/serial_port.h"
#include "scripted_ui.h"
#include "link/tracing_port.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorva {
namespace {

// A pseudo-terminal standing in for the box: the port opens the slave side,
// the test plays the box on the master side.
class Pty {
public:
    Pty()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master_);
        unlockpt(master_);
        path_ = ptsname(master_);
    }
    ~Pty() { closeMaster(); }
    const std::string& path() const { return path_; }
    int master() const { return master_; }
    void write(const std::string& bytes) { ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
    std::string read(std::size_t count)
    {
        std::string got;
        while (got.size() < count) {
            pollfd entry{master_, POLLIN, 0};
            if (::poll(&entry, 1, 2000) <= 0)
                break;
            char chunk[256];
            const ssize_t n = ::read(master_, chunk, std::min(sizeof chunk, count - got.size()));
            if (n <= 0)
                break;
            got.append(chunk, static_cast<std::size_t>(n));
        }
        return got;
    }
    void closeMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string path_;
};

SerialPort portFor(const Pty& pty)
{
    const std::string path = pty.path();
    return SerialPort([path](int) { return path; });
}

std::string received(const std::uint8_t* data, std::size_t count)
{
    return data ? std::string(reinterpret_cast<const char*>(data), count) : "<null>";
}

TEST(SerialPortTest, OpensRawEightNOneWithoutFlowControl)
{
    Pty pty;
    SerialPort port = portFor(pty);
    ASSERT_TRUE(port.open(2, 115200));
    EXPECT_STREQ(port.status(), "Connect: OK");
    EXPECT_EQ(port.deviceName(2), pty.path());

    termios settings {};
    ASSERT_EQ(tcgetattr(pty.master(), &settings), 0); // a pty shares its line settings
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B115200));

    // Bytes that a cooked line would change pass untouched both ways.
    const std::uint8_t command[] = {'#', 0x00, 0x0D, 0x11, 0x13, 0x0A, 0xFF};
    ASSERT_TRUE(port.send(command, sizeof command));
    EXPECT_EQ(pty.read(sizeof command), std::string(reinterpret_cast<const char*>(command), sizeof command));
    pty.write(std::string("\x0D\x11\x0A\x03", 4));
    EXPECT_EQ(received(port.receive(4), 4), std::string("\x0D\x11\x0A\x03", 4));
}

TEST(SerialPortTest, SecondOpenOfAHeldPortFailsAndReopenReleasesIt)
{
    Pty pty;
    SerialPort first = portFor(pty);
    SerialPort second = portFor(pty);
    ASSERT_TRUE(first.open(0, 19200));
    EXPECT_FALSE(second.open(0, 19200));
    EXPECT_STREQ(second.status(), "Error in CreateFile");
    EXPECT_FALSE(second.connected());

    ASSERT_TRUE(first.open(0, 921600)); // closes its own handle first
    first.close();
    EXPECT_TRUE(second.open(0, 19200));
}

TEST(SerialPortTest, MissingDeviceFailsLikeABusyOne)
{
    SerialPort port([](int) { return std::string("/dev/quorva-no-such-port"); });
    EXPECT_FALSE(port.open(0, 19200));
    EXPECT_STREQ(port.status(), "Error in CreateFile");
    EXPECT_EQ(port.lastOpenError(), ENOENT);
    EXPECT_EQ(SerialPort::defaultPath(1), "/dev/ttyUSB0");
}

TEST(SerialPortTest, ClosedPortRefusesWithoutTouchingTheSystem)
{
    SerialPort port;
    EXPECT_STREQ(port.status(), "Not initialized");
    EXPECT_FALSE(port.sendByte(0x25));
    EXPECT_STREQ(port.status(), "Send: not connected");
    EXPECT_EQ(port.receive(1), nullptr);
    EXPECT_STREQ(port.status(), "Receive: not connected");
    EXPECT_EQ(port.receiveByte(), 0);
    EXPECT_STREQ(port.status(), "Receive1: not connected");
    EXPECT_TRUE(port.close());
    EXPECT_STREQ(port.status(), "Disconnect: OK");
}

TEST(SerialPortTest, ReplyInPiecesIsAssembledAndSilenceTimesOut)
{
    Pty pty;
    SerialPort port = portFor(pty);
    ASSERT_TRUE(port.open(0, 19200));
    EXPECT_NE(port.receive(0), nullptr);
    EXPECT_EQ(port.receive(BytePort::kReceiveBufferSize + 1), nullptr);

    std::thread box([&] {
        pty.write("AB");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        pty.write("CDE");
    });
    EXPECT_EQ(received(port.receive(5), 5), "ABCDE");
    box.join();

    // One real silence: the reply stops short and the receive gives up after 2.8 s.
    pty.write("X");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.receive(2), nullptr);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_STREQ(port.status(), "Receive: I/O error");
    EXPECT_GE(waited, std::chrono::milliseconds(2800));
    EXPECT_LT(waited, std::chrono::milliseconds(4000));
}

TEST(SerialPortTest, HangUpOfTheFarEndFailsAtOnce)
{
    Pty pty;
    SerialPort port = portFor(pty);
    ASSERT_TRUE(port.open(0, 19200));
    pty.closeMaster();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.receive(1), nullptr);
    EXPECT_EQ(port.receiveByte(), -1);
    EXPECT_FALSE(port.sendByte(0x25));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

// Each reading is 3 s after the last, so every wait of the port runs out at
// once; the test plays the box at each reading.
class SteppingClock final : public Clock {
public:
    std::function<void()> onTick;
    void sleepMs(int /*ms*/) override {}
    std::uint64_t tickMs() override
    {
        if (onTick)
            onTick();
        return now_ += 3000;
    }

private:
    std::uint64_t now_ = 0;
};

TEST(SerialPortTest, RetryAfterAStalledBlockSendsOnlyTheRest)
{
    Pty pty;
    SteppingClock clock;
    const std::string path = pty.path();
    SerialPort port([path](int) { return path; }, clock);
    ASSERT_TRUE(port.open(0, 921600));

    // Far more than the line holds, so the first write stalls part-way.
    std::vector<std::uint8_t> block(512 * 1024);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    std::string wire;
    auto takeWhatArrived = [&] {
        char chunk[65536];
        for (pollfd entry{pty.master(), POLLIN, 0}; ::poll(&entry, 1, 0) > 0; entry.revents = 0) {
            const ssize_t n = ::read(pty.master(), chunk, sizeof chunk);
            if (n <= 0)
                return;
            wire.append(chunk, static_cast<std::size_t>(n));
        }
    };
    // The box reads nothing until the line has stayed full for a whole
    // reading, in which the port's wait found no room and its first write
    // gave up. From the next reading on the box keeps up.
    bool boxReads = false;
    int fullReadings = 0;
    int lastPending = 0;
    clock.onTick = [&] {
        if (!boxReads) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20)); // let the line settle
            int pending = 0;
            ioctl(pty.master(), FIONREAD, &pending);
            fullReadings = pending > 0 && pending == lastPending ? fullReadings + 1 : 0;
            lastPending = pending;
            boxReads = fullReadings == 2;
        }
        if (boxReads)
            takeWhatArrived();
    };
    ASSERT_TRUE(port.send(block.data(), block.size()));
    clock.onTick = nullptr;
    takeWhatArrived();
    EXPECT_TRUE(boxReads);
    ASSERT_EQ(wire.size(), block.size());
    EXPECT_EQ(wire, std::string(block.begin(), block.end()));
}

TEST(TracingPortTest, LogsOpensBytesAndWaits)
{
    test::TempFolder folder;
    const std::string path = folder.file("trace.log");
    Pty pty;
    SerialPort port = portFor(pty);
    auto trace = std::make_shared<Trace>(path);
    port.setTrace(trace);
    TracingPort traced(port, trace);
    RecordingClock clock;
    TracingClock tracedClock(clock, trace);

    ASSERT_TRUE(traced.open(4, 19200));
    ASSERT_TRUE(traced.sendByte(0x25));
    pty.write("+");
    EXPECT_EQ(traced.receiveByte(), '+');
    tracedClock.sleepMs(50);
    traced.close();

    const std::string log = test::fileContents(path);
    EXPECT_NE(log.find("open COM5 " + pty.path() + " 19200 baud: Connect: OK\n"), std::string::npos) << log;
    EXPECT_NE(log.find("low latency "), std::string::npos);
    EXPECT_NE(log.find("send 25\n"), std::string::npos);
    EXPECT_NE(log.find("recv 2B\n"), std::string::npos);
    EXPECT_NE(log.find("wait 50 ms\n"), std::string::npos);
    EXPECT_NE(log.find("close\n"), std::string::npos);
    EXPECT_EQ(clock.sleeps(), std::vector<int>{50});
    // Every line carries a time stamp to the millisecond.
    EXPECT_EQ(log.find("20"), 0u);
    EXPECT_EQ(log[23], ' ');
}

TEST(SerialPortTest, ConnectionReportsABusyOrMissingPortWithAHint)
{
    Pty pty;
    SerialPort holder = portFor(pty);
    ASSERT_TRUE(holder.open(0, 19200));
    SerialPort port = portFor(pty);
    test::ScriptedUi ui;
    Project project(ui);
    RecordingClock clock;
    Connection busy(port, clock, ui);
    EXPECT_FALSE(busy.connect(project, project.deviceIndex, 1, 0));
    EXPECT_EQ(ui.callsStartingWith("box: "),
              std::vector<std::string>{"box: information | Programmer QUORVA | Connection error: cannot open COM "
                                       "port. Check for other applications using it."});

    SerialPort missing([](int) { return std::string("/dev/quorva-none"); });
    test::ScriptedUi ui2;
    Connection absent(missing, clock, ui2);
    EXPECT_FALSE(absent.connect(project, project.deviceIndex, 1, 0));
    const auto boxes = ui2.callsStartingWith("box: ");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("\nCannot open /dev/quorva-none: no such device."), std::string::npos) << boxes[0];
}

} // namespace
} // namespace quorva
