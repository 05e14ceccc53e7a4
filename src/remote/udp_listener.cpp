#include "remote/udp_listener.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QStringList>
#include <QUdpSocket>
#include <QVariant>

UdpDataHandler* UdpListener;

namespace {

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
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(ListenerBufferSize));
        QObject::connect(socket, &QUdpSocket::readyRead, socket, [socket] { DropDatagrams(socket); });
      },
      Qt::BlockingQueuedConnection);
  bound_ = bound;
  if (!bound && error != nullptr) *error = failure;
  return bound;
}

bool StartListener(QString* error) {
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 2 || args.at(1).compare(QStringLiteral("\\P"), Qt::CaseInsensitive) != 0)
    return true;
  UdpListener = new UdpDataHandler(ListenerPort);
  return UdpListener->activate(error);
}
