#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The commands sent from the command line, oldest first, and the walk through them with Up and Down. Kept
// across starts in a file of the settings folder: UTF-8, one command per line, a backslash, CR and LF
// escaped as \\, \r and \n so that every command stays one line.
class CommandHistory {
public:
    static constexpr int Capacity = 500;
    static QString fileName() { return QStringLiteral("CommandHistory.txt"); }

    // The newest command; an empty one, or one equal to the newest, is not added twice. Ends a walk.
    void add(const QString& command);
    const QStringList& commands() const { return m_commands; }

    // One step back (Up) or forward (Down). The first step back keeps the text being typed, which the step
    // forward past the newest command gives back. Nothing when there is no further step.
    std::optional<QString> older(const QString& typed);
    std::optional<QString> newer();

    // A missing or unreadable file gives an empty history; undecodable bytes and unknown escapes are kept
    // as they come, and only the newest Capacity commands are taken.
    static CommandHistory load(const QString& path);
    // One replace of the file: on failure the old file stays whole and *error says why.
    bool save(const QString& path, QString* error = nullptr) const;

    static QString escape(const QString& command);
    static QString unescape(QStringView line);

private:
    QStringList m_commands;
    qsizetype m_position = 0; // m_commands.size() while not walking
    QString m_typed;
};
