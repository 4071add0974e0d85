#include "core/scripts/RunRecords.h"

#include "core/files/Codec.h"
#include "core/link/LogExport.h"

#include <QXmlStreamWriter>

namespace RunRecords {

namespace {

QString seconds(qint64 milliseconds) {
    return QString::number(double(milliseconds) / 1000.0, 'f', 3);
}

} // namespace

QLatin1String outcomeKey(RunReport::Outcome outcome) {
    using Outcome = RunReport::Outcome;
    switch (outcome) {
    case Outcome::Completed:
        return QLatin1String("completed");
    case Outcome::Cancelled:
        return QLatin1String("cancelled");
    case Outcome::NotSent:
        return QLatin1String("not_sent");
    case Outcome::ConnectionLost:
        return QLatin1String("connection_lost");
    case Outcome::TimedOut:
        return QLatin1String("timed_out");
    case Outcome::ErrorReply:
        break;
    }
    return QLatin1String("error_reply");
}

QByteArray jsonEndLine(const QDateTime& utc, QLatin1String outcome, int commands, int sent, int exitStatus) {
    return "{\"v\":" + QByteArray::number(LogExport::JsonLinesVersion) + ",\"time_utc\":\"" +
           utc.toUTC().toString(Qt::ISODateWithMs).toLatin1() + "\",\"outcome\":\"" +
           QByteArray(outcome.data(), outcome.size()) + "\",\"commands\":" + QByteArray::number(commands) +
           ",\"sent\":" + QByteArray::number(sent) + ",\"exit_status\":" + QByteArray::number(exitStatus) +
           "}\n";
}

QByteArray junitXml(const RunReport& report, const QString& suiteName, const QString& host) {
    int failures = 0;
    qint64 firstSent = -1;
    qint64 totalMs = 0;
    for (const CommandResult& result : report.commands) {
        failures += result.verdict != CommandResult::Verdict::Ok;
        if (firstSent < 0 && result.sentUtcMs >= 0)
            firstSent = result.sentUtcMs;
        totalMs += qMax(result.latencyMs, 0);
    }
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("testsuites"));
    writer.writeStartElement(QStringLiteral("testsuite"));
    writer.writeAttribute(QStringLiteral("name"), LogExport::escapeControls(suiteName));
    writer.writeAttribute(QStringLiteral("tests"), QString::number(report.commands.size()));
    writer.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    writer.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    writer.writeAttribute(QStringLiteral("skipped"), QStringLiteral("0"));
    writer.writeAttribute(QStringLiteral("time"), seconds(totalMs));
    // The form JUnit readers take: no zone, so the UTC time goes without its Z.
    if (firstSent >= 0)
        writer.writeAttribute(QStringLiteral("timestamp"),
                              QDateTime::fromMSecsSinceEpoch(firstSent, Qt::UTC)
                                  .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
    writer.writeAttribute(QStringLiteral("hostname"), LogExport::escapeControls(host));
    for (qsizetype i = 0; i < report.commands.size(); ++i) {
        const CommandResult& result = report.commands.at(i);
        writer.writeStartElement(QStringLiteral("testcase"));
        writer.writeAttribute(QStringLiteral("name"), QString::number(i + 1) + QStringLiteral(": ") +
                                                          LogExport::escapeControls(result.command));
        writer.writeAttribute(QStringLiteral("classname"), LogExport::escapeControls(suiteName));
        if (result.latencyMs >= 0)
            writer.writeAttribute(QStringLiteral("time"), seconds(result.latencyMs));
        if (result.verdict != CommandResult::Verdict::Ok) {
            const QString key = verdictWord(result.verdict);
            writer.writeStartElement(QStringLiteral("failure"));
            writer.writeAttribute(QStringLiteral("type"), key);
            writer.writeAttribute(QStringLiteral("message"), key);
            writer.writeEndElement();
        }
        if (!result.reply.isEmpty())
            writer.writeTextElement(QStringLiteral("system-out"),
                                    LogExport::escapeControls(Cp1252::decode(result.reply)));
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument();
    return xml;
}

} // namespace RunRecords
