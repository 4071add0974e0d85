#include "core/scripts/QuickDialMemory.h"

#include "core/files/Codec.h"
#include "core/scripts/ScriptsLog.h"
#include "core/texts/Texts.h"

namespace {

// The row of the first line for which the test holds, or -1.
template <typename Test> int firstLine(const Script& script, Test test) {
    for (qsizetype row = 0; row < script.size(); ++row) {
        if (test(script.at(row)))
            return int(row);
    }
    return -1;
}

// Characters the configuration file gives back changed, by name: the first one in text, or "".
QString unstorableCharacter(const QString& text) {
    for (const QChar c : text) {
        if (c == QLatin1Char('\r'))
            return QStringLiteral("CR (0x0D)");
        if (c == QLatin1Char('\n'))
            return QStringLiteral("LF (0x0A)");
        if (c == QChar(0x14))
            return QStringLiteral("0x14");
    }
    return {};
}

} // namespace

std::optional<SlotRefusal> checkSlotContent(const Script& script, const QString& caption,
                                            const QString& note) {
    using Field = SlotRefusal::Field;
    if (script.isEmpty())
        return SlotRefusal{TextId::NoCommandTitle, TextId::NoCommandText, {}, Field::Commands, -1};
    if (note.isEmpty())
        return SlotRefusal{TextId::NoDescriptionTitle, TextId::NoDescriptionText, {}, Field::Note, -1};
    if (caption.isEmpty())
        return SlotRefusal{TextId::NoCaptionTitle, TextId::NoCaptionText, {}, Field::Caption, -1};
    return checkSlotFileSafety(script, caption, note);
}

std::optional<SlotRefusal> checkSlotFileSafety(const Script& script, const QString& caption,
                                               const QString& note) {
    using Field = SlotRefusal::Field;
    // The configuration file joins commands and descriptions with "#": one inside them would split the slot
    // into different commands on the next load.
    const QChar separator = QLatin1Char('#');
    if (const int row = firstLine(script,
                                  [&](const ScriptLine& line) {
                                      return line.command.contains(separator) ||
                                             line.description.contains(separator);
                                  });
        row >= 0)
        return SlotRefusal{
            TextId::InvalidCharacterTitle, TextId::SeparatorInScript, {}, Field::Commands, row};
    // A line break would end the value, and 0x14 is taken out of commands and descriptions on loading.
    if (const int row = firstLine(script,
                                  [](const ScriptLine& line) {
                                      return !unstorableCharacter(line.command + line.description).isEmpty();
                                  });
        row >= 0) {
        const ScriptLine& line = script.at(row);
        return SlotRefusal{TextId::InvalidCharacterTitle,
                           TextId::UnstorableCharacter,
                           {unstorableCharacter(line.command + line.description)},
                           Field::Commands,
                           row};
    }
    if (const QString name = unstorableCharacter(caption); !name.isEmpty())
        return SlotRefusal{
            TextId::InvalidCharacterTitle, TextId::UnstorableCharacter, {name}, Field::Caption, -1};
    // The file is Windows-1252: another character would come back as '?', and a command changed that way
    // would later be sent as a different command.
    if (const int row = firstLine(script,
                                  [](const ScriptLine& line) {
                                      return !Cp1252::canEncode(line.command) ||
                                             !Cp1252::canEncode(line.description);
                                  });
        row >= 0)
        return SlotRefusal{
            TextId::InvalidCharacterTitle, TextId::ScriptNotEncodable, {}, Field::Commands, row};
    if (!Cp1252::canEncode(caption))
        return SlotRefusal{TextId::InvalidCharacterTitle, TextId::ScriptNotEncodable, {}, Field::Caption, -1};
    if (!Cp1252::canEncode(note))
        return SlotRefusal{TextId::InvalidCharacterTitle, TextId::ScriptNotEncodable, {}, Field::Note, -1};
    return std::nullopt;
}

QString leftCharacters(const QString& text, qsizetype count) {
    if (count >= text.size())
        return text;
    if (count > 0 && text.at(count - 1).isHighSurrogate() && text.at(count).isLowSurrogate())
        ++count;
    return text.left(count);
}

QuickDialMemory::QuickDialMemory(QObject* parent)
    : QObject(parent) {}

const QuickDialSlot& QuickDialMemory::slotAt(int n) const {
    static const QuickDialSlot none;
    return isSlotNumber(n) ? m_slots[slotIndex(n)] : none;
}

const SlotCaptions& QuickDialMemory::captionsAt(int n) const {
    static const SlotCaptions none;
    return isSlotNumber(n) ? m_captions[slotIndex(n)] : none;
}

void QuickDialMemory::loadSlots(const QuickDialSlots& fromFile) {
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        QuickDialSlot& slot = m_slots[slotIndex(n)];
        slot = fromFile[slotIndex(n)];
        if (slot.caption.isEmpty()) {
            slot.caption = GetText(TextId::EmptySlot);
            setCaptions(n, {slot.caption, slot.caption, QString()});
        } else {
            storeSlot(n, slot);
        }
    }
    qCDebug(lcScripts) << "quick dial: slots loaded";
}

void QuickDialMemory::storeSlot(int n, const QuickDialSlot& slot) {
    if (!isSlotNumber(n))
        return;
    m_slots[slotIndex(n)] = slot;
    const QString& caption = slot.caption;
    setCaptions(n, {caption, leftCharacters(caption, ChoiceCaptionLength) + QStringLiteral("..."),
                    GetText(TextId::Caption) + QStringLiteral(": ") + caption});
}

void QuickDialMemory::clearSlot(int n) {
    if (!isSlotNumber(n))
        return;
    m_slots[slotIndex(n)] = QuickDialSlot{};
    setCaptions(n, {QString(), GetText(TextId::EmptySlot), QString()});
}

void QuickDialMemory::setCaptions(int n, const SlotCaptions& captions) {
    m_captions[slotIndex(n)] = captions;
    emit slotChanged(n);
}

void QuickDialMemory::toggleStore() {
    m_fetchPending = false;
    m_storePending = !m_storePending;
}

void QuickDialMemory::toggleFetch() {
    m_fetchPending = !m_fetchPending;
    m_storePending = false;
}

void QuickDialMemory::toggleDelete() {
    m_deletePending = !m_deletePending;
}

void QuickDialMemory::clearSlotModes() {
    m_storePending = false;
    m_fetchPending = false;
    m_deletePending = false;
}

QuickDialMemory::SlotAction QuickDialMemory::takeSlotAction() {
    if (m_fetchPending) {
        m_fetchPending = false;
        return SlotAction::Fetch;
    }
    if (m_storePending) {
        m_storePending = false;
        return SlotAction::Store;
    }
    if (m_deletePending) {
        m_deletePending = false;
        return SlotAction::Delete;
    }
    return SlotAction::Run;
}
