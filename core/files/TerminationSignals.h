#pragma once

#include <QObject>

// Turns SIGTERM, SIGINT and SIGHUP (logout, shutdown, Ctrl+C, kill) into a Qt signal, so that the program
// ends through its normal exit and saves what it would save on Quit. The handler only writes the signal
// number into a pipe; everything else runs on the event loop. One instance at a time; the default actions
// come back when it is destroyed.
//
// Each platform implements this in a file of its own, which CMake picks (TerminationSignalsPosix.cpp here).
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // A write beyond a file-size limit then fails with an error the program reports, instead of the signal
    // ending the program before it could say so. Called once at start.
    static void ignoreFileSizeLimitSignal();

signals:
    void received(int signalNumber);

private:
    void onPipeReadable();

    QObject* m_notifier = nullptr; // what the platform watches for signals with; null when not watching
};
