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
    // The last connection failure: where it was tried and why it failed ("" when the link is fine). The
    // state line names them on a line of its own while the state is the error.
    void setLinkError(const QString& host, const QString& port, const QString& reason);
    // The state's colour, readable on the palette's window background.
    static QColor stateColour(int state, const QPalette& palette);

    // Shows the progress bar ("i / N") and the cancel button; the last run's notice goes.
    void runStarted(int total);
    void runProgressed(int sent, int total);
    // The command the run waits for, as the progress bar's tooltip.
    void runWaiting(const QString& command);
    // Hides the progress bar and the cancel button, and shows the run's notice.
    void runFinished(const RunReport& report);
    // The notice goes with every send, slot button, tab change, manual entry and opened assistant.
    void hideNotice();

    // Follows the bottom edge of a window this much larger than its default size; help and quit keep to
    // the right edge.
    void setGrowth(QSize growth);

signals:
    void cancelClicked();
    void helpClicked();
    void quitClicked();

private:
    // Words the last run's notice in the current language and fits it into its place.
    void showNotice();
    // Puts the run's progress on the bar, at most once per repaint interval.
    void showProgress();

    QLabel* labState = nullptr;
    QProgressBar* prgProgress = nullptr;
    QLabel* labCommandScriptCompleted = nullptr;
    QPushButton* cmdCancelCommandScript = nullptr;
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
    QString m_errorHost, m_errorPort, m_errorReason;
};
