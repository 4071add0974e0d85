#pragma once

#include "core/scripts/ScriptLine.h"
#include "core/texts/TextId.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <optional>

// What a slot's buttons show: the run button cmdCommandN, the choice button cmdFN and its tooltip. They
// take the language current when the slot was set; a later language switch does not redo them.
struct SlotCaptions {
    QString run;
    QString choice;
    QString toolTip;
};

// Why the editor's script cannot go into a slot: the message, and which field to point the user at.
struct SlotRefusal {
    enum class Field { Commands, Note, Caption };
    TextId title;
    TextId text;
    QStringList values; // for the placeholders of text
    Field field = Field::Commands;
    int row = -1; // the first offending command row (from 0), for Field::Commands
};

// Checks, in this order, what a slot must have (commands, a description, a caption) and what the
// configuration file cannot hold.
std::optional<SlotRefusal> checkSlotContent(const Script& script, const QString& caption,
                                            const QString& note);
// Only what the configuration file cannot hold; checked again when the slot is stored, as the editor may
// have changed since its button was pressed.
std::optional<SlotRefusal> checkSlotFileSafety(const Script& script, const QString& caption,
                                               const QString& note);

// The first count characters of text, without cutting a character that takes two UTF-16 units in half.
QString leftCharacters(const QString& text, qsizetype count);

// The quick-dial memory: eight slots tied to F1..F8, and the three slot modes (store, fetch, delete) that
// decide what the next slot button does.
class QuickDialMemory : public QObject {
    Q_OBJECT

public:
    static constexpr int ChoiceCaptionLength = 10;

    explicit QuickDialMemory(QObject* parent = nullptr);

    static bool isSlotNumber(int n) { return n >= 1 && n <= QuickDialSlotCount; }
    const QuickDialSlots& allSlots() const { return m_slots; }
    // Slot n (1..8); an empty slot for other numbers.
    const QuickDialSlot& slotAt(int n) const;
    const SlotCaptions& captionsAt(int n) const;

    // Replaces all eight slots with what a configuration file holds. A slot without a label shows the
    // "empty" text on both its buttons and keeps that text as its caption.
    void loadSlots(const QuickDialSlots& fromFile);
    void storeSlot(int n, const QuickDialSlot& slot);
    // After a deletion the choice button shows the "empty" text and the run button nothing.
    void clearSlot(int n);

    bool StorePending() const { return m_storePending; }
    bool FetchPending() const { return m_fetchPending; }
    bool DeletePending() const { return m_deletePending; }
    bool anyModePending() const { return m_storePending || m_fetchPending || m_deletePending; }
    // cmdSave after its checks: a second press cancels the store; a pending fetch ends.
    void toggleStore();
    // cmdGetCommand: a second press cancels the fetch; a pending store ends.
    void toggleFetch();
    void toggleDelete();
    // A change to a tab other than the quick-dial tab ends every pending mode.
    void clearSlotModes();

    enum class SlotAction { Run, Fetch, Store, Delete };
    // What the next slot button does: the pending mode (fetch before store before delete), which ends
    // with it, or a run when none is pending.
    SlotAction takeSlotAction();

signals:
    void slotChanged(int n);

private:
    void setCaptions(int n, const SlotCaptions& captions);

    QuickDialSlots m_slots{};
    std::array<SlotCaptions, QuickDialSlotCount> m_captions{};
    bool m_storePending = false;
    bool m_fetchPending = false;
    bool m_deletePending = false;
};
