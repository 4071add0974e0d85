#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (logout, shutdown, Ctrl+C, kill) into a Qt signal, so that the program
// ends through its normal exit and saves what it would save on Quit. The handler only writes the signal
// number into a pipe; everything else runs on the event loop. One instance at a time; the default actions
// come back when it is destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void onPipeReadable();

    QSocketNotifier* m_notifier = nullptr;
};
