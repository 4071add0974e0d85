#pragma once

#include "core/scripts/ScriptRunner.h"
#include "gui/Layout.h"

#include <QColor>
#include <QFont>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// The strip below the tab control, seen on every tab: the connection state labState, the run's progress
// bar, its notice and cancel button, the help button and cmdQuit. The one owner of all of them.
class StatusStrip : public QWidget {
    Q_OBJECT

public:
    // Places itself in the window below the tab control.
    explicit StatusStrip(QWidget* window);

    void retranslate();

    // Shows the state number's caption in its colour.
    void RefreshLinkState(int state);
    // The reason of the last connection failure, as the state line's tooltip.
    void setLinkErrorText(const QString& text);
    static QColor stateColour(int state);

    // Shows the progress bar ("i / N") and the cancel button; the last run's notice goes.
    void runStarted(int total);
    void runProgressed(int sent, int total);
    // The command the run waits for, as the progress bar's tooltip.
    void runWaiting(const QString& command);
    // Hides the progress bar and the cancel button, and shows the run's notice.
    void runFinished(const RunReport& report);
    // Long work on the log (a save, a copy): after a moment its progress and a cancel button show, over the
    // run's place; they go when it ends.
    void logTaskStarted(const QString& what);
    void logTaskProgressed(int percent);
    void logTaskFinished();

    // The notice goes with every send, slot button, tab change, manual entry and opened assistant.
    void hideNotice();

    // Follows the bottom edge of a window this much larger than its default size; help and quit keep to
    // the right edge.
    void setGrowth(QSize growth);

signals:
    void cancelClicked();
    // The notice was clicked, or Enter or Space pressed on it: the last run's report is asked for.
    void noticeActivated();
    void logTaskCancelClicked();
    void helpClicked();
    void quitClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Words the last run's notice in the current language and fits it into its place.
    void showNotice();
    // Puts the run's progress on the bar, at most once per repaint interval.
    void showProgress();

    QLabel* labState = nullptr;
    QProgressBar* prgProgress = nullptr;
    QLabel* labCommandScriptCompleted = nullptr;
    QPushButton* cmdCancelCommandScript = nullptr;
    QProgressBar* prgLogTask = nullptr;
    QPushButton* cmdCancelLogTask = nullptr;
    QTimer* m_logTaskDelay = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdQuit = nullptr;
    Layout::Growth m_growth;
    QTimer* m_progressTimer = nullptr;
    int m_progressValue = 0;
    QString m_awaitedCommand;
    QFont m_noticeFont;     // as the notice is meant to look; a long one may get a smaller size
    RunReport m_lastReport; // the notice is worded anew in the language of a switch
    bool m_hasReport = false;
    int m_state = -1;
};
