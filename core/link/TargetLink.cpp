#include "core/link/TargetLink.h"

#include "core/texts/Texts.h"

#include <QTcpSocket>
#include <QTimer>

Q_LOGGING_CATEGORY(lcLink, "telvane.link", QtWarningMsg)

TargetLink::TargetLink(QObject* parent)
    : QObject(parent) {
    m_socket = new QTcpSocket(this);
    m_socket->setObjectName(QStringLiteral("Winsock1"));
    connect(m_socket, &QTcpSocket::readyRead, this, &TargetLink::onReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &TargetLink::onSocketError);
    connect(m_socket, &QTcpSocket::connected, this, &TargetLink::onConnected);
    connect(m_socket, &QTcpSocket::stateChanged, this, &TargetLink::reportState);

    m_timConnect = new QTimer(this);
    m_timConnect->setObjectName(QStringLiteral("timConnect"));
    m_timConnect->setInterval(ConnectIntervalMs);
    connect(m_timConnect, &QTimer::timeout, this, &TargetLink::onConnectTick);
    m_timConnect->start();
}

int TargetLink::state() const {
    switch (m_socket->state()) {
    case QAbstractSocket::UnconnectedState:
        return m_peerClosed ? PeerClosing : m_failed ? Failed : Closed;
    case QAbstractSocket::HostLookupState:
        return ResolvingHost;
    case QAbstractSocket::ConnectingState:
        return Connecting;
    case QAbstractSocket::ConnectedState:
        return Connected;
    case QAbstractSocket::BoundState:
        return Open;
    case QAbstractSocket::ListeningState:
        return Listening;
    case QAbstractSocket::ClosingState:
        return PeerClosing;
    }
    return Closed;
}

bool TargetLink::isUsable(int state) {
    return state == Open || state == Listening || state == Connected;
}

TextId TargetLink::stateTextId(int state) {
    return state >= 0 && state < StateCount ? TextId::StateClosed + state : TextId::StateClosed;
}

std::optional<quint16> TargetLink::portNumber(QStringView text) {
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    return static_cast<quint16>(port);
}

void TargetLink::onConnectTick() {
    // Stop and restart, so the next attempt comes a full interval after this one ends.
    m_timConnect->stop();
    TryConnect();
    m_timConnect->start();
}

void TargetLink::TryConnect() {
    const int current = state();
    if (m_connectWanted && !isUsable(current)) {
        const bool inProgress = current == ResolvingHost || current == Connecting;
        if (inProgress && !m_attemptStarted.hasExpired(m_attemptTimeoutMs))
            return;
        // Whatever is left (an attempt that took too long, a failed one, one the peer closed) is dropped and
        // retried.
        closeSocket();
        const std::optional<quint16> port = portNumber(m_port);
        if (!port) {
            qCDebug(lcLink) << "not connecting: port" << m_port << "is not a port number";
            return;
        }
        qCDebug(lcLink) << "connecting to" << m_host << *port;
        m_attemptStarted.start();
        m_socket->connectToHost(m_host, *port);
    } else if (!m_connectWanted) {
        closeSocket();
    }
}

void TargetLink::closeSocket() {
    m_socket->abort();
    m_peerClosed = false;
    m_failed = false;
    reportState();
}

void TargetLink::reportState() {
    const int now = state();
    if (now == m_reportedState)
        return;
    m_reportedState = now;
    emit stateChanged(now);
}

bool TargetLink::send(const QByteArray& bytes, QString* reason) {
    if (!isUsable()) {
        if (reason)
            *reason = GetText(TextId::NotSentNoConnection);
        return false;
    }
    const qint64 written = m_socket->write(bytes);
    if (written != bytes.size()) {
        if (reason)
            *reason = filledText(TextId::NotSentSocket, {m_socket->errorString()});
        return false;
    }
    // Out now rather than at the next event-loop pass: the runner's turnaround depends on it.
    m_socket->flush();
    return true;
}

void TargetLink::onReadyRead() {
    const QByteArray bytes = m_socket->readAll();
    if (!bytes.isEmpty())
        emit dataArrived(bytes);
}

void TargetLink::onSocketError() {
    const QAbstractSocket::SocketError error = m_socket->error();
    qCDebug(lcLink) << "socket error" << error << m_socket->errorString();
    if (error == QAbstractSocket::RemoteHostClosedError)
        m_peerClosed = true;
    else
        m_failed = true;
    m_lastError = m_socket->errorString();
    m_lastErrorKind = error;
    emit errorTextChanged(m_lastError);
    reportState();
}

void TargetLink::onConnected() {
    // Commands are short and answered one by one: do not let Nagle hold them back.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_lastError.clear();
    m_lastErrorKind = QAbstractSocket::UnknownSocketError;
    emit errorTextChanged(m_lastError);
}
