#include "scripts/ScriptEditor.h"

#include "app/Dialogs.h"
#include "app/Texts.h"
#include "scripts/ScriptWidgets.h"
#include "scripts/ScriptsLog.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>

#include <algorithm>

namespace {

bool isLineBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

} // namespace

ScriptEditor::ScriptEditor(const Widgets& widgets, Dialogs& dialogs, QWidget* dialogParent, QObject* parent)
    : QObject(parent)
    , m_w(widgets)
    , m_dialogs(dialogs)
    , m_dialogParent(dialogParent) {
    // New commands go below the current row unless the user asks otherwise.
    m_w.chkAbove->setChecked(false);
    m_w.txtLabel->setMaxLength(LabelMaxLength);
    connect(m_w.txtLabel, &QLineEdit::textEdited, this, &ScriptEditor::onLabelEdited);

    connect(m_w.cmdCreateCommand2, &QPushButton::clicked, this, &ScriptEditor::addFromAssistant);
    connect(m_w.cmdCreateManualCommand, &QPushButton::clicked, this, &ScriptEditor::addManually);
    connect(m_w.cmdCommandUp, &QPushButton::clicked, this, &ScriptEditor::moveUp);
    connect(m_w.cmdCommandDown, &QPushButton::clicked, this, &ScriptEditor::moveDown);
    connect(m_w.cmdDeleteCommand, &QPushButton::clicked, this, &ScriptEditor::deleteCommand);

    // Clicks and keys change the current row and the selection; the buttons follow every such change.
    QItemSelectionModel* selection = m_w.lstCommands->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this,
            &ScriptEditor::UpdateScriptEditorButtons);
    connect(selection, &QItemSelectionModel::currentChanged, this, &ScriptEditor::UpdateScriptEditorButtons);
    // A click on empty space unselects the current row but keeps it current: the view does that itself.
    m_w.lstCommands->installEventFilter(this);

    m_w.txtNote->installEventFilter(this);
    connect(m_w.txtNote->document(), &QTextDocument::contentsChange, this,
            &ScriptEditor::onNoteContentsChange);
    connect(m_w.txtNote, &QPlainTextEdit::textChanged, this, &ScriptEditor::enforceNoteRules);

    UpdateScriptEditorButtons();
}

void ScriptEditor::setAssistant(AssistantRun runWithoutQueries) {
    m_runAssistant = std::move(runWithoutQueries);
}

Script ScriptEditor::script() const {
    return ScriptWidgets::listScript(m_w.lstCommands);
}

