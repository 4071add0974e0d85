#pragma once

#include "DeviceInterpreter.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QQueue>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTimer>

#include <memory>

class QTcpServer;
class QTcpSocket;

Q_DECLARE_LOGGING_CATEGORY(lcDevsim)

struct ServerOptions {
    quint16 port = 6060;
    // Empty: the loopback addresses (127.0.0.1, ::1 and those the local host name resolves to).
    QList<QHostAddress> bindAddresses;
    int deviceType = 0;
    // Fault modes.
    int replyDelayMs = 0;
    bool noColon = false;
    bool split = false;
    int cutAfter = 0; // 0: off; else the first part of each reply holds this many bytes
    bool cutAfterColon = false;
    int splitPauseMs = 200; // between the two parts of a split or cut reply
    int closeAfter = 0;     // 0: never
    bool silent = false;
};

// One connected client: cuts what arrives into commands, hands them to the shared interpreter and sends the
// replies in order, applying the fault modes.
class ClientSession : public QObject {
    Q_OBJECT
public:
    ClientSession(QTcpSocket* socket, int id, DeviceInterpreter& interpreter, const ServerOptions& options,
                  QObject* parent);

    // What one read may take in at most; a longer command is refused in pieces.
    static constexpr qint64 MaxReadBytes = 64 * 1024;
    // Replies a client does not read are dropped with the client beyond this.
    static constexpr qint64 MaxUnsentBytes = 4 * 1024 * 1024;

private:
    struct Outgoing {
        QByteArray first;
        QByteArray second; // sent after the split pause; empty when the reply is sent in one piece
        qint64 due = 0;    // on m_clock
        bool close = false;
    };

    void readCommands();
    void handleCommand(QStringView command);
    void enqueue(Outgoing item);
    void sendDue();
    void dropClient(const QString& reason);
    // Ends the session once, however the connection went.
    void finish();
    QString tag() const;

    QTcpSocket* m_socket;
    int m_id;
    DeviceInterpreter& m_interpreter;
    const ServerOptions& m_options;
    QStringDecoder m_decoder;
    QStringEncoder m_encoder;
    QElapsedTimer m_clock;
    QTimer m_sendTimer;
    QQueue<Outgoing> m_outgoing;
    int m_commandCount = 0;
    bool m_closing = false; // no further commands are taken
    bool m_finished = false;
};

// Listens on the chosen addresses and keeps one session per client; all clients share one device state.
class DeviceServer : public QObject {
    Q_OBJECT
public:
    explicit DeviceServer(const ServerOptions& options, QObject* parent = nullptr);
    ~DeviceServer() override;

    // Starts listening and prints a "listening on" line per address. With no address given, an address that
    // cannot be used is skipped with a warning; a chosen address that cannot be used fails the start.
    bool start(QString* error);

    // The port actually listened on (the ephemeral one when port 0 was asked for).
    quint16 port() const { return m_port; }

    // The loopback addresses to listen on by default.
    static QList<QHostAddress> defaultAddresses();

private:
    void acceptClients(QTcpServer* server);

    ServerOptions m_options;
    std::unique_ptr<DeviceInterpreter> m_interpreter;
    QList<QTcpServer*> m_servers;
    quint16 m_port = 0;
    int m_nextClientId = 1;
};
