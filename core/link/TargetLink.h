#pragma once

#include "core/texts/TextId.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QObject>
#include <QString>

#include <optional>

class QTcpSocket;
class QTimer;

Q_DECLARE_LOGGING_CATEGORY(lcLink)

// The one TCP connection to the device software (Winsock1). Every tick of timConnect (re)connects while a
// connection is wanted. Host, port and the wish to be connected are set from outside; where the socket
// stands is reported as one of ten state numbers, by signal whenever the number changes.
class TargetLink : public QObject {
    Q_OBJECT

public:
    // The state numbers the state line shows (the classic socket control's numbering).
    enum LinkState : int {
        Closed = 0,
        Open = 1,
        Listening = 2,
        ConnectionPending = 3,
        ResolvingHost = 4,
        HostResolved = 5,
        Connecting = 6,
        Connected = 7,
        PeerClosing = 8,
        Failed = 9,
    };
    static constexpr int StateCount = 10;
    static constexpr int ConnectIntervalMs = 1000;
    // How long ticks leave an attempt in progress (resolving the host, connecting) alone before they abandon
    // it and start afresh: a slow network gets the time it needs, a hung attempt does not block for ever.
    static constexpr int AttemptTimeoutMs = 10000;

    explicit TargetLink(QObject* parent = nullptr);

    // Taken by the next connect attempt; a change does not touch a connection that is up.
    void setHost(const QString& host) { m_host = host; }
    // The port as typed; an attempt with anything but a port number (see portNumber) leaves the socket
    // closed.
    void setPort(const QString& port) { m_port = port; }
    // The one port rule: a number 1..65535, blanks around it allowed; nullopt for anything else.
    static std::optional<quint16> portNumber(QStringView text);
    // ConnectWanted: while true every tick connects when the link is not usable; false closes it.
    void setConnectWanted(bool wanted) { m_connectWanted = wanted; }
    bool ConnectWanted() const { return m_connectWanted; }
    const QString& host() const { return m_host; }
    const QString& port() const { return m_port; }

    // One of the ten state numbers above.
    int state() const;
    // Commands can go out in this state (1, 2 or 7).
    static bool isUsable(int state);
    bool isUsable() const { return isUsable(state()); }
    // The text of a state number 0..9.
    static TextId stateTextId(int state);

    // Run by every tick of timConnect: (re)connects while wanted and not usable, closes while not wanted.
    // An attempt in progress is left alone until it is older than the attempt timeout.
    void TryConnect();
    void setAttemptTimeout(int milliseconds) { m_attemptTimeoutMs = milliseconds; }

    // Hands the bytes to the socket in one write. On failure returns false and says why in the current
    // language.
    bool send(const QByteArray& bytes, QString* reason);

    // The text of the last socket error ("" after a successful connect), and its kind
    // (UnknownSocketError then), which tells an unknown host from a refused connection.
    const QString& lastErrorText() const { return m_lastError; }
    QAbstractSocket::SocketError lastError() const { return m_lastErrorKind; }

signals:
    // Everything that was pending on the socket at one notification, read at once.
    void dataArrived(const QByteArray& bytes);
    void stateChanged(int state);
    void errorTextChanged(const QString& text);

private:
    void onConnectTick();
    void onReadyRead();
    void onSocketError();
    void onConnected();
    void closeSocket();
    void reportState();

    QTcpSocket* m_socket = nullptr;
    QTimer* m_timConnect = nullptr;
    QString m_host;
    QString m_port;
    QString m_lastError;
    QAbstractSocket::SocketError m_lastErrorKind = QAbstractSocket::UnknownSocketError;
    QElapsedTimer m_attemptStarted;
    int m_attemptTimeoutMs = AttemptTimeoutMs;
    int m_reportedState = Closed;
    bool m_connectWanted = false;
    // The socket itself only says "unconnected"; these tell why, until the next connect attempt.
    bool m_peerClosed = false;
    bool m_failed = false;
};
