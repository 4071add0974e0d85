#pragma once

#include "scripts/ScriptLine.h"

#include <QObject>
#include <QString>

#include <functional>

class Dialogs;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QWidget;

// The script editor in fraEditScript: one script as rows of lstCommands (command, description), its caption
// in txtLabel and its description in txtNote. It neither stores nor runs anything; the quick-dial memory
// copies its content into a slot and back, the runner sends its rows.
class ScriptEditor : public QObject {
    Q_OBJECT

public:
    static constexpr int LabelMaxLength = 40;
    static constexpr int NoteMaxLength = 128;

    // The main-window widgets the editor owns the behaviour of.
    struct Widgets {
        QTreeWidget* lstCommands = nullptr;
        QCheckBox* chkAbove = nullptr;
        QPushButton* cmdCreateCommand2 = nullptr;
        QPushButton* cmdCreateManualCommand = nullptr;
        QPushButton* cmdDeleteCommand = nullptr;
        QPushButton* cmdCommandUp = nullptr;
        QPushButton* cmdCommandDown = nullptr;
        QPushButton* cmdCommandTest = nullptr;
        QLineEdit* txtLabel = nullptr;
        QPlainTextEdit* txtNote = nullptr;
        QLabel* labCommandScriptCompleted = nullptr;
    };

    // Runs the command assistant offering only the commands that set something (no queries) and returns
    // the composed command with its description; an empty command when the user cancelled.
    using AssistantRun = std::function<ScriptLine()>;

    // dialogParent owns the input box.
    ScriptEditor(const Widgets& widgets, Dialogs& dialogs, QWidget* dialogParent, QObject* parent = nullptr);

    // Until an assistant is set, its button inserts nothing, as if the assistant had been cancelled.
    void setAssistant(AssistantRun runWithoutQueries);

    // The rows in execution order.
    Script script() const;
    // Replaces every row; the first row becomes the current row without being selected.
    void setScript(const Script& script);
    int rowCount() const;
    // Row from 0; an empty line outside the list.
    ScriptLine lineAt(int row) const;

    QString label() const;
    // Set as given, also beyond the length that typing is held to.
    void setLabel(const QString& label);
    QString note() const;
    // Set as given: the length limit and the line-break rule apply to typing and pasting only, so a
    // description fetched from a slot comes back unchanged.
    void setNote(const QString& note);

    // Whether the device software is connected. cmdCommandTest can be pressed only then (and with rows).
    void setLinkUsable(bool usable);
    bool linkUsable() const { return m_linkUsable; }

    // Focus for the checks of the quick-dial memory. focusCommands also selects row (from 0) if valid.
    void focusCommands(int row = -1);
    void focusNote();
    void focusLabel();

    // Enables test, delete, up and down from the state of the list. The current row of lstCommands is
    // the row that inserts work on; delete and the moves also need it selected.
    void UpdateScriptEditorButtons();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addFromAssistant();
    void addManually();
    void moveUp();
    void moveDown();
    void moveCurrentBy(int offset);
    void deleteCommand();
    void insertLine(const ScriptLine& line);
    void selectRow(int row);
    int selectedCurrentRow() const;
    void onLabelEdited();
    void onNoteContentsChange(int position, int charsRemoved, int charsAdded);
    void enforceNoteRules();

    Widgets m_w;
    Dialogs& m_dialogs;
    QWidget* m_dialogParent = nullptr;
    AssistantRun m_runAssistant;
    bool m_linkUsable = false;
    // Where the last edit of txtNote inserted text, so an over-long insert is cut where it was made.
    int m_noteInsertAt = 0;
    int m_noteInserted = 0;
    bool m_noteSetByProgram = false;
    bool m_fixingNote = false;
};
