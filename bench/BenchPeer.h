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
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>

#include <memory>
#include <optional>

// bench-peer, the device software at its fastest, in a process of its own: it answers every arrival at once
// with "<first word of it>: OK", and costs the program under test nothing but the round trip.
// It also prints a figure for each burst of commands. Its output goes to a file: a pipe
// would make this process's event loop, the window's, watch one more descriptor than a user's does.
class PeerProcess {
public:
    PeerProcess() {
        if (!m_output.open())
            return;
        m_process.setProgram(QStringLiteral(BENCH_PEER_PATH));
        m_process.setStandardOutputFile(m_output.fileName());
        m_process.start();
        const QByteArray first = nextLine();
        if (first.startsWith("port "))
            m_port = first.mid(5).trimmed().toUShort();
    }
    ~PeerProcess() {
        m_process.kill();
        m_process.waitForFinished();
    }
    quint16 port() const { return m_port; }

    // Median us per command of the next burst, which must have had the given number of commands.
    std::optional<double> nextFigure(int commands) {
        const QList<QByteArray> words = nextLine().trimmed().split(' ');
        if (words.size() != 3 || words[1].toInt() != commands)
            return std::nullopt;
        return words[2].toDouble();
    }

private:
    QByteArray nextLine() {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            QFile file(m_output.fileName());
            if (file.open(QIODevice::ReadOnly) && file.seek(m_read)) {
                const QByteArray rest = file.readAll();
                const qsizetype end = rest.indexOf('\n');
                if (end >= 0) {
                    m_read += end + 1;
                    return rest.left(end);
                }
            }
            if (clock.hasExpired(60000))
                return {};
            QThread::msleep(5);
        }
    }

    QTemporaryFile m_output;
    QProcess m_process;
    qint64 m_read = 0;
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
