#pragma once

#include "core/link/LogCapture.h"
#include "core/scripts/ScriptRunner.h"
#include "core/texts/TextId.h"
#include "gui/Layout.h"

#include <QColor>
#include <QFont>
#include <QWidget>

#include <optional>

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
    // Long work on the log (a save, a copy): after a moment its progress and a cancel button show, over the
    // run's place; they go when it ends.
    void logTaskStarted(const QString& what);
    void logTaskProgressed(int percent);
    void logTaskFinished();

    // The notice goes with every send, slot button, tab change, manual entry and opened assistant.
    void hideNotice();
    // Shows a fixed text in the notice's place, worded anew on a language switch, until the notice goes.
    void showFixedNotice(TextId text);

    // Whether the log is being captured, to which file, or why not; nothing while the capture is off.
    void showCaptureStatus(const LogCapture::Status& status);

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
    // "Open capture folder" in the capture state's menu.
    void openCaptureFolderRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Words the last run's notice in the current language and fits it into its place.
    void showNotice();
    // Puts the run's progress on the bar, at most once per repaint interval.
    void showProgress();
    // The capture's state, where the run's cancel button and a wide notice leave room for it.
    void placeCapture();

    QLabel* labState = nullptr;
    QProgressBar* prgProgress = nullptr;
    QLabel* labCommandScriptCompleted = nullptr;
    QPushButton* cmdCancelCommandScript = nullptr;
    QProgressBar* prgLogTask = nullptr;
    QPushButton* cmdCancelLogTask = nullptr;
    QTimer* m_logTaskDelay = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdQuit = nullptr;
    QLabel* labCapture = nullptr;
    LogCapture::Status m_captureStatus;
    Layout::Growth m_growth;
    QTimer* m_progressTimer = nullptr;
    int m_progressValue = 0;
    QString m_awaitedCommand;
    QFont m_noticeFont;                  // as the notice is meant to look; a long one may get a smaller size
    RunReport m_lastReport;              // the notice is worded anew in the language of a switch
    std::optional<TextId> m_fixedNotice; // shown instead of the last run's notice
    bool m_hasReport = false;
    int m_state = -1;
    QString m_errorHost, m_errorPort, m_errorReason;
};
