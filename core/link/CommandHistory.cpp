#include "core/link/CommandHistory.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QLoggingCategory>
#include <QMutexLocker>
#include <QSaveFile>

Q_LOGGING_CATEGORY(lcHistory, "telvane.history", QtWarningMsg)

namespace {
// Another window holds the lock only for one read and one write of a small file.
constexpr int LockWaitMs = 10000;
} // namespace

void CommandHistory::add(const QString& command) {
    if (!command.isEmpty() && (m_commands.isEmpty() || m_commands.constLast() != command))
        m_commands.append(command);
    if (m_commands.size() > Capacity)
        m_commands.remove(0, m_commands.size() - Capacity);
    m_position = m_commands.size();
    m_typed.clear();
}

std::optional<QString> CommandHistory::older(const QString& typed) {
    if (m_position <= 0)
        return std::nullopt;
    if (m_position == m_commands.size())
        m_typed = typed;
    return m_commands.at(--m_position);
}

std::optional<QString> CommandHistory::newer() {
    if (m_position >= m_commands.size())
        return std::nullopt;
    ++m_position;
    return m_position == m_commands.size() ? m_typed : m_commands.at(m_position);
}

QString CommandHistory::escape(const QString& command) {
    if (!command.contains(QLatin1Char('\\')) && !command.contains(QLatin1Char('\n')) &&
        !command.contains(QLatin1Char('\r')))
        return command; // the usual case, and quick for a long command
    QString line;
    line.reserve(command.size());
    for (const QChar c : command) {
        if (c == QLatin1Char('\\'))
            line += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            line += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            line += QLatin1String("\\r");
        else
            line += c;
    }
    return line;
}

QString CommandHistory::unescape(QStringView line) {
    if (!line.contains(QLatin1Char('\\')))
        return line.toString();
    QString command;
    command.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar next = i + 1 < line.size() ? line[i + 1] : QChar();
        if (line[i] != QLatin1Char('\\') ||
            (next != QLatin1Char('\\') && next != QLatin1Char('n') && next != QLatin1Char('r'))) {
            command += line[i];
            continue;
        }
        command += next == QLatin1Char('n')   ? QLatin1Char('\n')
                   : next == QLatin1Char('r') ? QLatin1Char('\r')
                                              : next;
        ++i;
    }
    return command;
}

CommandHistory CommandHistory::load(const QString& path) {
    CommandHistory history;
    read(path, history, nullptr);
    return history;
}

bool CommandHistory::read(const QString& path, CommandHistory& into, QString* error) {
    into = CommandHistory();
    QFile file(path);
    if (!file.exists())
        return true;
    // A pipe or a device in the file's place would block the read, or never end it.
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("%1 is not a regular file").arg(path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const bool cut = file.size() > MostBytes;
    if (cut)
        file.seek(file.size() - MostBytes);
    QByteArray bytes = file.read(MostBytes);
    if (cut)
        bytes.remove(0, bytes.indexOf('\n') + 1); // the first line was cut: drop it
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast(); // the end of the last line
    if (lines.size() > Capacity)
        lines.remove(0, lines.size() - Capacity);
    for (QString& line : lines) {
        // A file edited on Windows may end its lines with CR LF; a CR of a command is always escaped.
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.isEmpty())
            into.m_commands.append(unescape(line));
    }
    into.m_position = into.m_commands.size();
    return true;
}

bool CommandHistory::save(const QString& path, QString* error) const {
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // The newest lines that fit, so that loading reads them all again.
    QList<QByteArray> lines;
    qint64 size = 0;
    for (qsizetype i = m_commands.size() - 1; i >= 0; --i) {
        QByteArray line = escape(m_commands.at(i)).toUtf8() + '\n';
        if (size + line.size() > MostBytes) {
            if (lines.isEmpty())
                continue; // too long on its own: older ones still fit
            break;
        }
        size += line.size();
        lines.append(std::move(line));
    }
    QByteArray bytes;
    bytes.reserve(size);
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        bytes += lines.at(i);
    // Unbuffered: a short write (full disk) shows in the write, not unseen at commit.
    const bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                    file.write(bytes) == bytes.size() && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

bool CommandHistory::addToFile(const QString& path, const QStringList& commands, QString* error,
                               QStringList* now) {
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(LockWaitMs)) {
        if (error)
            *error = QStringLiteral("%1 is locked (%2)").arg(path).arg(int(lock.error()));
        return false;
    }
    CommandHistory history;
    if (!read(path, history, error))
        return false;
    for (const QString& command : commands)
        history.add(command);
    if (!history.save(path, error))
        return false;
    if (now)
        *now = history.m_commands;
    return true;
}

void CommandHistory::adopt(const QStringList& commands) {
    if (m_position != m_commands.size() || commands.isEmpty())
        return;
    m_commands = commands;
    m_position = m_commands.size();
}

HistoryWriter::HistoryWriter(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path) {
    m_pool.setMaxThreadCount(1);
}

HistoryWriter::~HistoryWriter() {
    m_pool.waitForDone();
}

void HistoryWriter::add(const QString& command) {
    if (command.isEmpty())
        return;
    {
        const QMutexLocker locker(&m_mutex);
        m_pending.append(command);
        // A file that stays unwritable must not make the queue grow without end.
        if (m_pending.size() > CommandHistory::Capacity)
            m_pending.remove(0, m_pending.size() - CommandHistory::Capacity);
    }
    m_pool.start([this] { writePending(); });
}

void HistoryWriter::writePending() {
    QStringList batch;
    {
        const QMutexLocker locker(&m_mutex);
        batch.swap(m_pending);
    }
    if (batch.isEmpty())
        return; // an earlier write took these along
    QString error;
    QStringList now;
    const bool ok = CommandHistory::addToFile(m_path, batch, &error, &now);
    if (!ok) {
        qCWarning(lcHistory) << "could not add to the command history:" << error;
        const QMutexLocker locker(&m_mutex);
        m_pending = batch + m_pending;
    }
    QMetaObject::invokeMethod(
        this,
        [this, ok, error, now] {
            emit written(ok, error);
            if (ok)
                emit fileChanged(now);
        },
        Qt::QueuedConnection);
}
