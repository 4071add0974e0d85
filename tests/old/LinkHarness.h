#pragma once

// A main window on a temporary settings folder, talking to a TCP peer on the loopback address that the
// test drives: what the link and command-line tests stand on.

#include "gui/Dialogs.h"
#include "gui/MainWindow.h"
#include "core/files/Profile.h"
#include "core/link/TargetLink.h"

#include <QHostAddress>
#include <QLabel>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <QtTest>

#include <memory>

constexpr int Timeout = 10000; // ms: generous, so a loaded machine does not fail a test

// Answers every dialog with "cancel" and counts that it was asked: the link never asks anything.
class SilentDialogs : public Dialogs {
public:
    int asked = 0;
    void warning(QWidget*, const QString&, const QString&) override { ++asked; }
    bool question(QWidget*, const QString&, const QString&) override {
        ++asked;
        return false;
    }
    std::optional<QString> inputText(QWidget*, const QString&, const QString&) override {
        ++asked;
        return std::nullopt;
    }
    std::optional<QString> openFile(QWidget*, const QString&, const QString&, const QString&) override {
        ++asked;
        return std::nullopt;
    }
    std::optional<QString> saveFile(QWidget*, const QString&, const QString&, const QString&,
                                    const QString&) override {
        ++asked;
        return std::nullopt;
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

// The main window in English with the given port and host, connecting or not from the start.
class WindowHarness {
    // First, so they outlive the window.
    QTemporaryDir m_settings;
    QTemporaryDir m_program;

public:
    explicit WindowHarness(const QString& port, bool connect,
                           const QString& host = QStringLiteral("127.0.0.1")) {
        const QString ini = m_settings.path() + QStringLiteral("/Setup.ini");
        const QString section = QStringLiteral("SETTINGS");
        WriteProfileValue(section, QStringLiteral("Port"), port, ini);
        WriteProfileValue(section, QStringLiteral("Name"), host, ini);
        WriteProfileValue(section, QStringLiteral("Connect"),
                          connect ? QStringLiteral("1") : QStringLiteral("0"), ini);
        WriteProfileValue(section, QStringLiteral("Language"), QStringLiteral("1"), ini);
        WriteProfileValue(section, QStringLiteral("SelTab"), QStringLiteral("1"), ini);
        MainWindowEnvironment environment;
        environment.settingsFolder = m_settings.path();
        environment.programFolder = m_program.path();
        environment.dialogs = &dialogs;
        window = std::make_unique<MainWindow>(environment);
        window->show();
    }

    const MainWindowUi& ui() const { return window->ui(); }

    SilentDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

inline QString stateLine(const MainWindowUi& ui) {
    return ui.labState->text();
}

// Waits until the link is connected to the peer and the state tick has shown it.
#define LINK_WAIT_CONNECTED(h, peer)                                                                         \
    do {                                                                                                     \
        QTRY_VERIFY_WITH_TIMEOUT((h).window->link()->State() == TargetLink::Connected && (peer).connected(), \
                                 Timeout);                                                                   \
        QTRY_COMPARE_WITH_TIMEOUT(stateLine((h).ui()), QStringLiteral("State: Connected."), Timeout);        \
    } while (false)
