#include "gui/RunReportDialog.h"

#include "core/files/Codec.h"
#include "core/link/LogExport.h"
#include "core/texts/Texts.h"
#include "gui/Dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QTimeZone>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
QPushButton* button(QWidget* parent, const char* name, TextId text) {
    auto* made = new QPushButton(GetText(text), parent);
    made->setObjectName(QLatin1String(name));
    made->setAccessibleName(QString(GetText(text)).remove(u'&'));
    return made;
}
} // namespace

RunReportDialog::RunReportDialog(const RunReport& report, Dialogs& dialogs, const QString& saveFolder,
                                 QWidget* parent)
    : QDialog(parent)
    , m_report(report)
    , m_dialogs(dialogs)
    , m_saveFolder(saveFolder) {
    setObjectName(QStringLiteral("dlgRunReport"));
    setWindowTitle(GetText(TextId::RunReportTitle));
    auto* layout = new QVBoxLayout(this);
    m_table = new QTableWidget(int(m_report.commands.size()), 6, this);
    m_table->setObjectName(QStringLiteral("tblRunReport"));
    m_table->setAccessibleName(GetText(TextId::RunReportTableName));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("#"), GetText(TextId::RunReportCommandColumn),
         GetText(TextId::RunReportVerdictColumn), GetText(TextId::RunReportLatencyColumn),
         GetText(TextId::RunReportSentColumn), GetText(TextId::RunReportReplyColumn)});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // Bold on the colour: a verdict is told by its word too, not by the colour alone.
    QFont bold = m_table->font();
    bold.setBold(true);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const CommandResult& result = m_report.commands.at(row);
        auto cell = [&](int column, const QString& text) {
            auto* item = new QTableWidgetItem(text);
            m_table->setItem(row, column, item);
            return item;
        };
        cell(NumberColumn, QString::number(row + 1))->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cell(CommandColumn, LogExport::escapeControls(result.command));
        QTableWidgetItem* verdict = cell(VerdictColumn, verdictText(result.verdict));
        verdict->setForeground(verdictColour(result.verdict));
        verdict->setFont(bold);
        cell(LatencyColumn, result.latencyMs < 0 ? QString() : QString::number(result.latencyMs) + " ms"_L1)
            ->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cell(SentColumn, result.sentUtcMs < 0
                             ? QString()
                             : QDateTime::fromMSecsSinceEpoch(result.sentUtcMs, QTimeZone::utc())
                                   .toString(QStringLiteral("HH:mm:ss.zzz")));
        // One line per cell; the whole reply in the tooltip and in what Copy and Save give.
        const QString reply = Cp1252::decode(result.reply);
        QTableWidgetItem* replyItem = cell(ReplyColumn, LogExport::escapeControls(reply));
        replyItem->setToolTip(reply.size() > 200 ? LogExport::escapeControls(reply.left(2000)) : QString());
    }
    m_table->resizeColumnsToContents();
    // Seen whole to the reply column; a long reply scrolls.
    for (int column = 0; column < ReplyColumn; ++column)
        m_table->setColumnWidth(column, std::min(m_table->columnWidth(column), 320));
    layout->addWidget(m_table);

    auto* buttons = new QHBoxLayout;
    QPushButton* copyButton = button(this, "cmdCopyReport", TextId::RunReportCopy);
    QPushButton* saveButton = button(this, "cmdSaveReport", TextId::RunReportSave);
    QPushButton* closeButton = button(this, "cmdCloseReport", TextId::RunReportClose);
    buttons->addWidget(copyButton);
    buttons->addWidget(saveButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    closeButton->setDefault(true);
    connect(copyButton, &QPushButton::clicked, this, &RunReportDialog::copy);
    connect(saveButton, &QPushButton::clicked, this, &RunReportDialog::save);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    resize(760, 360);
}

QColor RunReportDialog::verdictColour(CommandResult::Verdict verdict) {
    switch (verdict) {
    case CommandResult::Verdict::Ok:
        return QColor(0, 120, 0);
    case CommandResult::Verdict::ErrorReply:
    case CommandResult::Verdict::LineLost:
        return QColor(192, 0, 0);
    case CommandResult::Verdict::NoReply:
        return QColor(176, 0, 176);
    case CommandResult::Verdict::NotSent:
    case CommandResult::Verdict::Cancelled:
        return QColor(90, 90, 90);
    }
    return QColor(0, 0, 0);
}

void RunReportDialog::copy() {
    QApplication::clipboard()->setText(runReportText(m_report));
}

void RunReportDialog::save() {
    const QString filter = GetText(TextId::CsvFileFilter) + QStringLiteral(" (*.csv)|*.csv|") +
                           GetText(TextId::TextFileFilter) + QStringLiteral(" (*.txt)|*.txt");
    const QString name = GetText(TextId::RunReportFileName) +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("-yyyyMMdd-HHmmss")) +
                         QStringLiteral(".csv");
    const std::optional<QString> path =
        m_dialogs.saveFile(this, GetText(TextId::RunReportSaveTitle), m_saveFolder, name, filter);
    if (!path || path->isEmpty())
        return;
    const bool text = path->endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
    const QByteArray bytes = text ? runReportText(m_report).toUtf8() : runReportCsv(m_report);
    QSaveFile file(*path);
    file.setDirectWriteFallback(false);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return;
    m_dialogs.warning(
        this, GetText(TextId::SaveFailedTitle),
        filledText(TextId::RunReportSaveFailed, {QDir::toNativeSeparators(*path), file.errorString()}));
}
