#include "core/link/CommandHistory.h"

#include <QFile>
#include <QSaveFile>

namespace {
// More than Capacity commands of any sensible length; a larger file is read from this far before its end.
constexpr qint64 MostBytesRead = 8 * 1024 * 1024;
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return history;
    const bool cut = file.size() > MostBytesRead;
    if (cut)
        file.seek(file.size() - MostBytesRead);
    QByteArray bytes = file.read(MostBytesRead);
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
            history.m_commands.append(unescape(line));
    }
    history.m_position = history.m_commands.size();
    return history;
}

bool CommandHistory::save(const QString& path, QString* error) const {
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    QByteArray bytes;
    for (const QString& command : m_commands)
        bytes += escape(command).toUtf8() + '\n';
    // Unbuffered: a short write (full disk) shows in the write, not unseen at commit.
    const bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                    file.write(bytes) == bytes.size() && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}
