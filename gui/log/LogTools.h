#pragma once

#include "core/link/LogFilter.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QWidget>

#include <vector>

class Dialogs;
class LogFilterDialog;
class LogFilterModel;
class LogFollower;
class LogItemDelegate;
class LogJob;
class MessageLog;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;
class QTimer;
class QToolButton;

// The find bar under the log: the text to look for, previous and next, match case, regular expression,
// what was found ("3 of 12"), close. Hidden until asked for; it sits on the row of cmdDeleteList, so the
// page looks the same while it is.
class LogFindBar : public QWidget {
    Q_OBJECT

public:
    explicit LogFindBar(QWidget* parent = nullptr);
    void retranslate();

    QString needle() const;
    Qt::CaseSensitivity sensitivity() const;
    bool regularExpression() const;
    LogMatcher matcher() const;
    void setResult(const QString& text);
    // Shows the bar with its text selected and the focus in it.
    void open();

signals:
    void changed();             // the text, match case or regular expression changed
    void stepped(bool forward); // next (Enter) or previous (Shift+Enter)
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* txtFind = nullptr;
    QToolButton* cmdFindPrevious = nullptr;
    QToolButton* cmdFindNext = nullptr;
    QCheckBox* chkMatchCase = nullptr;
    QCheckBox* chkRegularExpression = nullptr;
    QLabel* labFindResult = nullptr;
    QToolButton* cmdCloseFind = nullptr;
};

// The log view as a working tool: copy of the selected, shown or all rows, select all, find, a filter,
// save as CSV or JSON Lines (all rows or the shown ones), following the newest row (on by default), clear,
// a row's whole content in a detail view, and the optional latency column. The view's context menu offers
// them; Ctrl+C, Ctrl+A and Ctrl+F work on the view, Ctrl+F anywhere in `scope`. Saving, copying many rows,
// counting what find finds and building the filter run on a worker over a snapshot of the log, which keeps
// receiving meanwhile.
class LogTools : public QObject {
    Q_OBJECT

public:
    LogTools(QTableView* view, MessageLog* log, LogFindBar* findBar, Dialogs& dialogs, QWidget* scope);
    ~LogTools() override;

    void retranslate();

    // See LogFollower. Find and select all turn following off, as the toggle shows; followingChosen is
    // what the user last chose with the toggle, the value kept across starts.
    bool following() const;
    bool followingChosen() const { return m_followingChosen; }
    void setFollowing(bool on);
    // The user's choice, as the toggle makes it (at start: the kept one).
    void chooseFollowing(bool on);
    bool latencyShown() const;
    void setLatencyShown(bool shown);

    // The selected rows of the log (not of the view), ascending.
    QList<int> selectedRows() const;
    void copySelection();
    void copyAll(bool shownOnly);
    void selectAll();
    // Asks for a file and writes the log (or its shown rows) into it on a worker; a failure is reported
    // with the file and the reason.
    void saveLog(bool shownOnly = false);
    // Selects the next (or previous) row find stops at, from the current row on.
    void findStep(bool forward);
    void openFilter();
    // The detail view of a log row; returns it (it deletes itself when closed).
    QWidget* openRow(int row);
    // The settings' error text, for the filter's error replies.
    void setErrorText(const QString& text);
    // Stops the save or copy going on, if any.
    void cancelTask();
    bool taskRunning() const { return m_task != nullptr; }
    LogFilterModel* model() const { return m_model; }

signals:
    void clearRequested();
    // Long work (a save, a copy): what it is, how far it got, its end.
    void taskStarted(const QString& what);
    void taskProgressed(int percent);
    void taskFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addAction(const QKeySequence& keys, QWidget* on);
    void startTask(LogJob* job, const QString& what);
    void copyRows(const QList<int>& rows, const std::vector<int>* rowNumbers, int count);
    void restartFind();
    void startFindScan(int from, int to);
    void findTail();
    void stepTo(int match, bool wrapped);
    void showFindCount(int match, bool wrapped);
    void showFilterStatus();

    QTableView* m_view;
    MessageLog* m_log;
    LogFilterModel* m_model;
    LogFollower* m_follower;
    LogFindBar* m_findBar;
    Dialogs& m_dialogs;
    LogItemDelegate* m_delegate;
    LogFilterDialog* m_filterDialog = nullptr;
    QAction* m_copy = nullptr;
    QAction* m_copyAll = nullptr;
    QAction* m_copyShown = nullptr;
    QAction* m_selectAll = nullptr;
    QAction* m_find = nullptr;
    QAction* m_filter = nullptr;
    QAction* m_save = nullptr;
    QAction* m_saveShown = nullptr;
    QAction* m_follow = nullptr;
    QAction* m_clear = nullptr;
    QAction* m_showRow = nullptr;
    QAction* m_latency = nullptr;
    QString m_saveFolder;
    QString m_errorText;
    bool m_followingChosen = true;
    LogJob* m_task = nullptr; // a save or a copy
    QTimer* m_taskProgress = nullptr;
    // Find: the log rows it stops at (shown ones only), counted on a worker; rows after `m_findScanned`
    // are looked at as they arrive.
    LogJob* m_findJob = nullptr;
    std::vector<int> m_matches;
    LogMatcher m_findMatcher;
    LogFilter m_findFilter;
    int m_findScanned = 0;
    int m_pendingStep = 0; // +1 or -1: a step asked for while counting
    bool m_jumpWhenCounted = false;
};
