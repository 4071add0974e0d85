// bench-minimal-client: the reference for bench_runner, the least a Qt program can do to run commands one
// by one: an event-driven QTcpSocket that sends the next command when a reply with ':' arrives.
//
// usage: bench-minimal-client PORT COMMANDS

#include <QByteArrayList>
#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpSocket>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 1;
    const auto port = static_cast<quint16>(QByteArray(argv[1]).toUInt());
    const int count = QByteArray(argv[2]).toInt();
    QByteArrayList commands;
    for (int i = 0; i < count; ++i)
        commands.append("SP " + QByteArray::number(i % 100) + ' ' + QByteArray::number(i % 32));

    QTcpSocket socket;
    int next = 0;
    auto sendNext = [&] {
        socket.write(commands[next++]);
        socket.flush();
    };
    QObject::connect(&socket, &QTcpSocket::connected, &app, [&] {
        socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        sendNext();
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, &app, [&] {
        if (!socket.readAll().contains(':'))
            return;
        if (next < count)
            sendNext();
        else
            QCoreApplication::quit();
    });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &app, [] { QCoreApplication::exit(2); });
    socket.connectToHost(QHostAddress::LocalHost, port);
    return QCoreApplication::exec();
}
