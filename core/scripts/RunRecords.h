#pragma once

#include "core/scripts/ScriptRunner.h"

#include <QByteArray>
#include <QDateTime>
#include <QLatin1String>
#include <QString>

// A run's report as machine-readable records: the names the JSON Lines schema (docs/jsonl-schema.md) gives
// outcomes (its verdicts are verdictWord's), its end object, and the report as JUnit XML for CI servers and
// test rigs.
namespace RunRecords {

// "completed", "cancelled", "not_sent", "connection_lost", "timed_out", "error_reply".
QLatin1String outcomeKey(RunReport::Outcome outcome);

// The last line of telvane-run's JSON Lines: how the program ended (an outcome key, or one of its own such as
// "unknown_host"), how many commands the run had and how many went out, and the exit status.
QByteArray jsonEndLine(const QDateTime& utc, QLatin1String outcome, int commands, int sent, int exitStatus);

// One <testsuite> named suiteName in a <testsuites> document: a <testcase> per command (named by its number
// and text, its latency as time), a <failure> for every verdict but ok, the reply as <system-out> with
// control characters escaped (XML cannot carry most of them). host becomes the suite's hostname.
QByteArray junitXml(const RunReport& report, const QString& suiteName, const QString& host);

} // namespace RunRecords
