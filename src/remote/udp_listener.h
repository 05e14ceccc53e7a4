// The UDP listener: started by the switch "\P" (either case) as the first argument, it
// binds UDP port 3004 and drops every datagram, on a thread of its own.
#pragma once

#include <QObject>
#include <QString>
#include <QThread>

class QUdpSocket;

constexpr quint16 ListenerPort = 3004;
constexpr int ListenerBufferSize = 65536;

class UdpDataHandler : public QObject {
  Q_OBJECT
 public:
  explicit UdpDataHandler(quint16 port);
  ~UdpDataHandler() override;
  // Binds the port on the listener thread; false with the socket's error text.
  bool activate(QString* error);
  bool isBound() const { return bound_; }

 private:
  quint16 port_;
  bool bound_ = false;
  QThread thread_;
  QObject* receiver_ = nullptr;  // lives on thread_, owns the socket
};

// The one listener, null until started. Lives until the program ends.
extern UdpDataHandler* UdpListener;

// Starts the listener when the command line asks for it. False (with the socket's error
// text) when the port cannot be bound; true otherwise, also when not asked.
bool StartListener(QString* error);
