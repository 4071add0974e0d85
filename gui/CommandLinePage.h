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
    // Puts a command into txtSend: one the assistant built, or the one a run is sending.
    void setCommandText(const QString& text);
    // cmdSend is enabled only while the link is usable and txtSend holds text.
    void setLinkUsable(bool usable);

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
    bool m_linkUsable = false;
};
