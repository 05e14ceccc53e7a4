// The UDP listener: which argument lists ask for it, which windows start it, the port it
// binds, the datagrams it drops, and the start-up it fails when the port is taken. These
// tests bind UDP port 3004 themselves, so CTest runs them one at a time.
#include <QFile>
#include <QHostAddress>
#include <QUdpSocket>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "remote/udp_listener.h"
#include "support/ui_fixture.h"
#include "ui/forms.h"
#include "ui/loader_window.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"

namespace {

using ListenerTest = UiTest;

// Whether this process can bind the listener's port on an address, without sharing.
bool CanBind(const QHostAddress& address) {
  QUdpSocket socket;
  return socket.bind(address, ListenerPort, QAbstractSocket::DontShareAddress);
}

bool SystemHasIPv6() {
  QUdpSocket socket;
  return socket.bind(QHostAddress::LocalHostIPv6, 0);
}

void ExpectPortTaken() {
  EXPECT_FALSE(CanBind(QHostAddress::AnyIPv4));
  if (SystemHasIPv6()) {
    EXPECT_FALSE(CanBind(QHostAddress::AnyIPv6));
  }
}

void ExpectPortFree() {
  EXPECT_TRUE(CanBind(QHostAddress::AnyIPv4));
  if (SystemHasIPv6()) {
    EXPECT_TRUE(CanBind(QHostAddress::AnyIPv6));
  }
}

void UseArguments(const QStringList& arguments) { UseListenerArguments(&arguments); }

// Bytes waiting in the receive queues of the sockets bound to the listener's port, as the
// kernel counts them (/proc/net/udp and udp6: "local_address tx_queue:rx_queue" in hex).
long QueuedBytes() {
  long queued = 0;
  for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
    QFile file(QString::fromLatin1(table));
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
      const QList<QByteArray> fields = line.simplified().split(' ');
      if (fields.size() < 5 || !fields[1].endsWith(":0BBC")) continue;
      queued += fields[4].split(':').value(1).toLong(nullptr, 16);
    }
  }
  return queued;
}

// Waits, without processing this thread's events, until the queues are empty; bounded.
bool QueuesDrain() {
  for (int i = 0; i < 2000; ++i) {
    if (QueuedBytes() == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

TEST_F(ListenerTest, OnlyAFirstArgumentBackslashPInEitherCaseAsksForIt) {
  const struct {
    QStringList arguments;
    bool asked;
  } cases[] = {
      {{"tarvik"}, false},
      {{"tarvik", "\\P"}, true},
      {{"tarvik", "\\p"}, true},
      {{"tarvik", "\\p", "more"}, true},
      {{"tarvik", "\\px"}, false},
      {{"tarvik", "\\"}, false},
      {{"tarvik", "/p"}, false},
      {{"tarvik", "-p"}, false},
      {{"tarvik", " \\p"}, false},
      {{"tarvik", "x", "\\p"}, false},
      {{"tarvik", ""}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ListenerAsked(c.arguments), c.asked) << c.arguments.join('|').toStdString();
}

TEST_F(ListenerTest, TheUpgradeAndTheMainUpdaterBindThePortOnEveryAddress) {
  UseArguments({"tarvik", "\\p"});
  Make<TForm5>();
  ASSERT_NE(UdpListener, nullptr);
  UdpDataHandler* listener = UdpListener;
  Make<TForm1>();  // hidden in this variant: starts no second listener
  EXPECT_EQ(UdpListener, listener);
  EXPECT_TRUE(UdpListener->isBound());
  ExpectPortTaken();
  StopListener();
  ExpectPortFree();

  Form5 = nullptr;
  UseArguments({"tarvik", "\\P"});
  Make<TForm1>();
  ASSERT_NE(UdpListener, nullptr);
  EXPECT_TRUE(UdpListener->isBound());
  ExpectPortTaken();
}

TEST_F(ListenerTest, NeitherStartedWithoutTheSwitchNorByTheLoader) {
  const QStringList withSwitch = {"tarvik", "\\p"};
  const struct {
    const char* window;
    QStringList arguments;
  } cases[] = {
      {"Upgrade", {"tarvik"}}, {"Upgrade", {"tarvik", "\\px"}}, {"Updater", {"tarvik", "P"}},
      {"Loader", withSwitch},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.window);
    UseArguments(c.arguments);
    QWidget* window = nullptr;
    if (std::string(c.window) == "Upgrade") window = new TForm5;
    if (std::string(c.window) == "Updater") window = new TForm1;
    if (std::string(c.window) == "Loader") window = new TForm6;
    EXPECT_EQ(UdpListener, nullptr);
    ExpectPortFree();
    delete window;
  }
}

TEST_F(ListenerTest, EveryDatagramIsReadAndDroppedOnTheListenersThread) {
  UseArguments({"tarvik", "\\p"});
  Make<TForm5>();
  ASSERT_TRUE(UdpListener != nullptr && UdpListener->isBound());
  QUdpSocket sender;
  ASSERT_TRUE(sender.bind(QHostAddress::LocalHost, 0));
  const QByteArray small(100, 'x');
  const QByteArray large(60000, 'y');
  // Two bursts: the listener is still told of datagrams after it has read the first.
  for (int burst = 0; burst < 2; ++burst) {
    for (int i = 0; i < 20; ++i)
      ASSERT_EQ(sender.writeDatagram(small, QHostAddress::LocalHost, ListenerPort), small.size());
    ASSERT_EQ(sender.writeDatagram(large, QHostAddress::LocalHost, ListenerPort), large.size());
    EXPECT_TRUE(QueuesDrain()) << "still queued: " << QueuedBytes();
  }
  EXPECT_FALSE(sender.hasPendingDatagrams());  // nothing answers
}

TEST_F(ListenerTest, ATakenPortFailsTheStartWithTheSocketsErrorText) {
  QUdpSocket holder;
  ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, ListenerPort, QAbstractSocket::DontShareAddress));
  QUdpSocket probe;
  ASSERT_FALSE(probe.bind(QHostAddress::Any, ListenerPort, QAbstractSocket::DontShareAddress));
  const QString expected = probe.errorString();
  ASSERT_FALSE(expected.isEmpty());

  UseArguments({"tarvik", "\\P"});
  TForm5* form = Make<TForm5>();
  ASSERT_NE(UdpListener, nullptr);
  EXPECT_FALSE(UdpListener->isBound());
  EXPECT_EQ(UdpListener->errorString(), expected);
  // The creation goes on; the start-up shows the error instead of the window.
  EXPECT_EQ(form->windowTitle(), "Upgrade 1.1 -   KAP DL 01.24.04.00   - Sep 23 2014");
}

}  // namespace
