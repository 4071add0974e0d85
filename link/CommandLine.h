#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

struct MainWindowUi;
class MessageLog;
class TargetLink;

// The command line and the message log: the only way out to the device software and the only way in.
// Owns txtSend, cmdSend, cmdDeleteList and lsvMsg (with its model). cmdCreateCommand1 is left to whoever
// provides the assistant.
class CommandLine : public QObject {
    Q_OBJECT

public:
    CommandLine(const MainWindowUi& ui, TargetLink* link, QObject* parent = nullptr);

    // The click of cmdSend: sends the text of txtSend.
    bool SendCommandLine();
    // Logs a "Set" row with the text, selects and shows it, and hands the text to the link as Windows-1252
    // bytes, exactly as given. Returns whether the bytes went out. A send that fails (no usable link, the
    // socket refuses, or a character Windows-1252 cannot carry) still logs its row, marked as not sent with
    // the reason, and leaves ReplyPending as it was. The script runner sends through here: a command may be
    // longer than txtSend can hold.
    bool sendText(const QString& text);

    // The receive handler: logs one "Get" row for the arrival, line breaks and all, and clears ReplyPending
    // when the data contains ':'.
    void receive(const QByteArray& bytes);

    // True from a successful send until data containing ':' arrives.
    bool ReplyPending() const { return m_replyPending; }
    void setReplyPending(bool pending);

    // From the state tick: cmdSend is enabled only while the link is usable and txtSend holds text.
    void setLinkUsable(bool usable);

    MessageLog* log() const { return m_log; }

signals:
    // Emitted on every change of ReplyPending; the script runner continues when it falls.
    void replyPendingChanged(bool pending);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateSendFromText();
    void onReturnPressed();
    void deleteList();
    void showNewestRow();

    const MainWindowUi& m_ui;
    TargetLink* m_link = nullptr;
    MessageLog* m_log = nullptr;
    bool m_replyPending = false;
    bool m_newestRowPending = false; // rows came while lsvMsg was out of sight
};
