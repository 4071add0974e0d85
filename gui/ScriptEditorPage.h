#pragma once

#include "core/scripts/QuickDialMemory.h"
#include "core/scripts/ScriptLine.h"
#include "gui/Layout.h"

#include <QString>
#include <QWidget>

#include <array>

#include <functional>

class Dialogs;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QTreeWidget;

// Tab 2, "Edit command script": the script editor in fraEditScript (one script as rows of lstCommands with
// its caption in txtLabel and its description in txtNote), the slot-mode buttons cmdSave, cmdGetCommand and
// cmdDeleteScript, and the choice buttons cmdF1..cmdF8, which blink while a slot mode is pending. The editor
// neither stores nor runs anything: the quick-dial memory copies its content into a slot and back, the
// runner sends its rows.
class ScriptEditorPage : public QWidget {
    Q_OBJECT

public:
    static constexpr int LabelMaxLength = 40;
    static constexpr int NoteMaxLength = 128;
    static constexpr int BlinkIntervalMs = 300;

    // Runs the command assistant offering only the commands that set something (no queries) and returns
    // the composed command with its description; an empty command when the user cancelled.
    using AssistantRun = std::function<ScriptLine()>;

    ScriptEditorPage(QuickDialMemory* memory, Dialogs& dialogs, QPoint pageOffset, QWidget* parent = nullptr);

    void retranslate();

    // Until an assistant is set, its button inserts nothing, as if the assistant had been cancelled.
    void setAssistant(AssistantRun runWithoutQueries);

    // The rows in execution order.
    Script script() const;
    // Replaces every row; the first row becomes the current row without being selected.
    void setScript(const Script& script);
    int rowCount() const;
    // Row from 0; an empty line outside the list. A test run reads each row as it sends it.
    ScriptLine lineAt(int row) const;

    QString label() const;
    // A caption from a file may be longer than what typing allows; it is shown and kept whole.
    void setLabel(const QString& label);
    QString note() const;
    // Set as given: the length limit and the line-break rule apply to typing and pasting only, so a
    // description fetched from a slot comes back unchanged.
    void setNote(const QString& note);

    // Whether the device software is connected. cmdCommandTest can be pressed only then (and with rows).
    void setLinkUsable(bool usable);

    // Fits both columns of lstCommands to their contents and headers.
    void fitColumns();

    // The editor's script as a slot: its rows, caption and description.
    QuickDialSlot slotFromEditor() const;
    // Takes a slot into the editor (fetch); the choice buttons are disabled until a mode is pending again.
    void fetchSlot(const QuickDialSlot& slot);
    // Shows the message of a refused store and points the user at the field (and row) concerned.
    void showRefusal(const SlotRefusal& refusal);

    // Enables test, delete, up and down from the state of the list. The current row of lstCommands is
    // the row that inserts work on; delete and the moves also need it selected.
    void UpdateScriptEditorButtons();

    // Lays the page out for a window this much larger than its default size: the list takes the room.
    void setGrowth(QSize growth);

signals:
    // The manual entry box is about to open.
    void manualEntryStarted();
    // cmdF1..cmdF8: the pending slot mode is wanted on slot n.
    void slotButtonPressed(int n);
    // cmdCommandTest: the editor's script is to be run.
    void testRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWidgets(QPoint pageOffset);
    void onSave();
    void onGetCommand();
    void showSlotCaptions(int n);
    // While a mode is pending the choice buttons are enabled and alternate between green and the normal
    // button colour; otherwise they are disabled and normal.
    void blinkTick();
    void focusCommands(int row = -1);
    void addFromAssistant();
    void addManually();
    void moveUp();
    void moveDown();
    void moveCurrentBy(int offset);
    void deleteCommand();
    void insertLine(const ScriptLine& line);
    void selectRow(int row);
    int selectedCurrentRow() const;
    void onNoteContentsChange(int position, int charsRemoved, int charsAdded);
    void enforceNoteRules();

    QuickDialMemory* m_memory;
    Dialogs& m_dialogs;
    QTimer* m_timTimer = nullptr;
    QGroupBox* fraEditScript = nullptr;
    QPushButton* cmdCreateCommand2 = nullptr;
    QPushButton* cmdCreateManualCommand = nullptr;
    QLabel* labCommands = nullptr;
    QCheckBox* chkAbove = nullptr;
    QTreeWidget* lstCommands = nullptr;
    QPushButton* cmdDeleteCommand = nullptr;
    QPushButton* cmdCommandUp = nullptr;
    QPushButton* cmdCommandDown = nullptr;
    QLabel* labCaption = nullptr;
    QPushButton* cmdCommandTest = nullptr;
    QLineEdit* txtLabel = nullptr;
    QLabel* labNote = nullptr;
    QPlainTextEdit* txtNote = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdGetCommand = nullptr;
    QPushButton* cmdDeleteScript = nullptr;
    QGroupBox* fraStorage = nullptr;
    std::array<QPushButton*, QuickDialSlotCount> cmdF{};
    QLabel* labInfo3 = nullptr;
    Layout::Growth m_growth;
    AssistantRun m_runAssistant;
    bool m_linkUsable = false;
    // How many characters the last edit of txtNote added, so an over-long insert is cut where it was made.
    int m_noteInserted = 0;
    bool m_noteSetByProgram = false;
    bool m_fixingNote = false;
};
