#pragma once

#include <QWidget>

class MessageLog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class Session;

// Tab 1, "Command line": the command box txtSend with its send button, and the message log lsvMsg. Sends go
// through the session; the log shows the session's rows and follows the newest one.
class CommandLinePage : public QWidget {
    Q_OBJECT

public:
    CommandLinePage(Session* session, QPoint pageOffset, QWidget* parent = nullptr);

    void retranslate();

    // The click of cmdSend: sends the text of txtSend. Returns whether it went out.
    bool SendCommandLine();
    // Puts a command into txtSend: one the assistant built, or the one a run is sending.
    void setCommandText(const QString& text);
    // cmdSend is enabled only while the link is usable and txtSend holds text.
    void setLinkUsable(bool usable);
    // Received rows that hold this text are marked in lsvMsg; "" marks none.
    void setErrorText(const QString& text);

signals:
    // cmdCreateCommand1: the assistant is wanted, with the query commands.
    void assistantRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateSendButton();
    void deleteList();
    void showNewestRow();

    Session* m_session;
    MessageLog* m_log;
    QGroupBox* fraSend = nullptr;
    QPushButton* cmdCreateCommand1 = nullptr;
    QLineEdit* txtSend = nullptr;
    QPushButton* cmdSend = nullptr;
    QGroupBox* fraReceive = nullptr;
    QTableView* lsvMsg = nullptr;
    QPushButton* cmdDeleteList = nullptr;
    QLabel* labInfo2 = nullptr;
    bool m_linkUsable = false;
    bool m_newestRowPending = false; // rows came while lsvMsg was out of sight
};
