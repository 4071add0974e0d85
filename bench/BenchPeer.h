#pragma once

#include "core/files/Profile.h"
#include "core/files/Settings.h"
#include "core/scripts/QuickDialConfig.h"
#include "gui/Dialogs.h"
#include "gui/MainWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

// The device software at its fastest, on its own thread so that it costs the program under test nothing:
// every arrival is answered at once with "<first word of it>: OK".
class ReplyingPeer {
public:
    ReplyingPeer() {
        m_anchor.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_anchor,
            [this] {
                m_server = new QTcpServer;
                m_server->listen(QHostAddress::LocalHost, 0);
                m_port = m_server->serverPort();
                QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] {
                    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                            const QByteArray command = socket->readAll();
                            const qsizetype blank = command.indexOf(' ');
                            socket->write((blank < 0 ? command : command.left(blank)) + ": OK\r\n");
                            socket->flush();
                        });
                    }
                });
            },
            Qt::BlockingQueuedConnection);
    }
    ~ReplyingPeer() {
        QMetaObject::invokeMethod(
            &m_anchor, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    ReplyingPeer(const ReplyingPeer&) = delete;
    ReplyingPeer& operator=(const ReplyingPeer&) = delete;
    quint16 port() const { return m_port; }

private:
    QThread m_thread;
    QObject m_anchor;
    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
};

// Runs the event loop until done() holds or the time runs out; false on time out.
template <typename Done> bool runUntil(Done done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// The main window, shown, on folders of its own: Setup.ini holds the keys given (SETTINGS section) and the
// quick-dial memory the slots given.
class BenchWindow {
public:
    explicit BenchWindow(const QList<QPair<QString, QString>>& setup, const QuickDialSlots& memory = {}) {
        const QString settings = m_dir.filePath(QStringLiteral("settings/"));
        const QString program = m_dir.filePath(QStringLiteral("program/"));
        QDir().mkpath(settings);
        QDir().mkpath(program);
        for (const auto& [key, value] : setup)
            WriteProfileValue(Settings::Section, key, value, settings + QStringLiteral("Setup.ini"));
        saveQuickDialFile(settings + QStringLiteral("DefaultCommandSet.cfg"), memory);
        window = std::make_unique<MainWindow>(MainWindowEnvironment{settings, program, &dialogs});
        window->show();
    }
    // Setup.ini keys that connect to a peer on 127.0.0.1 with the given tab shown.
    static QList<QPair<QString, QString>> connectedTo(quint16 port, int tab) {
        return {{QStringLiteral("Name"), QStringLiteral("127.0.0.1")},
                {QStringLiteral("Port"), QString::number(port)},
                {QStringLiteral("Connect"), QStringLiteral("1")},
                {QStringLiteral("SelTab"), QString::number(tab)}};
    }

private:
    QTemporaryDir m_dir; // first, so it outlives the window

public:
    CancellingDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};
