#pragma once

#include "scripts/ScriptLine.h"

#include <QColor>
#include <QObject>

#include <array>
#include <functional>

class Dialogs;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class ScriptEditor;

// The quick-dial memory: eight slots tied to F1..F8, shown on the run buttons cmdCommandN, the choice
// buttons cmdFN and the description boxes txtCommandDescriptN. The mode buttons cmdSave, cmdGetCommand and
// cmdDeleteScript choose what the next slot button does; while a mode is pending the choice buttons blink.
class QuickDial : public QObject {
    Q_OBJECT

public:
    static constexpr int ChoiceCaptionLength = 10;
    static constexpr int EditorTab = 2;
    static constexpr int QuickDialTab = 3;

    using Buttons = std::array<QPushButton*, QuickDialSlotCount>;
    using DescriptionBoxes = std::array<QPlainTextEdit*, QuickDialSlotCount>;

    // The main-window widgets the quick-dial memory owns the behaviour of.
    struct Widgets {
        Buttons cmdF{};
        Buttons cmdCommand{};
        DescriptionBoxes txtCommandDescript{};
        QPushButton* cmdSave = nullptr;
        QPushButton* cmdGetCommand = nullptr;
        QPushButton* cmdDeleteScript = nullptr;
        QTabWidget* SSTab1 = nullptr;
        QLabel* labCommandScriptCompleted = nullptr;
    };

    // What the script runner provides. isBusy/setBusy are ScriptBusy, which keeps slot operations and runs
    // from overlapping; runSlot runs slot n (1..8) and takes and releases ScriptBusy for the run itself.
    struct RunnerHooks {
        std::function<bool()> isBusy;
        std::function<void(bool)> setBusy;
        std::function<void(int slot)> runSlot;
    };

    // dialogParent owns the question box and the viewer.
    QuickDial(const Widgets& widgets, ScriptEditor& editor, Dialogs& dialogs, QWidget* dialogParent,
              QObject* parent = nullptr);

    // Until hooks are set, ScriptBusy is a flag of this object and the run branch does nothing.
    void setRunnerHooks(RunnerHooks hooks);

    // The eight slots, slot n at index n - 1. caption is what the run button shows.
    const QuickDialSlots& allSlots() const { return m_slots; }
    // Slot n (1..8); an empty slot for other numbers.
    const QuickDialSlot& slotAt(int n) const;

    // Replaces all eight slots with what a configuration file holds (caption = the file's label). A slot
    // without a label shows the "empty" text on both its buttons and keeps that text as its caption.
    void loadSlots(const QuickDialSlots& fromFile);

    // What a run button, a choice button or the function key of slot n (1..8) does: carries out the
    // pending mode on slot n (fetch before store before delete) or runs the slot.
    void HandleSlotButton(int n);

    bool storePending() const { return m_storePending; }
    bool fetchPending() const { return m_fetchPending; }
    bool deletePending() const { return m_deletePending; }
    // A change to a tab other than the quick-dial tab ends every pending mode.
    void clearSlotModes();

    // The blink step of the 300 ms timer, after the link refresh: while a mode is pending the choice buttons
    // are enabled and alternate between green and the normal button colour; otherwise they are disabled
    // and normal.
    void blinkTick();
    static QColor blinkColour() { return QColor(0, 255, 0); }
    // The colour of a button that does not blink (the run button's).
    QColor normalColour() const;

    // Opens the viewer modally on slot n's commands; returns when it is closed. Nothing opens for a slot
    // without commands; the result says whether the viewer was shown.
    bool ShowSlotScript(int n);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onSave();
    void onGetCommand();
    void onDeleteScript();
    bool editorFitsSlot();
    // Refuses (with a message, pointing at the line or box) what the configuration file cannot give back
    // unchanged: a "#" in a command or description; a line break or 0x14 in a command, description or the
    // caption; a character outside Windows-1252 anywhere in the slot. True when it refused.
    bool refuseSeparator(const Script& script);
    void fetch(int n);
    void store(int n);
    void remove(int n);
    void showSlot(int n, const QString& runCaption, const QString& choiceCaption, const QString& toolTip);
    void showLabelledSlot(int n);
    bool busy() const;
    void setBusy(bool busy);

    Widgets m_w;
    ScriptEditor& m_editor;
    Dialogs& m_dialogs;
    QWidget* m_dialogParent = nullptr;
    RunnerHooks m_hooks;
    QuickDialSlots m_slots{};
    bool m_ownBusy = false;
    bool m_storePending = false;
    bool m_fetchPending = false;
    bool m_deletePending = false;
};
