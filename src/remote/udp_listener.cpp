#include "remote/udp_listener.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QUdpSocket>
#include <QVariant>
#include <optional>

UdpDataHandler* UdpListener;

namespace {

std::optional<QStringList> givenArguments;

// Reads and drops every pending datagram: a socket that leaves one unread is not told of
// the next.
void DropDatagrams(QUdpSocket* socket) {
  static thread_local char scratch[ListenerBufferSize];
  while (socket->hasPendingDatagrams()) socket->readDatagram(scratch, sizeof scratch);
}

// Binds all local addresses: dual-stack where the system has IPv6, IPv4 otherwise. No
// address sharing, so a port already taken is a bind failure.
bool Bind(QUdpSocket* socket, quint16 port) {
  if (socket->bind(QHostAddress::Any, port, QAbstractSocket::DontShareAddress)) return true;
  if (socket->error() != QAbstractSocket::UnsupportedSocketOperationError) return false;
  return socket->bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress);
}

// The process's arguments as it was started. The application object takes its own options
// (such as -style) out of argv, which would make a later argument look like the first;
// the kernel keeps the original list.
QStringList ProcessArguments() {
  QFile file(QStringLiteral("/proc/self/cmdline"));
  const QByteArray all = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  if (all.isEmpty()) return QCoreApplication::arguments();
  QStringList arguments;
  for (const QByteArray& item : all.split('\0')) arguments << QString::fromLocal8Bit(item);
  if (all.endsWith('\0')) arguments.removeLast();  // every argument ends with a NUL
  return arguments;
}

}  // namespace

UdpDataHandler::UdpDataHandler(quint16 port) : port_(port) {
  thread_.setObjectName("udp-listener");
  receiver_ = new QObject;
  receiver_->moveToThread(&thread_);
  QObject::connect(&thread_, &QThread::finished, receiver_, &QObject::deleteLater);
  // The listener ends with the program; stop its thread before the application goes.
  if (QCoreApplication* app = QCoreApplication::instance())
    QObject::connect(app, &QCoreApplication::aboutToQuit, this, [this] {
      thread_.quit();
      thread_.wait();
    });
}

UdpDataHandler::~UdpDataHandler() {
  thread_.quit();
  thread_.wait();
}

bool UdpDataHandler::activate(QString* error) {
  thread_.start();
  QString failure;
  bool bound = false;
  QMetaObject::invokeMethod(
      receiver_,
      [&] {
        auto* socket = new QUdpSocket(receiver_);
        socket->setReadBufferSize(ListenerBufferSize);
        bound = Bind(socket, port_);
        if (!bound) {
          failure = socket->errorString();
          delete socket;
          return;
        }
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                QVariant(ListenerBufferSize));
        QObject::connect(socket, &QUdpSocket::readyRead, socket,
                         [socket] { DropDatagrams(socket); });
      },
      Qt::BlockingQueuedConnection);
  bound_ = bound;
  if (!bound) {
    // Nothing to listen on: the thread has no more work.
    thread_.quit();
    thread_.wait();
    error_ = failure;
    if (error != nullptr) *error = failure;
  }
  return bound;
}

bool ListenerAsked(const QStringList& arguments) {
  return arguments.size() >= 2 &&
         arguments.at(1).compare(QStringLiteral("\\P"), Qt::CaseInsensitive) == 0;
}

void UseListenerArguments(const QStringList* arguments) {
  if (arguments != nullptr)
    givenArguments = *arguments;
  else
    givenArguments.reset();
}

bool StartListener(QString* error) {
  if (!ListenerAsked(givenArguments ? *givenArguments : ProcessArguments())) return true;
  UdpListener = new UdpDataHandler(ListenerPort);
  return UdpListener->activate(error);
}

void StopListener() {
  delete UdpListener;
  UdpListener = nullptr;
}

void ResetListener() {
  StopListener();
  UseListenerArguments(nullptr);
}
