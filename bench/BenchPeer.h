#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

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
