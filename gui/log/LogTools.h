#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QWidget>

class Dialogs;
class LogItemDelegate;
class MessageLog;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;
class QToolButton;

// The find bar under the log: the text to look for, previous and next, match case, what was found, close.
// Hidden until asked for; it sits on the row of cmdDeleteList, so the page looks the same while it is.
class LogFindBar : public QWidget {
    Q_OBJECT

public:
    explicit LogFindBar(QWidget* parent = nullptr);
    void retranslate();

    QString needle() const;
    Qt::CaseSensitivity sensitivity() const;
    void setNotFound(bool notFound);
    // Shows the bar with its text selected and the focus in it.
    void open();

signals:
    void changed();             // the text or match case changed
    void stepped(bool forward); // next (Enter) or previous (Shift+Enter)
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* txtFind = nullptr;
    QToolButton* cmdFindPrevious = nullptr;
    QToolButton* cmdFindNext = nullptr;
    QCheckBox* chkMatchCase = nullptr;
    QLabel* labFindResult = nullptr;
    QToolButton* cmdCloseFind = nullptr;
};

// The log view as a working tool: copy of the selected rows, select all, find, save as CSV or JSON Lines,
// following the newest row (on by default), clear, a row's whole content in a detail view, and the optional
// latency column. The view's context menu offers them; Ctrl+C, Ctrl+A and Ctrl+F work on the view, Ctrl+F
// anywhere in `scope`.
class LogTools : public QObject {
    Q_OBJECT

public:
    LogTools(QTableView* view, MessageLog* log, LogFindBar* findBar, Dialogs& dialogs, QWidget* scope);

    void retranslate();

    // While following, every frame of new rows selects the newest and scrolls to it; otherwise new rows
    // leave the view and the selection alone. Scrolling up by hand, or picking an older row, turns it off;
    // scrolling back to the end, or picking the newest row, turns it on.
    bool following() const { return m_following; }
    void setFollowing(bool on);

    // The selected rows, ascending.
    QList<int> selectedRows() const;
    void copySelection() const;
    void selectAll();
    // Asks for a file and writes the whole log into it; a failure is reported with the file and the reason.
    void saveLog();
    // Selects the next (or previous) row holding the find bar's text, from the current row on.
    void findStep(bool forward);
    // The detail view of the row; returns it (it deletes itself when closed).
    QWidget* openRow(int row);
    void setLatencyShown(bool shown);
    // A log that takes no new rows (a file opened again): no following, no clearing.
    void setReadOnly(bool readOnly);
    // Further entries at the end of the view's menu; their keys work on the view.
    void addMenuActions(const QList<QAction*>& actions);

signals:
    void clearRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addAction(const QKeySequence& keys, QWidget* on);
    void onRowsInserted();
    void showNewestRow();
    void onScrolled(int value);
    void onCurrentRowChanged(int row);
    void find(int from, bool forward);
    void refreshMark();
    void selectRow(int row);

    QTableView* m_view;
    MessageLog* m_log;
    LogFindBar* m_findBar;
    Dialogs& m_dialogs;
    LogItemDelegate* m_delegate;
    QAction* m_copy = nullptr;
    QAction* m_selectAll = nullptr;
    QAction* m_find = nullptr;
    QAction* m_save = nullptr;
    QAction* m_follow = nullptr;
    QAction* m_clear = nullptr;
    QAction* m_showRow = nullptr;
    QAction* m_latency = nullptr;
    QString m_saveFolder;
    QList<QAction*> m_moreActions;
    bool m_readOnly = false;
    bool m_following = true;
    bool m_moving = false;           // the view is being moved by this code, not by the user
    bool m_newestRowPending = false; // rows came while the view was out of sight
};
