#include "DeviceServer.h"

#include "Console.h"

#include <QHostInfo>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

Q_LOGGING_CATEGORY(lcDevsim, "telvane.devsim", QtWarningMsg)

namespace {

// The device software speaks the Windows ANSI code page; every byte maps to a character and back.
constexpr const char* WireCodec = "windows-1252";

// Sessions hold replies in a queue only while a delay or a split pause runs; a client that floods us with
// commands under a long delay is dropped beyond this.
constexpr qsizetype MaxQueuedReplies = 10000;

// A few attempts for port 0: the ephemeral port of the first address may be taken on another one.
constexpr int EphemeralPortAttempts = 5;

QString hostPort(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? u'[' + address.toString() + u']'
                             : address.toString();
    return host + u':' + QString::number(port);
}

bool isBlankLine(QStringView line) {
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c == u' ' || c == u'\t'; });
}

} // namespace

ClientSession::ClientSession(QTcpSocket* socket, int id, DeviceInterpreter& interpreter,
                             const ServerOptions& options, QObject* parent)
    : QObject(parent)
    , m_socket(socket)
    , m_id(id)
    , m_interpreter(interpreter)
    , m_options(options)
    , m_decoder(WireCodec)
    , m_encoder(WireCodec) {
    m_socket->setParent(this);
    // Bounds what one read can bring in, whatever the client sends.
    m_socket->setReadBufferSize(MaxReadBytes);
    // Replies are small and answer a waiting peer: no Nagle delay, and split parts leave as sent.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_clock.start();
    m_sendTimer.setSingleShot(true);

    connect(m_socket, &QTcpSocket::readyRead, this, &ClientSession::readCommands);
    connect(m_socket, &QTcpSocket::disconnected, this, &ClientSession::finish);
    connect(&m_sendTimer, &QTimer::timeout, this, &ClientSession::sendDue);

    Console::printTimed(tag() + QLatin1String(" connected from ") +
                        hostPort(m_socket->peerAddress(), m_socket->peerPort()));
    // The client may have sent before we were set up.
    if (m_socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &ClientSession::readCommands);
}

QString ClientSession::tag() const {
    return u'#' + QString::number(m_id);
}

void ClientSession::readCommands() {
    while (m_socket->state() == QAbstractSocket::ConnectedState && m_socket->bytesAvailable() > 0) {
        const QByteArray chunk = m_socket->read(MaxReadBytes);
        if (chunk.isEmpty())
            break;
        if (m_closing) {
            qCDebug(lcDevsim) << tag() << "ignores" << chunk.size() << "bytes after its last command";
            continue;
        }
        const QString text = m_decoder.decode(chunk);
        if (!text.contains(u'\r') && !text.contains(u'\n')) {
            // The way Telvane talks: one read is one command, without terminator.
            handleCommand(text);
            continue;
        }
        // A terminal client: each line is a command.
        qsizetype start = 0;
        while (start <= text.size() && !m_closing) {
            qsizetype end = start;
            while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
                ++end;
            const QStringView line = QStringView(text).mid(start, end - start);
            if (!isBlankLine(line))
                handleCommand(line);
            start = end + 1;
        }
    }
}

void ClientSession::handleCommand(QStringView command) {
    ++m_commandCount;
    Console::printTimed(tag() + QLatin1String(" <- ") + Console::printable(command));
    QString reply = m_interpreter.execute(command);
    if (m_options.noColon)
        reply.remove(u':');

    const qint64 due = m_clock.elapsed() + m_options.replyDelayMs;
    if (m_options.silent) {
        Console::printTimed(tag() + QLatin1String(" -- no reply (silent)"));
    } else {
        Outgoing item;
        item.due = due;
        const QByteArray bytes = QByteArray(m_encoder.encode(reply)) + "\r\n";
        qsizetype cut = 0;
        if (m_options.split) {
            // Cut before the colon where there is one, so the first part alone does not look like a reply.
            cut = bytes.indexOf(':');
            if (cut <= 0)
                cut = bytes.size() / 2;
        } else if (m_options.cutAfterColon) {
            // The first part alone already looks like a reply, the rest of it follows.
            cut = bytes.indexOf(':') + 1;
        } else if (m_options.cutAfter > 0) {
            cut = m_options.cutAfter;
        }
        if (cut > 0 && cut < bytes.size()) {
            item.first = bytes.left(cut);
            item.second = bytes.mid(cut);
        } else {
            item.first = bytes;
        }
        enqueue(std::move(item));
    }

    if (m_options.closeAfter > 0 && m_commandCount >= m_options.closeAfter) {
        m_closing = true;
        Outgoing close;
        close.due = due;
        close.close = true;
        enqueue(std::move(close));
    }
}

void ClientSession::enqueue(Outgoing item) {
    if (m_finished)
        return;
    if (m_outgoing.size() >= MaxQueuedReplies) {
        dropClient(QStringLiteral("too many replies waiting"));
        return;
    }
    m_outgoing.enqueue(std::move(item));
    sendDue();
}

