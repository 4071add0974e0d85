#pragma once

// What the tests of the core stand on: temporary folders with a Setup.ini, file bytes, and a TCP peer on the
// loopback address that a test drives. No widgets here: core tests link the core only.

#include "core/files/Profile.h"
#include "core/files/Settings.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

constexpr int Timeout = 10000; // ms: generous, so a loaded machine does not fail a test

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

    bool listening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    QString portText() const { return QString::number(port()); }
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
