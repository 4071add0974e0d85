#include "cli/RowPrinter.h"

#include "cli/StandardOutput.h"
#include "core/files/Codec.h"
#include "core/link/LogExport.h"
#include "core/link/MessageLog.h"

RowPrinter::RowPrinter(MessageLog* log, RunOptions::Form form, StandardOutput* out, QObject* parent)
    : QObject(parent)
    , m_log(log)
    , m_form(form)
    , m_out(out) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RowPrinter::printNew);
}

void RowPrinter::idle() {
    if (m_timer.isActive() || m_out->failed())
        return;
    const bool rows = m_form == RunOptions::Form::Rows || m_form == RunOptions::Form::JsonLines;
    if (rows && m_log->size() == m_printed)
        return;
    const qint64 since = m_lastPrint.isValid() ? m_lastPrint.elapsed() : PrintIntervalMs;
    if (since >= PrintIntervalMs)
        printNew();
    else
        m_timer.start(int(PrintIntervalMs - since));
}

bool RowPrinter::printNew() {
    m_timer.stop();
    if (m_form == RunOptions::Form::Rows || m_form == RunOptions::Form::JsonLines) {
        const int end = m_holdFrom >= 0 && m_form == RunOptions::Form::JsonLines
                            ? qMin(m_holdFrom, m_log->size())
                            : m_log->size();
        for (; m_printed < end && !m_out->failed(); ++m_printed)
            m_out->write(rowText(m_printed));
    }
    const bool ok = m_out->flush();
    m_lastPrint.start();
    if (!ok)
        emit outputFailed();
    return ok;
}

void RowPrinter::printReply(const QByteArray& reply) {
    if (m_form != RunOptions::Form::ReplyOnly)
        return;
    QByteArray text = Cp1252::decode(reply).toUtf8();
    // The reply's own line end becomes the line's.
    if (text.endsWith("\r\n"))
        text.chop(2);
    else if (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    text += '\n';
    m_out->write(text);
}

QByteArray RowPrinter::rowText(int row) const {
    if (m_form == RunOptions::Form::JsonLines)
        return LogExport::jsonLine(*m_log, row, m_verdicts.value(row));
    // One line per row, whatever the bytes: line breaks and other control characters as escapes.
    QString line = MessageLog::formatTime(m_log->utcTime(row).time()) + u' ' +
                   MessageLog::directionText(m_log->direction(row)) + u' ' +
                   LogExport::escapeControls(m_log->text(row));
    if (m_log->notSent(row))
        line += QStringLiteral(" [%1]").arg(m_log->notSentReason(row));
    return line.toUtf8() + '\n';
}
