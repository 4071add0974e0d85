#pragma once

#include "core/link/CommandHistory.h"
#include "gui/Layout.h"

#include <QStringList>
#include <QWidget>

class Dialogs;
class LogFindBar;
class LogTools;
class MessageLog;
class QCompleter;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStringListModel;
class QTableView;
class QTimer;
class Session;

// Tab 1, "Command line": the command box txtSend with its send button, and the message log lsvMsg with its
// tools. Sends go through the session; the log shows the session's rows and follows the newest one. Up and
// Down in txtSend walk the commands sent before; the command word is completed from the catalogue.
class CommandLinePage : public QWidget {
    Q_OBJECT

public:
    CommandLinePage(Session* session, Dialogs& dialogs, QPoint pageOffset, QWidget* parent = nullptr);

    void retranslate();

    // The click of cmdSend: sends the text of txtSend. Returns whether it went out.
    bool SendCommandLine();
    // Puts a command into txtSend, such as one the assistant built.
    void setCommandText(const QString& text);
    // The command a run is sending: shown at once, or at the end of the interval when one was shown less
    // than an interval ago (setText lays the line out anew, which costs more than a fast device's round
    // trip, and nobody reads faster). showRunCommandNow shows the last one at the run's end.
    void showRunCommand(const QString& text);
    void showRunCommandNow();
    // cmdSend is enabled only while the link is usable and txtSend holds text.
    void setLinkUsable(bool usable);
    // Received rows that hold this text are marked in lsvMsg; "" marks none.
    void setErrorText(const QString& text);

    // The command words offered for completion (those of the current device type).
    void setCommandWords(const QStringList& words);
    CommandHistory& history() { return m_history; }
    LogTools* logTools() const { return m_tools; }

    // Lays the page out for a window this much larger than its default size.
    void setGrowth(QSize growth);

signals:
    // cmdCreateCommand1: the assistant is wanted, with the query commands.
    void assistantRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateSendButton();
    void showReceiveTitle();
    void deleteList();
    void offerCompletion();
    void takeCompletion(const QString& word);
    bool completing() const;

    Session* m_session;
    MessageLog* m_log;
    QGroupBox* fraSend = nullptr;
    QPushButton* cmdCreateCommand1 = nullptr;
    QLineEdit* txtSend = nullptr;
    QPushButton* cmdSend = nullptr;
    QGroupBox* fraReceive = nullptr;
    QTableView* lsvMsg = nullptr;
    QPushButton* cmdDeleteList = nullptr;
    LogFindBar* m_findBar = nullptr;
    QLabel* labInfo2 = nullptr;
    LogTools* m_tools = nullptr;
    QCompleter* m_completer = nullptr;
    QStringListModel* m_words = nullptr;
    CommandHistory m_history;
    Layout::Growth m_growth;
    QTimer* m_runCommandTimer = nullptr;
    QString m_runCommand;
    bool m_linkUsable = false;
};
