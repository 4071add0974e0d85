#pragma once

#include <QByteArrayView>
#include <QString>

// telvane-run's standard output, which is often a file or a pipe: a write that fails (a full disk, a reader
// that went away) is remembered with its cause instead of lost, so the run can end on it.
class StandardOutput {
public:
    // Buffered; false once any write or flush has failed.
    bool write(QByteArrayView bytes);
    bool flush();
    bool failed() const { return m_failed; }
    // The system's words for the first failure.
    const QString& error() const { return m_error; }

private:
    bool fail();

    bool m_failed = false;
    QString m_error;
};

// "telvane-run: message" on standard error.
void printError(const QString& message);
