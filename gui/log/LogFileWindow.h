#pragma once

#include "core/link/LogReader.h"

#include <QString>
#include <QWidget>

class Dialogs;
class LogFindBar;
class LogTools;
class MessageLog;
class QLabel;
class QProgressBar;
class QTableView;

// A log file opened again (a capture, or a log saved as JSON Lines or CSV), read-only in a window of its
// own, with the live log's find, detail view, copy and save. The file is read in the background with its
// progress shown; a file that is not a log closes the window with a message naming the line that failed.
class LogFileWindow : public QWidget {
    Q_OBJECT

public:
    LogFileWindow(const QString& path, Dialogs& dialogs, QWidget* parent = nullptr);
    ~LogFileWindow() override;

    // Asks for a file in the folder (the last one used, kept in *folder) and opens it; nullptr on Cancel.
    static LogFileWindow* ask(QWidget* parent, Dialogs& dialogs, QString* folder);

    MessageLog* log() const { return m_log; }
    bool loading() const;

signals:
    void loaded(const LogReader::Result& result);

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();
    void onFinished(const LogReader::Result& result);
    QString faultText(const LogReader::Result& result) const;

    QString m_path;
    Dialogs& m_dialogs;
    MessageLog* m_log = nullptr;
    LogFileLoader* m_loader = nullptr;
    QTableView* lsvLogFile = nullptr;
    LogFindBar* m_findBar = nullptr;
    LogTools* m_tools = nullptr;
    QProgressBar* prgLogFile = nullptr;
    QLabel* labLogFile = nullptr;
    LogReader::Result m_result;
    bool m_done = false;
};
