#include "support/sim_link.h"

#include <algorithm>

#include "platform/serial_device.h"
#include "platform/waiting.h"

namespace {
SimLink* Current = nullptr;
constexpr SerialHandle SimHandle = 4242;
}  // namespace

struct SimBackends {
  static SimLink& link() { return *Current; }
  static bool gone() {
    SimLink& l = link();
    return l.device_ != nullptr && l.device_->hungUp(l.nowUs_);
  }

  static int open(const char*, SerialHandle* out) {
    SimLink& l = link();
    if (!l.portPresent_) return SerialNoDevice;
    if (l.open_) return SerialBusy;
    l.open_ = true;
    ++l.opens_;
    *out = SimHandle;
    return SerialOk;
  }
  static int configure(SerialHandle, const LineSettings&) { return SerialOk; }
  static int ok(SerialHandle) { return SerialOk; }
  static int read(SerialHandle, uint8_t* buffer, int capacity) {
    SimLink& l = link();
    if (gone()) return SerialGone;
    int n = static_cast<int>(std::min<size_t>(l.injected_.size(), capacity));
    std::copy_n(l.injected_.begin(), n, buffer);
    l.injected_.erase(l.injected_.begin(), l.injected_.begin() + n);
    if (l.device_ != nullptr)
      n += static_cast<int>(l.device_->hostRead(buffer + n, capacity - n, l.nowUs_));
    return n;
  }
  static int write(SerialHandle, const uint8_t* bytes, int count, int) {
    SimLink& l = link();
    if (gone()) return SerialGone;
    l.writes_.push_back({l.nowUs_, {bytes, bytes + count}});
    if (l.device_ != nullptr) l.device_->hostWrite(bytes, count, l.nowUs_);
    return SerialOk;
  }
  static int drain(SerialHandle, int) { return gone() ? SerialGone : SerialOk; }
  static int setLine(SerialHandle, ModemLine, bool) { return SerialOk; }
  static int waitReadable(SerialHandle h, int ms) { return waitInput(h, ms); }
  static void close(SerialHandle) { link().open_ = false; }

  static void sleepMs(int ms) { link().nowUs_ += int64_t{std::max(ms, 0)} * 1000; }
  static void processMessages() {
    SimLink& l = link();
    ++l.messageRounds_;
    // Actions may schedule further actions: take the due ones out first.
    std::vector<std::function<void()>> due;
    auto& actions = l.actions_;
    for (auto it = actions.begin(); it != actions.end();) {
      if (it->first <= l.nowUs_) {
        due.push_back(std::move(it->second));
        it = actions.erase(it);
      } else {
        ++it;
      }
    }
    auto& conditional = l.conditional_;
    for (auto it = conditional.begin(); it != conditional.end();) {
      if (it->first()) {
        due.push_back(std::move(it->second));
        it = conditional.erase(it);
      } else {
        ++it;
      }
    }
    for (auto& action : due) action();
    PumpMessages();  // the front end's own, where a test has one
  }
  static int64_t nowUs() { return link().nowUs_; }
  static int waitInput(SerialHandle h, int ms) {
    SimLink& l = link();
    const int64_t until = l.nowUs_ + int64_t{std::max(ms, 0)} * 1000;
    if (h != NoSerialHandle && !l.injected_.empty()) return 1;
    if (h == NoSerialHandle || l.device_ == nullptr) {
      l.nowUs_ = until;
      return 0;
    }
    if (gone()) return SerialGone;
    const int64_t next = std::min(l.device_->nextArrivalUs(), l.device_->hangUpUs());
    if (next <= l.nowUs_) return 1;
    if (next <= until) {
      l.nowUs_ = next;
      return gone() ? SerialGone : 1;
    }
    l.nowUs_ = until;
    return 0;
  }
};

namespace {

const SerialBackend SimSerial = {
    SimBackends::open,  SimBackends::configure,    SimBackends::ok,      SimBackends::ok,
    SimBackends::read,  SimBackends::write,        SimBackends::drain,   SimBackends::setLine,
    SimBackends::waitReadable, SimBackends::close,
};
const WaitBackend SimWait = {SimBackends::sleepMs, SimBackends::processMessages,
                             SimBackends::nowUs, SimBackends::waitInput};

}  // namespace

SimLink::SimLink() {
  Current = this;
  InstallSerialBackend(&SimSerial);
  InstallWaitBackend(&SimWait);
}

SimLink::~SimLink() {
  InstallSerialBackend(nullptr);
  InstallWaitBackend(nullptr);
  Current = nullptr;
}

SimLink* SimLink::current() { return Current; }

void SimLink::connect(devsim::Config config) { device_ = std::make_unique<devsim::Device>(std::move(config)); }

void SimLink::injectToHost(std::vector<uint8_t> bytes) {
  injected_.insert(injected_.end(), bytes.begin(), bytes.end());
}

void SimLink::disconnect() { device_.reset(); }

void SimLink::at(int64_t timeUs, std::function<void()> action) {
  actions_.emplace_back(timeUs, std::move(action));
}

void SimLink::when(std::function<bool()> condition, std::function<void()> action) {
  conditional_.emplace_back(std::move(condition), std::move(action));
}
