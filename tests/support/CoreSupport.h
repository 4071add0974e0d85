#pragma once

// What the tests of the core stand on: temporary folders with a Setup.ini, file bytes, a TCP peer on the
// loopback address that a test drives, and the built programs as processes. No widgets here: core tests link
// the core only.

#include "core/files/Platform.h"
#include "core/files/Profile.h"
#include "core/files/Settings.h"
#include "core/link/TargetLink.h"
#include "core/scripts/ScriptLine.h"

#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

constexpr int Timeout = 10000; // ms: generous, so a loaded machine does not fail a test

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "command=description;command=description" as a script.
inline Script script(const QString& text) {
    Script lines;
    for (const QString& line : text.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        lines.append({line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1)});
    return lines;
}

// A clock that shows what the test sets, for a session or a log.
struct FixedClock : UtcClock {
    QDateTime at;
    QDateTime now() const override { return at; }
};

// A settings folder and a program folder of their own for one test.
struct TestFolders {
    QTemporaryDir root;
    TestFolders() {
        QDir(root.path()).mkpath(QStringLiteral("settings"));
        QDir(root.path()).mkpath(QStringLiteral("program"));
    }
    QString settings() const { return root.filePath(QStringLiteral("settings")) + QLatin1Char('/'); }
    QString program() const { return root.filePath(QStringLiteral("program")) + QLatin1Char('/'); }
    QString setupIni() const { return settings() + QStringLiteral("Setup.ini"); }
    QString defaultConfig() const { return settings() + QStringLiteral("DefaultCommandSet.cfg"); }

    // Writes [SETTINGS] keys of Setup.ini, in the order given.
    void writeSetup(const QList<QPair<QString, QString>>& keys) const {
        for (const auto& [key, value] : keys)
            WriteProfileValue(Settings::Section, key, value, setupIni());
    }
};

// The device software's stand-in: accepts connections on 127.0.0.1 and collects what arrives.
class LoopbackPeer {
public:
    LoopbackPeer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++accepted;
                client = socket;
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { received += socket->readAll(); });
            }
        });
    }

    QString portText() const { return QString::number(m_server.serverPort()); }
    bool connected() const { return client && client->state() == QAbstractSocket::ConnectedState; }

    void reply(const QByteArray& bytes) {
        if (client) {
            client->write(bytes);
            client->flush();
        }
    }
    void dropClient() {
        if (client)
            client->close();
    }

    QPointer<QTcpSocket> client;
    QByteArray received;
    int accepted = 0;

private:
    QTcpServer m_server;
};

// Connects the link to the peer (again, after a drop) and waits until both ends are up.
inline bool connectLink(TargetLink& link, const LoopbackPeer& peer) {
    link.setHost(QStringLiteral("127.0.0.1"));
    link.setPort(peer.portText());
    link.setConnectWanted(true);
    link.TryConnect();
    return QTest::qWaitFor([&] { return link.state() == TargetLink::Connected && peer.connected(); },
                           Timeout);
}

// A port on 127.0.0.1 where nobody listens: one the system just gave out and took back.
inline quint16 refusingPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// A port on 127.0.0.1 where a connect stays in progress: the listener never accepts and the one place in its
// queue is taken, so the system drops further connection requests and the client keeps trying.
struct StuckListener {
    StuckListener() {
        server.setListenBacklogSize(0);
        server.listen(QHostAddress::LocalHost, 0);
        server.pauseAccepting();
        filler.connectToHost(QHostAddress::LocalHost, server.serverPort());
    }
    QTcpServer server;
    QTcpSocket filler;
};

// The environment of a program started without a display (or on the offscreen one), its settings folder
// (created) under home.
inline QProcessEnvironment headless(const QString& home, bool offscreen = false) {
    QDir(home).mkpath(QStringLiteral("Veltrix/Telvane"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    if (offscreen)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home);
    return environment;
}

// A running telvane-devsim on a free port, and what it has printed.
class Devsim {
public:
    explicit Devsim(const QStringList& arguments) {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                         [this] { trace += QString::fromUtf8(m_process.readAllStandardOutput()); });
        m_process.start(QStringLiteral(TELVANE_DEVSIM_PATH),
                        arguments + QStringList{QStringLiteral("--port"), QStringLiteral("0")});
    }
    ~Devsim() {
        m_process.kill();
        m_process.waitForFinished(Timeout);
    }
    // The port it listens on, once it is ready; 0 when it does not get there.
    quint16 port() const {
        const QRegularExpression ready(QStringLiteral("^ready: "), QRegularExpression::MultilineOption);
        const QRegularExpression listening(QStringLiteral("^listening on [^\\n]+:(\\d+)$"),
                                           QRegularExpression::MultilineOption);
        const bool started = QTest::qWaitFor([&] { return ready.match(trace).hasMatch(); }, Timeout);
        return started ? listening.match(trace).captured(1).toUShort() : 0;
    }
    bool running() const { return m_process.state() == QProcess::Running; }

    QString trace;

private:
    QProcess m_process;
};
