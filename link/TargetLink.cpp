#include "link/TargetLink.h"

#include "app/MainWindowUi.h"
#include "app/Platform.h"
#include "app/Texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>

#include <array>

Q_LOGGING_CATEGORY(lcLink, "telvane.link", QtWarningMsg)

namespace {
constexpr int StateTextIdBase = 3104; // "Port closed." .. "Error occured while connecting." follow in order
constexpr int StateCaptionId = 3103;
constexpr int NoConnectionId = 3126;
constexpr int SocketRefusedId = 3127;
constexpr int StateCount = 10;

// Dark enough to be read on the window background (contrast at least 4.5:1 against Fusion's #efefef).
const QColor Black(0, 0, 0);
const QColor Green(0, 120, 0);
const QColor Magenta(176, 0, 176);
const QColor Red(192, 0, 0);
} // namespace

TargetLink::TargetLink(const MainWindowUi& ui, QObject* parent)
    : QObject(parent)
    , m_ui(ui) {
    m_socket = new QTcpSocket(this);
    m_socket->setObjectName(QStringLiteral("Winsock1"));
    connect(m_socket, &QTcpSocket::readyRead, this, &TargetLink::onReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &TargetLink::onSocketError);
    connect(m_socket, &QTcpSocket::connected, this, &TargetLink::onConnected);

    m_connectWanted = m_ui.chkConnect->checkState() != Qt::Unchecked;
    connect(m_ui.chkConnect, &QCheckBox::stateChanged, this,
            [this](int state) { m_connectWanted = state != Qt::Unchecked; });
    connect(m_ui.cmdThisSystem, &QPushButton::clicked, this,
            [this] { m_ui.txtPcName->setText(Platform::LocalHostName()); });

    m_timConnect = new QTimer(this);
    m_timConnect->setObjectName(QStringLiteral("timConnect"));
    m_timConnect->setInterval(ConnectIntervalMs);
    connect(m_timConnect, &QTimer::timeout, this, &TargetLink::onConnectTick);
    m_timConnect->start();
}

int TargetLink::State() const {
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

bool TargetLink::IsUsable(int state) {
    return state == Open || state == Listening || state == Connected;
}

int TargetLink::StateTextId(int state) {
    return state >= 0 && state < StateCount ? StateTextIdBase + state : 0;
}

QColor TargetLink::StateColour(int state) {
    static const std::array<QColor, StateCount> colours = {Black,   Green,   Green, Magenta, Magenta,
                                                           Magenta, Magenta, Green, Magenta, Red};
    return state >= 0 && state < StateCount ? colours[static_cast<std::size_t>(state)] : QColor();
}

void TargetLink::onConnectTick() {
    // Stop and restart, so the next attempt comes a full interval after this one ends.
    m_timConnect->stop();
    TryConnect();
    m_timConnect->start();
}

void TargetLink::TryConnect() {
    const int state = State();
    if (m_connectWanted && !IsUsable(state)) {
        // Whatever is under way (resolving, connecting, failed, closed by the peer) is dropped and retried.
        closeSocket();
        bool ok = false;
        const uint port = m_ui.txtPort->text().trimmed().toUInt(&ok);
        if (!ok || port == 0 || port > 65535) {
            qCDebug(lcLink) << "not connecting: port" << m_ui.txtPort->text() << "is not a port number";
            return;
        }
        qCDebug(lcLink) << "connecting to" << m_ui.txtPcName->text() << port;
        m_socket->connectToHost(m_ui.txtPcName->text(), static_cast<quint16>(port));
    } else if (!m_connectWanted) {
        closeSocket();
    }
}

void TargetLink::closeSocket() {
    m_socket->abort();
    m_peerClosed = false;
    m_failed = false;
}

bool TargetLink::RefreshLinkState() {
    const int state = State();
    QString caption = GetText(StateCaptionId) + QStringLiteral(": ");
    if (state >= 0 && state < StateCount) {
        caption += GetText(StateTextId(state));
        const QColor colour = StateColour(state);
        if (m_ui.labState->palette().color(QPalette::WindowText) != colour) {
            QPalette palette = m_ui.labState->palette();
            palette.setColor(QPalette::WindowText, colour);
            m_ui.labState->setPalette(palette);
        }
    }
    m_ui.labState->setText(caption);
    return IsUsable(state);
}

bool TargetLink::send(const QByteArray& bytes, QString* reason) {
    if (!IsUsable(State())) {
        if (reason)
            *reason = GetText(NoConnectionId);
        return false;
    }
    const qint64 written = m_socket->write(bytes);
    if (written != bytes.size()) {
        if (reason) {
            QString text = GetText(SocketRefusedId);
            *reason = FillPlaceholders(text, {m_socket->errorString()});
        }
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
    m_ui.labState->setToolTip(m_lastError);
}

void TargetLink::onConnected() {
    // Commands are short and answered one by one: do not let Nagle hold them back.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_lastError.clear();
    m_ui.labState->setToolTip(QString());
}
