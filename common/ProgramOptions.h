#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

// What the conventions print, in English unless a program gives its own language; "%1" is the program or
// the argument.
struct ProgramTexts {
    QString usage = QStringLiteral("Usage:");
    QString help = QStringLiteral("Shows this help and exits.");
    QString version = QStringLiteral("Shows the version and exits.");
    QString tryHelp = QStringLiteral("Try '%1 --help'.");
    QString unexpectedArgument = QStringLiteral("unexpected argument '%1'");
    QString missingArguments = QStringLiteral("missing arguments");
};

// The command-line conventions every Telvane program shares: -h/--help and -v/--version print to standard
// output and end the program with status 0; an unknown option, a missing value or a stray argument prints
// a message and a pointer to --help on standard error and ends it with the usage status (1 unless the
// program sets another). Parsing needs no Q*Application, so a GUI program answers these without a display.
class ProgramOptions {
public:
    // usage: what follows the program's name on the usage line, e.g. "[options] FILE.cfg SLOT".
    ProgramOptions(const QString& program, const QString& usage, const QString& description,
                   const ProgramTexts& texts = ProgramTexts());

    // For the program's own options and parse modes; help and version are already there.
    QCommandLineParser& parser() { return m_parser; }
    // Text after the options in --help (sections such as "Exit status:").
    void setEpilogue(const QString& text) { m_epilogue = text; }

    // Parses argv (program name first). Returns nullopt when the program should go on, else the status it
    // ends with after help, version or a usage error have been printed. positionalMin/Max: how many plain
    // arguments the program takes.
    std::optional<int> parse(int argc, const char* const* argv, int positionalMin = 0, int positionalMax = 0);

    // Prints "<program>: <message>" and the pointer to --help on standard error; returns the usage status.
    int usageError(const QString& message) const;
    // The status of a usage error: 1 unless a program sets its own (telvane-run follows sysexits).
    void setUsageStatus(int status) { m_usageStatus = status; }

    QString helpText() const;
    QString versionText() const; // "<program> <version>", the first line help2man reads

private:
    QString m_program;
    QString m_usage;
    QString m_epilogue;
    ProgramTexts m_texts;
    int m_usageStatus = 1;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
};

// The version of the Telvane programs, "major.minor.patch".
QString telvaneVersion();
