// Serial devices through termios: USB-serial adapters, on-board UARTs and ptys.
//
// The descriptor stays non-blocking for its whole life: reads return at once, and every
// wait (a write against a full queue, a drain, waiting for input) is a poll or a short
// sleep against a deadline, so no call blocks longer than the time it is given.
#include "platform/serial_device.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/port_users.h"

namespace {

// What an open device is given back at its close: the line settings it had when it was
// opened (the kernel keeps the last ones after a close) and its lock file.
struct OpenDevice {
  int fd = -1;
  termios lineAtOpen{};
  bool haveLine = false;
  std::string lockPath;
};
constexpr int MaxOpenDevices = 16;
OpenDevice openDevices[MaxOpenDevices];

OpenDevice* RecordOf(int fd) {
  for (OpenDevice& d : openDevices)
    if (d.fd == fd) return &d;
  return nullptr;
}

// How often a drain looks at the output queue: at 115200 baud a millisecond is 11 bytes.
constexpr int DrainPollMs = 1;

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int64_t DeadlineAfter(int timeoutMs) { return NowMs() + (timeoutMs > 0 ? timeoutMs : 0); }

int RemainingMs(int64_t deadline) {
  const int64_t left = deadline - NowMs();
  return left > 0 ? static_cast<int>(left) : 0;
}

void PauseMs(int ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);  // an interruption only shortens one step of a deadline loop
}

bool HungUp(short revents) { return (revents & (POLLHUP | POLLERR)) != 0; }

// Polls one descriptor until the deadline, restarting after signals with the time left.
// The revents (> 0), 0 on time-out, or a failure.
int PollUntil(int fd, short events, int64_t deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int n = poll(&p, 1, RemainingMs(deadline));
    if (n > 0) return (p.revents & POLLNVAL) ? static_cast<int>(SerialFailed) : p.revents;
    if (n == 0) return 0;
    if (errno != EINTR) return SerialResultFromErrno(errno);
  }
}

// Hang-up or error reported right now (a pty whose master closed, an unplugged adapter).
bool IsGone(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && HungUp(p.revents);
}

// Unix98 pty slaves (majors 136-143) and legacy BSD ones (major 3): no transmitter, no
// modem lines, no driver knobs; written bytes are with the peer already.
bool IsPseudoTerminalNode(const struct stat& st) {
  if (!S_ISCHR(st.st_mode)) return false;
  const unsigned m = major(st.st_rdev);
  return (m >= 136 && m <= 143) || m == 3;
}

bool IsPseudoTerminal(int fd) {
  struct stat st{};
  return fstat(fd, &st) == 0 && IsPseudoTerminalNode(st);
}

// Drops the exclusive mode (it would outlive us on a pty), the lock and the descriptor.
// Only a descriptor that set the exclusive mode clears it: a refused second opening must
// not take it away from the holder.
void Release(int fd, bool exclusive) {
  if (exclusive) ioctl(fd, TIOCNXCL);
  flock(fd, LOCK_UN);
  close(fd);
}

speed_t SpeedOf(uint32_t baud) {
  switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 500000: return B500000;
    case 576000: return B576000;
    case 921600: return B921600;
    case 1000000: return B1000000;
    case 1152000: return B1152000;
    case 1500000: return B1500000;
    case 2000000: return B2000000;
    case 2500000: return B2500000;
    case 3000000: return B3000000;
    case 3500000: return B3500000;
    case 4000000: return B4000000;
    default: return B0;
  }
}

// The termios flags that make up the line settings; the read-back compares these.
constexpr tcflag_t CflagMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL |
                               CLOCAL | CREAD;
constexpr tcflag_t IflagRaw = IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR |
                              IGNCR | ICRNL | IUCLC | IXON | IXANY | IXOFF | IMAXBEL | IUTF8;
constexpr tcflag_t LflagRaw = ICANON | ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT |
                              ECHOKE | ISIG | IEXTEN | TOSTOP | XCASE;

// Builds the cflag bits of the settings into *cflag; false when a setting has no code.
bool LineFlags(const LineSettings& s, tcflag_t* cflag) {
  tcflag_t f = CLOCAL | CREAD;
  switch (s.byteSize) {
    case 5: f |= CS5; break;
    case 6: f |= CS6; break;
    case 7: f |= CS7; break;
    case 8: f |= CS8; break;
    default: return false;
  }
  switch (s.parity) {
    case 0: break;
    case 1: f |= PARENB | PARODD; break;
    case 2: f |= PARENB; break;
    case 3: f |= PARENB | CMSPAR | PARODD; break;
    case 4: f |= PARENB | CMSPAR; break;
    default: return false;
  }
  switch (s.stopBits) {
    case 0: break;
    case 1:  // one and a half: the nearest termios has is two
    case 2: f |= CSTOPB; break;
    default: return false;
  }
  *cflag = f;
  return true;
}

