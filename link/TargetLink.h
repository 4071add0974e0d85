#pragma once

#include <QByteArray>
#include <QColor>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QObject>
#include <QString>

struct MainWindowUi;
class QTcpSocket;
class QTimer;

Q_DECLARE_LOGGING_CATEGORY(lcLink)

// The one TCP connection to the device software. It is driven by polling: every tick of timConnect
// (re)connects while the user wants a connection, and the state tick of the main window asks
// RefreshLinkState to show where the socket stands. Owns Winsock1 and timConnect; reads txtPcName,
// txtPort and chkConnect, writes labState, and fills txtPcName from cmdThisSystem.
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
    static constexpr int ConnectIntervalMs = 1000;
    // How long ticks leave an attempt in progress (resolving the host, connecting) alone before they abandon
    // it and start afresh: a slow network gets the time it needs, a hung attempt does not block for ever.
    static constexpr int AttemptTimeoutMs = 10000;

    TargetLink(const MainWindowUi& ui, QObject* parent = nullptr);

    // One of the ten state numbers above.
    int State() const;
    // Commands can go out in this state (1, 2 or 7).
    static bool IsUsable(int state);
    // True while chkConnect is ticked or greyed.
    bool ConnectWanted() const { return m_connectWanted; }

    // Run by every tick of timConnect: (re)connects while wanted and not usable, closes while not wanted.
    // An attempt in progress is left alone until it is older than the attempt timeout. A port that is not a
    // number in 1..65535 leaves the socket closed until the next tick.
    void TryConnect();
    void setAttemptTimeout(int milliseconds) { m_attemptTimeoutMs = milliseconds; }

    // Writes the state caption and colour into labState; returns whether the link is usable.
    bool RefreshLinkState();

    // Hands the bytes to the socket in one write. On failure returns false and, when reason is given,
    // says why in the current language.
    bool send(const QByteArray& bytes, QString* reason);

    // The text of the last socket error ("" after a successful connect); labState shows it as tooltip.
    const QString& lastErrorText() const { return m_lastError; }

    // Text id and colour of a state number 0..9 (for the state line; also used by tests).
    static int StateTextId(int state);
    static QColor StateColour(int state);

signals:
    // Everything that was pending on the socket at one notification, read at once.
    void dataArrived(const QByteArray& bytes);

private:
    void onConnectTick();
    void onReadyRead();
    void onSocketError();
    void onConnected();
    void closeSocket();

    const MainWindowUi& m_ui;
    QTcpSocket* m_socket = nullptr;
    QTimer* m_timConnect = nullptr;
    QString m_lastError;
    QElapsedTimer m_attemptStarted;
    int m_attemptTimeoutMs = AttemptTimeoutMs;
    bool m_connectWanted = false;
    // The socket itself only says "unconnected"; these tell why, until the next connect attempt.
    bool m_peerClosed = false;
    bool m_failed = false;
};