void ScriptEditor::setScript(const Script& script) {
    ScriptWidgets::fillList(m_w.lstCommands, script);
    if (QTreeWidgetItem* first = m_w.lstCommands->topLevelItem(0)) {
        const QModelIndex index = m_w.lstCommands->indexFromItem(first);
        m_w.lstCommands->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    UpdateScriptEditorButtons();
}

int ScriptEditor::rowCount() const {
    return m_w.lstCommands->topLevelItemCount();
}

ScriptLine ScriptEditor::lineAt(int row) const {
    return ScriptWidgets::rowLine(m_w.lstCommands->topLevelItem(row));
}

QString ScriptEditor::label() const {
    return m_w.txtLabel->text();
}

void ScriptEditor::setLabel(const QString& label) {
    // The limit is for typing: a longer caption from a file comes back whole, so it is stored back whole.
    m_w.txtLabel->setMaxLength(std::max(LabelMaxLength, int(label.size())));
    m_w.txtLabel->setText(label);
}

void ScriptEditor::onLabelEdited() {
    // Once the user has shortened a long caption to the limit, typing keeps to the limit again. A new limit
    // sets the text afresh, which would put the cursor at the end.
    QLineEdit* box = m_w.txtLabel;
    if (box->maxLength() > LabelMaxLength && box->text().size() <= LabelMaxLength) {
        const int cursor = box->cursorPosition();
        box->setMaxLength(LabelMaxLength);
        box->setCursorPosition(cursor);
    }
}

QString ScriptEditor::note() const {
    return m_w.txtNote->toPlainText();
}

void ScriptEditor::setNote(const QString& note) {
    m_noteSetByProgram = true;
    m_w.txtNote->setPlainText(note);
    m_noteSetByProgram = false;
}

void ScriptEditor::setLinkUsable(bool usable) {
    // Called on every state tick: the test button follows the rows even when they change behind our back.
    m_linkUsable = usable;
    UpdateScriptEditorButtons();
}

void ScriptEditor::focusCommands(int row) {
    if (row >= 0 && row < rowCount())
        selectRow(row);
    m_w.lstCommands->setFocus(Qt::OtherFocusReason);
}

void ScriptEditor::focusNote() {
    m_w.txtNote->setFocus(Qt::OtherFocusReason);
}

void ScriptEditor::focusLabel() {
    m_w.txtLabel->setFocus(Qt::OtherFocusReason);
}

void ScriptEditor::UpdateScriptEditorButtons() {
    const int count = rowCount();
    const int row = selectedCurrentRow();
    const bool selected = row >= 0;
    m_w.cmdCommandTest->setEnabled(count > 0 && m_linkUsable);
    m_w.cmdDeleteCommand->setEnabled(selected);
    m_w.cmdCommandUp->setEnabled(selected && row >= 1);
    m_w.cmdCommandDown->setEnabled(selected && count >= 2 && row < count - 1);
}

bool ScriptEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_w.lstCommands) {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            UpdateScriptEditorButtons();
    } else if (watched == m_w.txtNote && event->type() == QEvent::KeyPress) {
        // The description takes no line breaks; it wraps instead.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

void ScriptEditor::addFromAssistant() {
    const ScriptLine result = m_runAssistant ? m_runAssistant() : ScriptLine{};
    // Shorter results cannot be a command; a cancelled assistant gives an empty one.
    if (result.command.size() >= 2)
        insertLine(result);
    UpdateScriptEditorButtons();
    ScriptWidgets::fitColumns(m_w.lstCommands);
}

void ScriptEditor::addManually() {
    m_w.labCommandScriptCompleted->hide();
    const std::optional<QString> typed = m_dialogs.inputText(m_dialogParent, GetText(3115), GetText(3114));
    // Taken exactly as typed, blanks included; the device software judges the syntax.
    if (typed && !typed->isEmpty())
        insertLine({*typed, QString()});
    UpdateScriptEditorButtons();
    ScriptWidgets::fitColumns(m_w.lstCommands);
}

void ScriptEditor::insertLine(const ScriptLine& line) {
    QTreeWidget* list = m_w.lstCommands;
    QTreeWidgetItem* current = list->currentItem();
    if (!current) {
        // Into an empty list: the row becomes current, but is neither selected nor scrolled to.
        list->addTopLevelItem(ScriptWidgets::makeRow(line));
        QTreeWidgetItem* added = list->topLevelItem(list->topLevelItemCount() - 1);
        list->selectionModel()->setCurrentIndex(list->indexFromItem(added), QItemSelectionModel::NoUpdate);
        qCDebug(lcScripts) << "editor: appended" << line.command;
        return;
    }
    const int p = list->indexOfTopLevelItem(current);
    const int at = m_w.chkAbove->isChecked() ? p : p + 1;
    list->insertTopLevelItem(at, ScriptWidgets::makeRow(line));
    selectRow(at);
    qCDebug(lcScripts) << "editor: inserted" << line.command << "at row" << at;
}

void ScriptEditor::selectRow(int row) {
    QTreeWidget* list = m_w.lstCommands;
    QTreeWidgetItem* item = list->topLevelItem(row);
    if (!item)
        return;
    list->selectionModel()->setCurrentIndex(list->indexFromItem(item),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->scrollToItem(item);
}

int ScriptEditor::selectedCurrentRow() const {
    QTreeWidgetItem* current = m_w.lstCommands->currentItem();
    if (!current || !current->isSelected())
        return -1;
    return m_w.lstCommands->indexOfTopLevelItem(current);
}

void ScriptEditor::moveUp() {
    moveCurrentBy(-1);
}

void ScriptEditor::moveDown() {
    moveCurrentBy(1);
}

void ScriptEditor::moveCurrentBy(int offset) {
    const int p = selectedCurrentRow();
    const int q = p + offset;
    if (p >= 0 && q >= 0 && q < rowCount()) {
        // The two rows exchange their contents; the moved command stays current.
        QTreeWidgetItem* from = m_w.lstCommands->topLevelItem(p);
        QTreeWidgetItem* to = m_w.lstCommands->topLevelItem(q);
        const ScriptLine moving = ScriptWidgets::rowLine(from);
        const ScriptLine other = ScriptWidgets::rowLine(to);
        to->setText(0, moving.command);
        to->setText(1, moving.description);
        from->setText(0, other.command);
        from->setText(1, other.description);
        selectRow(q);
    }
    UpdateScriptEditorButtons();
}

void ScriptEditor::deleteCommand() {
    const int p = selectedCurrentRow();
    if (p >= 0) {
        delete m_w.lstCommands->takeTopLevelItem(p);
        const int count = rowCount();
        if (count > 0)
            selectRow(p < count ? p : count - 1);
    }
    UpdateScriptEditorButtons();
}

void ScriptEditor::onNoteContentsChange(int position, int /*charsRemoved*/, int charsAdded) {
    if (m_fixingNote)
        return;
    m_noteInsertAt = position;
    m_noteInserted = charsAdded;
}

void ScriptEditor::enforceNoteRules() {
    if (m_fixingNote || m_noteSetByProgram)
        return;
    const QString text = note();
    const bool hasBreak = std::any_of(text.cbegin(), text.cend(), isLineBreak);
    const qsizetype excess = text.size() - NoteMaxLength;
    if (!hasBreak && excess <= 0)
        return;

    m_fixingNote = true;
    QTextCursor cursor(m_w.txtNote->document());
    // One undo step with the edit that caused it.
    cursor.joinPreviousEditBlock();
    // Positions of the plain text and of the document agree one to one, and a blank keeps them so.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isLineBreak(text.at(i)))
            continue;
        cursor.setPosition(int(i));
        cursor.setPosition(int(i) + 1, QTextCursor::KeepAnchor);
        cursor.insertText(QStringLiteral(" "));
    }
    if (excess > 0) {
        // Like a one-line box with a maximum length: what does not fit of the new text is dropped. Text
        // that was already longer (a description set from a slot) stays as it is.
        const int insertedEnd = std::min(m_noteInsertAt + m_noteInserted, int(text.size()));
        int cut = std::min(int(excess), std::max(0, insertedEnd - m_noteInsertAt));
        // Never keep half of a character that takes two UTF-16 units.
        if (cut > 0 && cut < insertedEnd && text.at(insertedEnd - cut).isLowSurrogate())
            ++cut;
        if (cut > 0) {
            cursor.setPosition(insertedEnd - cut);
            cursor.setPosition(insertedEnd, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
    }
    cursor.endEditBlock();
    m_fixingNote = false;
}
