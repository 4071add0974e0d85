#pragma once

#include "core/scripts/ScriptRunner.h"

#include <QColor>
#include <QDialog>

class Dialogs;
class QTableWidget;

// The last run's report: a table of every command with its verdict (coloured), latency, send time and
// reply, and buttons to copy it as text or save it as CSV or text. It keeps its own copy of the report.
class RunReportDialog : public QDialog {
    Q_OBJECT

public:
    enum Column { NumberColumn, CommandColumn, VerdictColumn, LatencyColumn, SentColumn, ReplyColumn };

    RunReportDialog(const RunReport& report, Dialogs& dialogs, const QString& saveFolder,
                    QWidget* parent = nullptr);

    // A verdict's colour: dark enough to read on a white table (contrast at least 4.5:1).
    static QColor verdictColour(CommandResult::Verdict verdict);

private:
    void copy();
    void save();

    RunReport m_report;
    Dialogs& m_dialogs;
    QString m_saveFolder;
    QTableWidget* m_table = nullptr;
};
