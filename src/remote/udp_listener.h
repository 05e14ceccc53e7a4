// The UDP listener: started by the switch "\P" (either case) as the first argument, it
// binds UDP port 3004 on every local address and drops every datagram, on a thread of its
// own. It answers nothing and touches no state of the program.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

class QUdpSocket;

constexpr quint16 ListenerPort = 3004;
constexpr int ListenerBufferSize = 65536;

class UdpDataHandler : public QObject {
  Q_OBJECT
 public:
  explicit UdpDataHandler(quint16 port);
  ~UdpDataHandler() override;
  // Binds the port on the listener thread; false with the socket's error text. After a
  // failure the thread has ended again.
  bool activate(QString* error);
  bool isBound() const { return bound_; }
  QString errorString() const { return error_; }

 private:
  quint16 port_;
  bool bound_ = false;
  QString error_;
  QThread thread_;
  QObject* receiver_ = nullptr;  // lives on thread_, owns the socket
};

// The one listener, null until started; also kept when the bind failed. Lives until the
// program ends.
extern UdpDataHandler* UdpListener;

// Whether an argument list (program name first) asks for the listener: its first argument
// after the program name is exactly "\P" or "\p". Further arguments do not count.
bool ListenerAsked(const QStringList& arguments);

// The argument list StartListener reads: the process's own as it was started (Qt's own
// options, which the application object removes, included), or the list given here;
// nullptr goes back to the process's own. For tests.
void UseListenerArguments(const QStringList* arguments);

// Starts the listener when the command line asks for it. False (with the socket's error
// text) when the port cannot be bound; true otherwise, also when not asked.
bool StartListener(QString* error);

// Ends the listener and releases its port. The program never does (the listener ends with
// the process); tests do, between cases.
void StopListener();
// No listener and the process's own arguments, as at program start.
void ResetListener();