int DeviceOpen(const char* path, SerialHandle* out) {
  if (out == nullptr) return SerialFailed;
  *out = NoSerialHandle;
  if (path == nullptr || *path == '\0') return SerialNoDevice;
  const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return SerialResultFromErrno(errno);

  int result = SerialOk;
  bool exclusive = false;
  std::string lockPath;
  OpenDevice* record = RecordOf(-1);
  struct stat st{};
  if (fstat(fd, &st) != 0) {
    result = SerialResultFromErrno(errno);
  } else if (!S_ISCHR(st.st_mode)) {
    result = SerialNoDevice;
  } else if (record == nullptr) {
    result = SerialFailed;  // more devices open than the program ever needs
  } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    // Another descriptor holds it, in this process or another; TIOCEXCL alone does not
    // keep out a second program running as root.
    result = SerialResultFromErrno(errno);
  } else if (ioctl(fd, TIOCEXCL) != 0) {
    result = SerialResultFromErrno(errno);  // ENOTTY: a character device but no terminal
  } else {
    // From now on nobody else opens it; whoever had it open before is found here.
    exclusive = true;
    result = OpenedByAnotherProcess(st.st_rdev) ? SerialBusy : TakePortLock(path, &lockPath);
  }
  if (result != SerialOk) {
    Release(fd, exclusive);
    return result;
  }
  record->fd = fd;
  record->haveLine = tcgetattr(fd, &record->lineAtOpen) == 0;
  record->lockPath = lockPath;
  *out = fd;
  return SerialOk;
}

int DeviceConfigure(SerialHandle h, const LineSettings& settings) {
  if (h < 0) return SerialFailed;
  termios t{};
  if (tcgetattr(h, &t) != 0) return SerialFailed;
  tcflag_t cflag = 0;
  const speed_t speed = SpeedOf(settings.baudRate);
  if (speed == B0 || !LineFlags(settings, &cflag)) return SerialConfigFailed;

  t.c_iflag &= ~IflagRaw;
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~LflagRaw;
  t.c_cflag = (t.c_cflag & ~CflagMask) | cflag;
  if (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0) return SerialConfigFailed;
  if (tcsetattr(h, TCSANOW, &t) != 0) return SerialConfigFailed;

  // tcsetattr succeeds when any part took; a driver may also drop what it cannot do
  // (CMSPAR, CSTOPB on some adapters), so look at what is in force now.
  termios now{};
  if (tcgetattr(h, &now) != 0) return SerialFailed;
  const bool took = (now.c_cflag & CflagMask) == cflag && (now.c_iflag & IflagRaw) == 0 &&
                    (now.c_lflag & LflagRaw) == 0 && (now.c_oflag & OPOST) == 0 &&
                    cfgetispeed(&now) == speed && cfgetospeed(&now) == speed;
  return took ? SerialOk : SerialConfigFailed;
}

int DeviceSetImmediateReads(SerialHandle h) {
  if (h < 0) return SerialFailed;
  termios t{};
  if (tcgetattr(h, &t) != 0) return SerialFailed;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (tcsetattr(h, TCSANOW, &t) != 0) return SerialFailed;
  return SerialOk;
}

// FTDI and similar adapters hold received bytes up to their latency timer (16 ms by
// default) before sending them to the host; 1 ms makes each answer arrive at once.
void SetLatencyTimer(int fd) {
  struct stat st{};
  if (fstat(fd, &st) != 0) return;
  char path[96];
  std::snprintf(path, sizeof path, "/sys/dev/char/%u:%u/device/latency_timer",
                major(st.st_rdev), minor(st.st_rdev));
  const int knob = open(path, O_WRONLY | O_CLOEXEC);
  if (knob < 0) return;  // no such knob, or not ours to change
  const ssize_t ignored = write(knob, "1", 1);
  (void)ignored;
  close(knob);
}

int DeviceRequestLowLatency(SerialHandle h) {
  if (h < 0) return SerialFailed;
  if (IsPseudoTerminal(h)) return SerialOk;
  serial_struct ss{};
  if (ioctl(h, TIOCGSERIAL, &ss) == 0 && (ss.flags & ASYNC_LOW_LATENCY) == 0) {
    ss.flags |= ASYNC_LOW_LATENCY;
    ioctl(h, TIOCSSERIAL, &ss);  // refused by some drivers: the sysfs knob may still work
  }
  SetLatencyTimer(h);
  return SerialOk;
}

int DeviceRead(SerialHandle h, uint8_t* buffer, int capacity) {
  if (h < 0 || buffer == nullptr || capacity < 0) return SerialFailed;
  if (capacity == 0) return IsGone(h) ? SerialGone : 0;
  for (;;) {
    const ssize_t n = read(h, buffer, static_cast<size_t>(capacity));
    if (n > 0) return static_cast<int>(n);
    if (n == 0) return IsGone(h) ? SerialGone : 0;  // end of file on a hung-up terminal
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return SerialResultFromErrno(errno);
  }
}

