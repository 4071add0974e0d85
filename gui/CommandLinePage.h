#pragma once

#include "core/catalogue/CommandCompletion.h"
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
// Down in txtSend walk the commands sent before, Ctrl+R searches them; the command word is completed from
// the catalogue and the history, and the parameters of a command word typed out show beneath.
class CommandLinePage : public QWidget {
    Q_OBJECT

public:
    CommandLinePage(Session* session, Dialogs& dialogs, QPoint pageOffset, QWidget* parent = nullptr);

    void retranslate();

    // The click of cmdSend: sends the text of txtSend. Returns whether it went out.
    bool SendCommandLine();
    // Puts a command into txtSend, such as one the assistant built.
    void setCommandText(const QString& text);
    // Puts the focus into txtSend, such as after the assistant has filled it.
    void focusCommandText();
    // The command a run is sending: shown at once, or at the end of the interval when one was shown less
    // than an interval ago (setText lays the line out anew, which costs more than a fast device's round
    // trip, and nobody reads faster). showRunCommandNow shows the last one at the run's end.
    void showRunCommand(const QString& text);
    void showRunCommandNow();
    // cmdSend is enabled only while the link is usable and txtSend holds text.
    void setLinkUsable(bool usable);
    // Received rows that hold this text are marked in lsvMsg; "" marks none.
    void setErrorText(const QString& text);

    // The catalogue records of the current device type (commands and queries), for completion and hints.
    void setCommandCatalogue(const QStringList& records);
    CommandHistory& history() { return m_history; }
    // The log's tools, whose long work the status strip shows and cancels.
    LogTools* logTools() const { return m_tools; }

    // Lays the page out for a window this much larger than its default size.
    void setGrowth(QSize growth);

signals:
    // cmdCreateCommand1: the assistant is wanted, with the query commands.
    void assistantRequested();
    // The user sent this text from the command line; it belongs in the history file.
    void commandEntered(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateSendButton();
    void showReceiveTitle();
    void deleteList();
    void offerCompletion();
    void showOffers(const QStringList& offers, int currentRow);
    void hideOffers();
    void takeOffer(int row);
    bool completing() const;
    void searchHistory(int row);
    void endSearch();
    void updateHint();

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
    QLabel* labCommandHint = nullptr;
    QCompleter* m_completer = nullptr;
    QStringListModel* m_offers = nullptr; // what the list shows
    QStringList m_offerTexts;             // what each row stands for
    CommandCompletion m_completion;
    bool m_inList = false;    // the user moved into the offers with Up or Down, so Enter takes one
    bool m_searching = false; // Ctrl+R: the offers are the history's commands holding the text
    CommandHistory m_history;
    Layout::Growth m_growth;
    QTimer* m_runCommandTimer = nullptr;
    QString m_runCommand;
    bool m_linkUsable = false;
};