void ClientSession::sendDue() {
    const qint64 now = m_clock.elapsed();
    while (!m_outgoing.isEmpty() && m_outgoing.head().due <= now) {
        Outgoing& head = m_outgoing.head();
        if (head.close) {
            m_outgoing.clear();
            m_sendTimer.stop();
            Console::printTimed(tag() + QLatin1String(" closing after ") + QString::number(m_commandCount) +
                                QLatin1String(" commands"));
            // Sends what is still buffered, then closes; "disconnected" follows.
            m_socket->disconnectFromHost();
            return;
        }
        const bool firstPart = !head.first.isEmpty();
        const QByteArray bytes = firstPart ? head.first : head.second;
        QString text = m_decoder.decode(bytes);
        if (text.endsWith(QLatin1String("\r\n")))
            text.chop(2);
        QString shown = Console::printable(text);
        if (!head.second.isEmpty())
            shown += firstPart ? QLatin1String("   (part 1 of 2)") : QLatin1String("   (part 2 of 2)");
        Console::printTimed(tag() + QLatin1String(" -> ") + shown);
        m_socket->write(bytes);
        // Hand it to the system now: a client that has shut its sending side (nc -N) is closed by Qt as
        // soon as the end of its input is seen, and whatever is still buffered here would be lost.
        m_socket->flush();
        if (m_socket->bytesToWrite() > MaxUnsentBytes) {
            dropClient(QStringLiteral("it does not read its replies"));
            return;
        }
        if (firstPart && !head.second.isEmpty()) {
            head.first.clear();
            head.due = now + m_options.splitPauseMs;
        } else {
            m_outgoing.dequeue();
        }
    }
    if (!m_outgoing.isEmpty())
        m_sendTimer.start(static_cast<int>(std::max<qint64>(0, m_outgoing.head().due - now)));
}

void ClientSession::dropClient(const QString& reason) {
    Console::printTimed(tag() + QLatin1String(" dropped: ") + reason);
    m_closing = true;
    m_outgoing.clear();
    m_sendTimer.stop();
    m_socket->abort();
    finish();
}

void ClientSession::finish() {
    if (m_finished)
        return;
    m_finished = true;
    m_sendTimer.stop();
    Console::printTimed(tag() + QLatin1String(" disconnected"));
    deleteLater();
}

DeviceServer::DeviceServer(const ServerOptions& options, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_interpreter(std::make_unique<DeviceInterpreter>(options.deviceType)) {}

DeviceServer::~DeviceServer() = default;

QList<QHostAddress> DeviceServer::defaultAddresses() {
    QList<QHostAddress> addresses{QHostAddress(QHostAddress::LocalHost),
                                  QHostAddress(QHostAddress::LocalHostIPv6)};
    // Telvane's first start connects to the local host name, which Debian resolves to 127.0.1.1.
    const QHostInfo info = QHostInfo::fromName(QHostInfo::localHostName());
    for (const QHostAddress& address : info.addresses()) {
        if (address.isLoopback() && !addresses.contains(address))
            addresses.append(address);
    }
    return addresses;
}

bool DeviceServer::start(QString* error) {
    const bool chosen = !m_options.bindAddresses.isEmpty();
    const QList<QHostAddress> addresses = chosen ? m_options.bindAddresses : defaultAddresses();
    const int attempts = m_options.port == 0 ? EphemeralPortAttempts : 1;

    QString problem;
    for (int attempt = 0; attempt < attempts && m_servers.isEmpty(); ++attempt) {
        quint16 port = m_options.port;
        bool retry = false;
        for (const QHostAddress& address : addresses) {
            auto* server = new QTcpServer(this);
            if (server->listen(address, port)) {
                port = server->serverPort();
                m_servers.append(server);
                continue;
            }
            const QAbstractSocket::SocketError code = server->serverError();
            problem = QLatin1String("cannot listen on ") + hostPort(address, port) + QLatin1String(": ") +
                      server->errorString();
            delete server;
            // A default address that this host lacks (no IPv6, say) is skipped.
            const bool unavailable = code == QAbstractSocket::SocketAddressNotAvailableError ||
                                     code == QAbstractSocket::UnsupportedSocketOperationError;
            if (!chosen && unavailable) {
                qCWarning(lcDevsim).noquote() << problem << "(skipped)";
                continue;
            }
            retry = m_options.port == 0 && !m_servers.isEmpty() && code == QAbstractSocket::AddressInUseError;
            qDeleteAll(m_servers);
            m_servers.clear();
            break;
        }
        if (!retry && m_servers.isEmpty())
            break;
        m_port = port;
    }
    if (m_servers.isEmpty()) {
        *error = problem.isEmpty() ? QStringLiteral("no address to listen on") : problem;
        return false;
    }

    for (QTcpServer* server : std::as_const(m_servers)) {
        connect(server, &QTcpServer::newConnection, this, [this, server] { acceptClients(server); });
        Console::print(QLatin1String("listening on ") + hostPort(server->serverAddress(), m_port));
    }
    QStringList faults;
    if (m_options.replyDelayMs > 0)
        faults << QLatin1String("reply-delay ") + QString::number(m_options.replyDelayMs);
    if (m_options.noColon)
        faults << QStringLiteral("no-colon");
    if (m_options.split)
        faults << QLatin1String("split ") + QString::number(m_options.splitPauseMs);
    if (m_options.cutAfter > 0)
        faults << QLatin1String("cut-after ") + QString::number(m_options.cutAfter) + QLatin1String(" ") +
                      QString::number(m_options.splitPauseMs);
    if (m_options.cutAfterColon)
        faults << QLatin1String("cut-after-colon ") + QString::number(m_options.splitPauseMs);
    if (m_options.closeAfter > 0)
        faults << QLatin1String("close-after ") + QString::number(m_options.closeAfter);
    if (m_options.silent)
        faults << QStringLiteral("silent");
    Console::print(QLatin1String("ready: device type ") + QString::number(m_interpreter->deviceType()) +
                   QLatin1String(" (") + m_interpreter->deviceName() + QLatin1String("), fault modes: ") +
                   (faults.isEmpty() ? QStringLiteral("none") : faults.join(QLatin1String(", "))));
    return true;
}

void DeviceServer::acceptClients(QTcpServer* server) {
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        // The session deletes itself when its client goes.
        new ClientSession(socket, m_nextClientId++, *m_interpreter, m_options, this);
    }
}