int DeviceWrite(SerialHandle h, const uint8_t* bytes, int count, int timeoutMs) {
  if (h < 0 || count < 0 || (bytes == nullptr && count > 0)) return SerialFailed;
  const int64_t deadline = DeadlineAfter(timeoutMs);
  int done = 0;
  while (done < count) {
    const ssize_t n = write(h, bytes + done, static_cast<size_t>(count - done));
    if (n > 0) {
      done += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return SerialResultFromErrno(errno);
    // The output queue is full: wait for room, but not past the deadline.
    const int ready = PollUntil(h, POLLOUT, deadline);
    if (ready < 0) return ready;
    if (ready == 0) return SerialTimedOut;
    if (HungUp(static_cast<short>(ready))) return SerialGone;
  }
  return SerialOk;
}

int DeviceDrain(SerialHandle h, int timeoutMs) {
  if (h < 0) return SerialFailed;
  if (IsGone(h)) return SerialGone;
  if (IsPseudoTerminal(h)) return SerialOk;
  // tcdrain never returns on some USB drivers, so watch the queue against a deadline.
  const int64_t deadline = DeadlineAfter(timeoutMs);
  for (;;) {
    int queued = 0;
    if (ioctl(h, TIOCOUTQ, &queued) != 0) {
      if (errno == EINTR) continue;
      // A driver that cannot say what it holds has nothing we could wait for.
      if (errno == ENOTTY || errno == EINVAL) return SerialOk;
      return SerialResultFromErrno(errno);
    }
    if (queued <= 0) {
      // The queue is empty; a UART that reports its shift register must finish that too.
      unsigned int lsr = 0;
      if (ioctl(h, TIOCSERGETLSR, &lsr) != 0 || (lsr & TIOCSER_TEMT) != 0) return SerialOk;
    }
    if (RemainingMs(deadline) == 0) return SerialTimedOut;
    PauseMs(DrainPollMs);
  }
}

int DeviceSetLine(SerialHandle h, ModemLine line, bool on) {
  if (h < 0) return SerialFailed;
  int bits = line == ModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
  if (ioctl(h, on ? TIOCMBIS : TIOCMBIC, &bits) == 0) return SerialOk;
  if (errno == ENOTTY || errno == EINVAL) return SerialOk;  // no modem lines (a pty)
  return SerialResultFromErrno(errno);
}

int DeviceWaitReadable(SerialHandle h, int timeoutMs) {
  if (h < 0) return SerialFailed;  // poll would quietly wait out the time on a negative fd
  const int ready = PollUntil(h, POLLIN, DeadlineAfter(timeoutMs));
  if (ready <= 0) return ready;
  // A hung-up terminal reports POLLIN too, but a read would only give end of file.
  if (HungUp(static_cast<short>(ready))) return SerialGone;
  return 1;
}

void DeviceClose(SerialHandle h) {
  if (h < 0) return;
  // close() waits up to the driver's closing_wait (30 s by default) for output that cannot
  // leave; the channel drains before it closes, so what is still queued is dropped. Not on
  // a pty: there a flush would discard what the peer has not read yet.
  int queued = 0;
  if (!IsPseudoTerminal(h) && ioctl(h, TIOCOUTQ, &queued) == 0 && queued > 0)
    tcflush(h, TCOFLUSH);
  if (OpenDevice* record = RecordOf(h)) {
    // The line as it was found, for the next program.
    if (record->haveLine) tcsetattr(h, TCSANOW, &record->lineAtOpen);
    ReleasePortLock(record->lockPath);
    *record = OpenDevice{};
  }
  Release(h, true);
}

}  // namespace

bool IsPseudoTerminalPath(const char* path) {
  struct stat st{};
  return path != nullptr && stat(path, &st) == 0 && IsPseudoTerminalNode(st);
}

namespace {

const SerialBackend deviceBackend = {
    DeviceOpen,  DeviceConfigure, DeviceSetImmediateReads, DeviceRequestLowLatency,
    DeviceRead,  DeviceWrite,     DeviceDrain,             DeviceSetLine,
    DeviceWaitReadable, DeviceClose,
};

}  // namespace

int SerialResultFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENOTTY:
    case ENOTDIR:
    case EISDIR:
    case ELOOP:
    case ENAMETOOLONG:
      return SerialNoDevice;
    case EBUSY:
    case EAGAIN:  // a lock held elsewhere (EWOULDBLOCK is the same value)
      return SerialBusy;
    case EACCES:
    case EPERM:
    case EROFS:
      return SerialDenied;
    case EIO:
    case ENXIO:
    case EPIPE:
    case ESHUTDOWN:
      return SerialGone;
    case ETIMEDOUT:
      return SerialTimedOut;
    default:
      return SerialFailed;
  }
}

const SerialBackend& DeviceSerialBackend() { return deviceBackend; }
