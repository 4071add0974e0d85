#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// What the command line offers while a command is typed: the command words of the device type's
// catalogue and the commands sent before; and, once the command word is typed out, its parameters.
class CommandCompletion {
public:
    CommandCompletion() = default;
    // The records of one device type, commands and queries, in catalogue order.
    explicit CommandCompletion(const QStringList& records);

    // Whether the offer is a command word of the catalogue (the first word of a record's command).
    bool isWord(const QString& offer) const { return m_words.contains(offer); }

    // For the text before the cursor: while it is one word, the catalogue words that begin with it (upper
    // or lower case) in catalogue order; then the commands of the history (oldest first) that begin with
    // it, newest first, each once, none offered already and none equal to the text.
    QStringList offers(QStringView typed, const QStringList& history) const;
    // The commands of the history that hold the text anywhere (upper or lower case), newest first, each
    // once; all of them for an empty text.
    static QStringList search(QStringView text, const QStringList& history);
    // What taking an offer makes of the text: a catalogue word replaces the first word and keeps the rest,
    // a command of the history replaces the whole text.
    QString take(const QString& text, const QString& offer) const;

    // Once the text's first word is a catalogue word (upper or lower case): the command with its
    // parameters, one line per record of that word ("SP <...> <...>"); nothing otherwise.
    QStringList hint(QStringView text) const;

private:
    QStringList m_words;             // each once, in catalogue order
    QList<QStringList> m_signatures; // per word, one line per record
};
