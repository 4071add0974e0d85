#include "core/scripts/QuickDialConfig.h"

#include "core/files/Codec.h"
#include "core/files/Profile.h"
#include "core/files/Settings.h"
#include "core/texts/Texts.h"

#include <QFileInfo>

namespace {

const QChar Separator = QLatin1Char('#');

QString key(const char* name, int slot) {
    return QLatin1String(name) + QString::number(slot);
}

QString readValue(const ProfileFile& profile, const QString& name) {
    return profile.value(Settings::Section, name).value_or(QString());
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\v');
}

// Reading trims blanks and removes one pair of surrounding quotes; a value that would lose something that
// way is written inside one extra pair of double quotes, which reading takes off again.
QString protectedValue(const QString& value) {
    if (value.isEmpty())
        return value;
    const bool edgeBlank = isBlank(value.front()) || isBlank(value.back());
    const bool quotedLook = value.size() >= 2 &&
                            (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
                            value.back() == value.front();
    return edgeBlank || quotedLook ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

const char* const KeyNames[4] = {"Command", "Descript", "Label", "Note"};

// The first `limit` fields of a '#' list without the stray character, decoding only those: a slot's list
// can be megabytes long. *more tells whether the list went on.
QStringList leadingFields(const ProfileFile& profile, const QString& name, qsizetype limit, bool* more) {
    const std::optional<QByteArrayView> raw = profile.rawValue(Settings::Section, name);
    if (!raw)
        return {QString()};
    qsizetype end = raw->size();
    qsizetype from = 0;
    for (qsizetype fields = 1; fields <= limit; ++fields) {
        const qsizetype at = raw->indexOf('#', from);
        if (at < 0)
            break;
        if (fields == limit) {
            end = at;
            *more = true;
            break;
        }
        from = at + 1;
    }
    QByteArray taken = raw->first(end).toByteArray();
    // A character some writers put into the lists; it is never part of a command (one byte in every
    // encoding a file may have).
    taken.removeIf([](char c) { return c == '\x14'; });
    return profile.text(taken).split(Separator);
}

// The four keys' texts as a save writes them for a slot.
std::array<QString, 4> slotTexts(const QuickDialSlot& slot) {
    QStringList commands;
    QStringList descriptions;
    for (const ScriptLine& line : slot.lines) {
        commands.append(line.command);
        descriptions.append(line.description);
    }
    const QString joined = commands.join(Separator);
    if (joined.isEmpty())
        return {};
    return {protectedValue(joined), protectedValue(descriptions.join(Separator)),
            protectedValue(slot.caption), protectedValue(slot.description)};
}

// The file is Windows-1252: anything else would come back as '?', and a command would come back as a
// different command. The old file is kept rather than written with the slot changed.
bool encodable(const std::array<QString, 4>& texts, int n, QString* error) {
    for (const QString& text : texts) {
        if (!Cp1252::canEncode(text)) {
            if (error) {
                QString reason = GetText(TextId::SlotNotEncodable);
                *error = FillPlaceholders(reason, {QString::number(n)});
            }
            return false;
        }
    }
    return true;
}

} // namespace

QuickDialSlots loadQuickDialFile(const QString& path, QuickDialFileState* state, QuickDialFileRead* read) {
    const ProfileFile profile = ProfileFile::load(path);
    bool anyKey = false;
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        for (const char* name : KeyNames) {
            anyKey = anyKey || profile.contains(Settings::Section, key(name, n));
            if (read)
                read->lines.record(profile, Settings::Section, key(name, n));
        }
    }
    const QuickDialFileState found = anyKey                    ? QuickDialFileState::Loaded
                                     : profile.exists()        ? QuickDialFileState::NoQuickDialKeys
                                     : QFileInfo::exists(path) ? QuickDialFileState::Unreadable
                                                               : QuickDialFileState::Missing;
    if (state)
        *state = found;
    if (read)
        read->refusal = profile.refusal();
    QuickDialSlots memory;
    if (found != QuickDialFileState::Loaded)
        return memory;
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        QuickDialSlot& slot = memory[slotIndex(n)];
        bool cut = false;
        const QStringList commands = leadingFields(profile, key("Command", n), QuickDialLoadLimit, &cut);
        bool descriptionsCut = false;
        const QStringList descriptions =
            leadingFields(profile, key("Descript", n), QuickDialLoadLimit, &descriptionsCut);
        for (qsizetype j = 0; j < commands.size() && !commands.at(j).isEmpty(); ++j)
            slot.lines.append(ScriptLine{commands.at(j), descriptions.value(j)});
        slot.description = readValue(profile, key("Note", n));
        slot.caption = readValue(profile, key("Label", n));
        if (read)
            read->cut[slotIndex(n)] = cut;
    }
    return memory;
}

bool saveQuickDialFile(const QString& path, const QuickDialSlots& memory, QString* error) {
    ProfileFile profile = ProfileFile::load(path);
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        const std::array<QString, 4> texts = slotTexts(memory[slotIndex(n)]);
        if (!encodable(texts, n, error))
            return false;
        for (int k = 0; k < 4; ++k)
            profile.setValue(Settings::Section, key(KeyNames[k], n), texts[static_cast<std::size_t>(k)]);
    }
    return profile.save(error);
}

bool saveQuickDialChanges(const QString& path, const QuickDialSlots& memory, const QuickDialSlots& atStart,
                          const QuickDialFileRead& read, QString* error) {
    ProfileFile profile = ProfileFile::load(path);
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        const std::size_t i = slotIndex(n);
        const std::array<QString, 4> texts = slotTexts(memory[i]);
        // A slot is written whole or not at all: its commands and descriptions only fit each other.
        const bool changedHere = texts != slotTexts(atStart[i]);
        if (changedHere && !encodable(texts, n, error))
            return false;
        for (int k = 0; k < 4; ++k) {
            const QString name = key(KeyNames[k], n);
            if (Settings::exitSaveWrites(changedHere, !profile.contains(Settings::Section, name),
                                         !read.cut[i] &&
                                             read.lines.unchanged(profile, Settings::Section, name)))
                profile.setValue(Settings::Section, name, texts[static_cast<std::size_t>(k)]);
        }
    }
    return profile.save(error);
}
