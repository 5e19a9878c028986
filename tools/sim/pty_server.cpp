#include "pty_server.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorva::sim {

namespace {

// Paced replies leave in groups spanning at most this much line time.
constexpr std::uint64_t kGroupUs = 2000;

int baudOf(speed_t speed)
{
    switch (speed) {
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    case B460800: return 460800;
    case B921600: return 921600;
    default: return 0;
    }
}

} // namespace

PtyServer::~PtyServer()
{
    closeLine();
}

void PtyServer::closeLine()
{
    if (!link_.empty())
        ::unlink(link_.c_str());
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

bool PtyServer::open(const std::string& linkPath, std::string* error)
{
    auto fail = [&](const std::string& what) {
        if (error)
            *error = what + ": " + std::generic_category().message(errno);
        closeLine();
        return false;
    };
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return fail("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return fail("grantpt/unlockpt");
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0)
        return fail("ptsname");
    slave_ = name;
    // Start raw at 19200 baud, as a freshly plugged-in adapter would be.
    termios t{};
    if (::tcgetattr(master_, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B19200);
        ::cfsetospeed(&t, B19200);
        ::tcsetattr(master_, TCSANOW, &t);
    }
    ::unlink(linkPath.c_str());
    if (::symlink(slave_.c_str(), linkPath.c_str()) != 0)
        return fail("symlink " + linkPath);
    link_ = linkPath;
    return true;
}

int PtyServer::checkLine()
{
    // On Linux the master reports the slave's settings: what the PC set.
    termios t{};
    if (::tcgetattr(master_, &t) != 0)
        return box_.baud();
    std::string problem;
    if ((t.c_cflag & CSIZE) != CS8 || (t.c_cflag & (PARENB | CSTOPB)) != 0)
        problem = "not 8N1";
    else if ((t.c_cflag & CRTSCTS) != 0 || (t.c_iflag & (IXON | IXOFF)) != 0)
        problem = "flow control on";
    else if ((t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP)) != 0 || (t.c_oflag & OPOST) != 0 ||
             (t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) != 0)
        problem = "not raw";
    if (!problem.empty() && problem != lastLineProblem_)
        box_.addViolation(ViolationKind::LineNotRaw, problem);
    lastLineProblem_ = problem;
    return baudOf(::cfgetospeed(&t));
}

void PtyServer::deliver(int pcBaud)
{
    const bool pace = box_.options().paced;
    const std::vector<Box::OutByte> out = box_.takeOutput();
    std::vector<std::uint8_t> group;
    for (std::size_t first = 0; first < out.size();) {
        // Paced, the bytes due within a short span go out together when the
        // last of them is due: one wake-up for a whole reply, instead of a
        // sleep per byte that overshoots each byte's few microseconds.
        std::size_t end = first + 1;
        while (pace && end < out.size() && out[end].readyUs <= out[first].readyUs + kGroupUs)
            ++end;
        const std::uint64_t due = out[end - 1].readyUs;
        const std::uint64_t now = pace ? box_.clockUs() : box_.nowUs();
        if (due > now)
            std::this_thread::sleep_for(std::chrono::microseconds(due - now));
        group.clear();
        for (std::size_t i = first; i < end; ++i) {
            if (out[i].baud == pcBaud) // otherwise the PC's receiver makes nothing of it
                group.push_back(out[i].value);
        }
        if (master_ >= 0 && !group.empty())
            (void)!::write(master_, group.data(), group.size());
        first = end;
    }
}

void PtyServer::serve(const std::atomic<bool>& stop, std::atomic<bool>* powerCycle)
{
    std::uint8_t buffer[4096];
    while (!stop.load()) {
        if (powerCycle && powerCycle->exchange(false))
            box_.powerCycle();
        if (master_ < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        pollfd p{master_, POLLIN, 0};
        const int ready = ::poll(&p, 1, 20);
        if (ready > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                const int pcBaud = checkLine();
                box_.receive(buffer, static_cast<std::size_t>(n), pcBaud);
                if (box_.disconnected()) {
                    closeLine(); // the device disappears, as an unplugged adapter would
                    continue;
                }
                deliver(pcBaud);
            }
        } else if (ready > 0) {
            // No one has the slave open: wait for the next opener.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

} // namespace quorva::sim
