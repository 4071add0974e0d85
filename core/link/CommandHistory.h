#pragma once

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <optional>

// The commands sent from the command line, oldest first, and the walk through them with Up and Down. Kept
// across starts in a file of the settings folder: UTF-8, one command per line, a backslash, CR and LF
// escaped as \\, \r and \n so that every command stays one line. Each command goes into the file as it
// is sent (HistoryWriter), so a crash loses nothing and two windows on one folder keep both their commands.
class CommandHistory {
public:
    static constexpr int Capacity = 500;
    // The file holds no more than this: a larger one is read from this far before its end, and a command
    // longer than this on its own is kept for the session only.
    static constexpr qint64 MostBytes = 8 * 1024 * 1024;
    static QString fileName() { return QStringLiteral("CommandHistory.txt"); }

    // The newest command; an empty one, or one equal to the newest, is not added twice. Ends a walk.
    void add(const QString& command);
    const QStringList& commands() const { return m_commands; }

    // One step back (Up) or forward (Down). The first step back keeps the text being typed, which the step
    // forward past the newest command gives back. Nothing when there is no further step.
    std::optional<QString> older(const QString& typed);
    std::optional<QString> newer();

    // A missing, unreadable or not regular file gives an empty history; undecodable bytes and unknown escapes
    // are kept as they come, and only the newest Capacity commands are taken.
    static CommandHistory load(const QString& path);
    // One replace of the file with the newest commands that fit MostBytes: on failure the old file stays
    // whole and *error says why.
    bool save(const QString& path, QString* error = nullptr) const;
    // Adds the commands to the file as its newest, keeping what another window added meanwhile: under a
    // lock beside the file it reads the file anew, adds them (one equal to the newest is not added twice)
    // and saves. A file that exists but cannot be read is left alone.
    // *now gets what the file holds after the write.
    static bool addToFile(const QString& path, const QStringList& commands, QString* error = nullptr,
                          QStringList* now = nullptr);
    // Takes the file's commands, which hold this window's and another window's, unless a walk is under way.
    void adopt(const QStringList& commands);

    static QString escape(const QString& command);
    static QString unescape(QStringView line);

private:
    static bool read(const QString& path, CommandHistory& into, QString* error);

    QStringList m_commands;
    qsizetype m_position = 0; // m_commands.size() while not walking
    QString m_typed;
};

// Adds each command handed over to a history file at once, in order, off the calling thread; a command
// that could not be added is tried again with the next one.
class HistoryWriter : public QObject {
    Q_OBJECT

public:
    explicit HistoryWriter(const QString& path, QObject* parent = nullptr);
    ~HistoryWriter() override; // waits for the writes under way

    void add(const QString& command);
    // Waits until every command handed over has been tried.
    void waitForDone() { m_pool.waitForDone(); }

signals:
    void written(bool ok, const QString& error);
    // After a write: every command the file holds, oldest first.
    void fileChanged(const QStringList& commands);

private:
    void writePending();

    const QString m_path;
    QThreadPool m_pool; // one thread, so the writes keep their order
    QMutex m_mutex;
    QStringList m_pending; // guarded by m_mutex
};
