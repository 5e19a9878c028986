#include "serial_port.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace quorva {

namespace {

speed_t speedOf(int baud)
{
    switch (baud) {
    case 19200: return B19200;
    case 115200: return B115200;
    case 921600: return B921600;
    default: return B0;
    }
}

} // namespace

SerialPort::SerialPort(PathResolver resolver, Clock& clock)
    : resolver_(std::move(resolver)), clock_(clock), buffer_(kReceiveBufferSize)
{
}

SerialPort::~SerialPort()
{
    close();
    status_ = "Not initialized";
}

std::string SerialPort::defaultPath(int comNumber)
{
    return "/dev/ttyUSB" + std::to_string(comNumber - 1);
}

void SerialPort::note(const std::string& text)
{
    if (trace_)
        trace_->line(text);
}

bool SerialPort::open(int portIndex, int baud)
{
    close();
    status_ = "Connect...";
    portIndex_ = portIndex;
    baud_ = baud;
    connected_ = false;
    openError_ = 0;
    path_ = resolver_(portIndex + 1);

    if (path_.empty() || speedOf(baud) == B0) {
        openError_ = path_.empty() ? ENOENT : EINVAL;
        status_ = "Error in CreateFile";
        return false;
    }
    fd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        openError_ = errno;
        status_ = "Error in CreateFile";
        return false;
    }
    // Exclusive: the advisory lock keeps out other programs that lock (and
    // other instances of this one); TIOCEXCL keeps out unprivileged opens.
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        openError_ = EBUSY;
        ::close(fd_);
        fd_ = -1;
        status_ = "Error in CreateFile";
        return false;
    }
    ioctl(fd_, TIOCEXCL);

    if (!configure(baud)) {
        openError_ = errno;
        ::close(fd_);
        fd_ = -1;
        status_ = "Error in SetCommState";
        return false;
    }
    connected_ = true;
    status_ = "Connect: OK";
    return true;
}

bool SerialPort::configure(int baud)
{
    termios settings {};
    if (tcgetattr(fd_, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (cfsetispeed(&settings, speedOf(baud)) != 0 || cfsetospeed(&settings, speedOf(baud)) != 0)
        return false;
    if (tcsetattr(fd_, TCSANOW, &settings) != 0)
        return false;

    // DTR and RTS stay off; a pseudo-terminal refuses modem control, which is fine.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd_, TIOCMBIC, &lines);

    // Every reply would otherwise wait for a USB adapter's latency timer.
    serial_struct serial {};
    bool lowLatency = false;
    if (ioctl(fd_, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        lowLatency = ioctl(fd_, TIOCSSERIAL, &serial) == 0;
    }
    note(std::string("low latency ") + (lowLatency ? "on" : "not available"));
    return true;
}

bool SerialPort::close()
{
    status_ = "Disconnect...";
    if (connected_ || fd_ >= 0) {
        connected_ = false;
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    status_ = "Disconnect: OK";
    return true;
}

SerialPort::Wait SerialPort::waitFor(short events, std::uint64_t deadline)
{
    for (;;) {
        const std::uint64_t now = clock_.tickMs();
        const int left = now >= deadline ? 0 : static_cast<int>(deadline - now);
        pollfd entry{fd_, events, 0};
        const int ready = ::poll(&entry, 1, left);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return Wait::Broken;
        if (ready == 0)
            return Wait::TimedOut;
        if (entry.revents & events)
            return Wait::Ready;
        // A hang-up with nothing left to read: the device is gone, so fail at
        // once instead of waiting out the time-out.
        return Wait::Broken;
    }
}

bool SerialPort::drain()
{
    const std::uint64_t deadline = clock_.tickMs() + kTimeoutMs;
    for (;;) {
        int pending = 0;
        if (ioctl(fd_, TIOCOUTQ, &pending) != 0 || pending <= 0)
            return true;
        if (clock_.tickMs() >= deadline)
            return false;
        pollfd entry{fd_, 0, 0};
        ::poll(&entry, 1, 1);
        if (entry.revents & (POLLHUP | POLLERR | POLLNVAL))
            return false;
    }
}

bool SerialPort::writeAll(const std::uint8_t* bytes, std::size_t count, std::size_t& written)
{
    const std::uint64_t deadline = clock_.tickMs() + kTimeoutMs;
    while (written < count) {
        const ssize_t done = ::write(fd_, bytes + written, count - written);
        if (done > 0) {
            written += static_cast<std::size_t>(done);
            continue;
        }
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0 && errno != EAGAIN)
            return false;
        if (waitFor(POLLOUT, deadline) != Wait::Ready)
            return false;
    }
    return true;
}

bool SerialPort::sendByte(std::uint8_t byte)
{
    return send(&byte, 1);
}

bool SerialPort::send(const std::uint8_t* bytes, std::size_t count)
{
    status_ = "Send...";
    if (!connected_) {
        status_ = "Send: not connected";
        return false;
    }
    // The box must see each command only after the previous bytes went out.
    drain();
    // One retry of a failed write, as a flaky USB adapter sometimes needs. It
    // sends only what has not gone out: the box would take a repeated part
    // of a block as data.
    std::size_t written = 0;
    const bool ok = writeAll(bytes, count, written) || writeAll(bytes, count, written);
    status_ = ok ? "Send: OK" : "Send: I/O error";
    return ok;
}

const std::uint8_t* SerialPort::receive(std::size_t count)
{
    status_ = "Receive...";
    if (!connected_) {
        status_ = "Receive: not connected";
        return nullptr;
    }
    if (count > buffer_.size()) {
        status_ = "Receive: I/O error";
        return nullptr;
    }
    std::size_t offset = 0;
    // Each read may take 2.8 s; a reply that keeps trickling in keeps going.
    std::uint64_t deadline = clock_.tickMs() + kTimeoutMs;
    bool readable = false;
    while (offset < count) {
        const ssize_t got = ::read(fd_, buffer_.data() + offset, count - offset);
        if (got > 0) {
            offset += static_cast<std::size_t>(got);
            deadline = clock_.tickMs() + kTimeoutMs;
            readable = false;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        // With VMIN and VTIME at 0 a tty reads 0 when nothing is there yet;
        // nothing from a line that polled readable is a hang-up.
        if ((got < 0 && errno != EAGAIN) || (got == 0 && readable) || waitFor(POLLIN, deadline) != Wait::Ready) {
            status_ = "Receive: I/O error";
            return nullptr;
        }
        readable = true;
    }
    status_ = "Receive: OK";
    return buffer_.data();
}

int SerialPort::receiveByte()
{
    status_ = "Receive1...";
    if (!connected_) {
        status_ = "Receive1: not connected";
        return 0;
    }
    const std::uint64_t deadline = clock_.tickMs() + kTimeoutMs;
    bool readable = false;
    for (;;) {
        std::uint8_t byte = 0;
        const ssize_t got = ::read(fd_, &byte, 1);
        if (got == 1)
            return byte;
        if (got < 0 && errno == EINTR)
            continue;
        if ((got < 0 && errno != EAGAIN) || (got == 0 && readable) || waitFor(POLLIN, deadline) != Wait::Ready)
            return -1;
        readable = true;
    }
}

} // namespace quorva
