#include "gui/ScriptEditorPage.h"

#include "core/scripts/ScriptsLog.h"
#include "core/texts/Texts.h"
#include "gui/Access.h"
#include "gui/Dialogs.h"
#include "gui/Layout.h"
#include "gui/Palette.h"
#include "gui/ScriptWidgets.h"
#include "gui/WrappingButton.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace {

bool isLineBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

} // namespace

ScriptEditorPage::ScriptEditorPage(QuickDialMemory* memory, Dialogs& dialogs, QPoint pageOffset,
                                   QWidget* parent)
    : QWidget(parent)
    , m_memory(memory)
    , m_dialogs(dialogs) {
    buildWidgets(pageOffset);
    // New commands go below the current row unless the user asks otherwise.
    chkAbove->setChecked(false);
    txtLabel->setMaxLength(LabelMaxLength);

    connect(cmdCreateCommand2, &QPushButton::clicked, this, &ScriptEditorPage::addFromAssistant);
    connect(cmdCreateManualCommand, &QPushButton::clicked, this, &ScriptEditorPage::addManually);
    connect(cmdCommandUp, &QPushButton::clicked, this, &ScriptEditorPage::moveUp);
    connect(cmdCommandDown, &QPushButton::clicked, this, &ScriptEditorPage::moveDown);
    connect(cmdDeleteCommand, &QPushButton::clicked, this, &ScriptEditorPage::deleteCommand);
    connect(cmdCommandTest, &QPushButton::clicked, this, &ScriptEditorPage::testRequested);

    // Clicks and keys change the current row and the selection; the buttons follow every such change.
    QItemSelectionModel* selection = lstCommands->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this,
            &ScriptEditorPage::UpdateScriptEditorButtons);
    connect(selection, &QItemSelectionModel::currentChanged, this,
            &ScriptEditorPage::UpdateScriptEditorButtons);
    // A click on empty space unselects the current row but keeps it current: the view does that itself.
    lstCommands->installEventFilter(this);

    txtNote->installEventFilter(this);
    connect(txtNote->document(), &QTextDocument::contentsChange, this,
            &ScriptEditorPage::onNoteContentsChange);
    connect(txtNote, &QPlainTextEdit::textChanged, this, &ScriptEditorPage::enforceNoteRules);
    // A caption longer than typing allows came from a file; once the user has shortened it to the limit,
    // typing keeps to the limit again. A new limit sets the text afresh, which would move the cursor.
    connect(txtLabel, &QLineEdit::textEdited, this, [this] {
        if (txtLabel->maxLength() > LabelMaxLength && txtLabel->text().size() <= LabelMaxLength) {
            const int cursor = txtLabel->cursorPosition();
            txtLabel->setMaxLength(LabelMaxLength);
            txtLabel->setCursorPosition(cursor);
        }
    });

    connect(cmdSave, &QPushButton::clicked, this, &ScriptEditorPage::onSave);
    connect(cmdGetCommand, &QPushButton::clicked, this, &ScriptEditorPage::onGetCommand);
    connect(cmdDeleteScript, &QPushButton::clicked, m_memory, &QuickDialMemory::toggleDelete);
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        connect(cmdF[slotIndex(n)], &QPushButton::clicked, this, [this, n] { emit slotButtonPressed(n); });
        showSlotCaptions(n);
    }
    connect(m_memory, &QuickDialMemory::slotChanged, this, &ScriptEditorPage::showSlotCaptions);

    m_timTimer = new QTimer(this);
    m_timTimer->setObjectName(QStringLiteral("timTimer"));
    m_timTimer->setInterval(BlinkIntervalMs);
    connect(m_timTimer, &QTimer::timeout, this, &ScriptEditorPage::blinkTick);
    m_timTimer->start();

    UpdateScriptEditorButtons();
}

void ScriptEditorPage::buildWidgets(QPoint pageOffset) {
    using namespace Layout;
    const TabPlaces onTab(pageOffset);
    fraEditScript = make<QGroupBox>(this, "fraEditScript", onTab(120, 360, 6555, 4995));
    cmdCreateCommand2 = make<QPushButton>(fraEditScript, "cmdCreateCommand2", twipsRect(240, 360, 3075, 375));
    cmdCreateManualCommand =
        make<QPushButton>(fraEditScript, "cmdCreateManualCommand", twipsRect(3480, 360, 2835, 375));
    labCommands = makeLabel(fraEditScript, "labCommands", twipsRect(240, 840, 1335, 255));
    chkAbove = make<QCheckBox>(fraEditScript, "chkAbove", twipsRect(2640, 840, 1695, 195));
    lstCommands = make<QTreeWidget>(fraEditScript, "lstCommands", twipsRect(240, 1080, 4095, 2295));
    setupScriptList(lstCommands);
    cmdDeleteCommand = make<QPushButton>(fraEditScript, "cmdDeleteCommand", twipsRect(4500, 1140, 1815, 435));
    cmdCommandUp = make<QPushButton>(fraEditScript, "cmdCommandUp", twipsRect(4500, 1680, 555, 375));
    cmdCommandUp->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    cmdCommandDown = make<QPushButton>(fraEditScript, "cmdCommandDown", twipsRect(4500, 2100, 555, 375));
    cmdCommandDown->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    labCaption = makeLabel(fraEditScript, "labCaption", twipsRect(240, 3420, 1335, 255));
    cmdCommandTest = make<QPushButton>(fraEditScript, "cmdCommandTest", twipsRect(4440, 3600, 1875, 435));
    txtLabel = make<QLineEdit>(fraEditScript, "txtLabel", twipsRect(240, 3660, 4095, 315));
    labNote = makeLabel(fraEditScript, "labNote", twipsRect(240, 4020, 1335, 255));
    txtNote = makeMultiLine(fraEditScript, QStringLiteral("txtNote"), twipsRect(240, 4260, 6075, 555));
    for (QPushButton* b : {cmdDeleteCommand, cmdCommandUp, cmdCommandDown, cmdCommandTest})
        b->setEnabled(false);
    cmdSave = make<WrappingButton>(this, "cmdSave", onTab(6780, 2100, 975, 615));
    cmdGetCommand = make<WrappingButton>(this, "cmdGetCommand", onTab(6780, 2820, 975, 615));
    cmdDeleteScript = make<QPushButton>(this, "cmdDeleteScript", onTab(6780, 3780, 975, 375));
    fraStorage = make<QGroupBox>(this, "fraStorage", onTab(7860, 360, 1455, 4995));
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        QPushButton* b = make<WrappingButton>(fraStorage, QStringLiteral("cmdF%1").arg(n),
                                              twipsRect(180, 360 + 540 * (n - 1), 1095, 495));
        b->setEnabled(false);
        b->setAutoFillBackground(true);
        cmdF[slotIndex(n)] = b;
    }
    labInfo3 = makeInfoLabel(this, "labInfo3", onTab(180, 5460, 9075, 555));
    labCommands->setBuddy(lstCommands);
    labCaption->setBuddy(txtLabel);
    labNote->setBuddy(txtNote);
    for (QPushButton* b : cmdF)
        Access::markUserCaption(b);
    // Tab goes as the eye does: the test button, right of the caption, comes after the description.
    setTabOrder(txtLabel, txtNote);
    setTabOrder(txtNote, cmdCommandTest);
    setTabOrder(cmdCommandTest, cmdSave);

    m_growth.add(fraEditScript, Stretch);
    m_growth.add(lstCommands, Stretch);
    for (QPushButton* w :
         {cmdDeleteCommand, cmdCommandUp, cmdCommandDown, cmdSave, cmdGetCommand, cmdDeleteScript})
        m_growth.add(w, FollowRight);
    for (QWidget* w : {static_cast<QWidget*>(labCaption), static_cast<QWidget*>(labNote)})
        m_growth.add(w, FollowBottom);
    for (QWidget* w : {static_cast<QWidget*>(txtLabel), static_cast<QWidget*>(txtNote)})
        m_growth.add(w, FollowBottomStretchWidth);
    m_growth.add(cmdCommandTest, GrowthShare{1, 1, 0, 0});
    m_growth.add(fraStorage, GrowthShare{1, 0, 0, 1});
    m_growth.add(labInfo3, FollowBottomStretchWidth);
}

void ScriptEditorPage::setGrowth(QSize growth) {
    m_growth.apply(growth);
}

void ScriptEditorPage::retranslate() {
    fraEditScript->setTitle(GetText(TextId::FrameEditScript));
    cmdCreateCommand2->setText(GetText(TextId::CreateWithAssistantButton));
    cmdCreateManualCommand->setText(GetText(TextId::CreateManuallyButton));
    labCommands->setText(GetText(TextId::CommandsLabel));
    chkAbove->setText(GetText(TextId::InsertAboveBox));
    cmdDeleteCommand->setText(GetText(TextId::DeleteCommandButton));
    labCaption->setText(GetText(TextId::Caption));
    labNote->setText(GetText(TextId::Description));
    cmdCommandTest->setText(GetText(TextId::TestScriptButton));
    cmdSave->setText(GetText(TextId::StoreButton));
    cmdGetCommand->setText(GetText(TextId::FetchButton));
    cmdDeleteScript->setText(GetText(TextId::DeleteSlotButton));
    fraStorage->setTitle(GetText(TextId::FrameSlotChoice));
    labInfo3->setText(GetText(TextId::InfoScriptEditor));
    // A list view is not named by its buddy; the arrow buttons show icons only.
    lstCommands->setAccessibleName(GetText(TextId::CommandsLabel));
    cmdCommandUp->setAccessibleName(GetText(TextId::CommandUpName));
    cmdCommandUp->setToolTip(GetText(TextId::CommandUpName));
    cmdCommandDown->setAccessibleName(GetText(TextId::CommandDownName));
    cmdCommandDown->setToolTip(GetText(TextId::CommandDownName));
    lstCommands->setHeaderLabels({GetText(TextId::CommandColumn), GetText(TextId::DescriptionColumn)});
}

void ScriptEditorPage::setAssistant(AssistantRun runWithoutQueries) {
    m_runAssistant = std::move(runWithoutQueries);
}

Script ScriptEditorPage::script() const {
    return ScriptWidgets::listScript(lstCommands);
}

void ScriptEditorPage::setScript(const Script& script) {
    ScriptWidgets::fillList(lstCommands, script);
    if (QTreeWidgetItem* first = lstCommands->topLevelItem(0)) {
        const QModelIndex index = lstCommands->indexFromItem(first);
        lstCommands->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    UpdateScriptEditorButtons();
}

int ScriptEditorPage::rowCount() const {
    return lstCommands->topLevelItemCount();
}

ScriptLine ScriptEditorPage::lineAt(int row) const {
    return ScriptWidgets::rowLine(lstCommands->topLevelItem(row));
}

QString ScriptEditorPage::label() const {
    return txtLabel->text();
}

void ScriptEditorPage::setLabel(const QString& label) {
    // The limit is for typing: a longer caption from a file comes back whole, so it is stored back whole.
    txtLabel->setMaxLength(std::max<int>(LabelMaxLength, int(label.size())));
    txtLabel->setText(label);
}

QString ScriptEditorPage::note() const {
    return txtNote->toPlainText();
}

void ScriptEditorPage::setNote(const QString& note) {
    m_noteSetByProgram = true;
    txtNote->setPlainText(note);
    m_noteSetByProgram = false;
}

void ScriptEditorPage::setLinkUsable(bool usable) {
    // Called on every state tick: the test button follows the rows even when they change behind our back.
    m_linkUsable = usable;
    UpdateScriptEditorButtons();
}

void ScriptEditorPage::focusCommands(int row) {
    if (row >= 0 && row < rowCount())
        selectRow(row);
    lstCommands->setFocus(Qt::OtherFocusReason);
}

void ScriptEditorPage::fitColumns() {
    ScriptWidgets::fitColumns(lstCommands);
}

QuickDialSlot ScriptEditorPage::slotFromEditor() const {
    return QuickDialSlot{label(), note(), script()};
}

void ScriptEditorPage::fetchSlot(const QuickDialSlot& slot) {
    setNote(slot.description);
    setLabel(slot.caption);
    setScript(slot.lines);
    for (QPushButton* button : cmdF)
        button->setEnabled(false);
}

void ScriptEditorPage::showRefusal(const SlotRefusal& refusal) {
    m_dialogs.warning(this, GetText(refusal.title), filledText(refusal.text, refusal.values));
    switch (refusal.field) {
    case SlotRefusal::Field::Commands:
        focusCommands(refusal.row);
        break;
    case SlotRefusal::Field::Note:
        txtNote->setFocus(Qt::OtherFocusReason);
        break;
    case SlotRefusal::Field::Caption:
        txtLabel->setFocus(Qt::OtherFocusReason);
        break;
    }
}

void ScriptEditorPage::onSave() {
    if (const std::optional<SlotRefusal> refusal = checkSlotContent(script(), label(), note())) {
        showRefusal(*refusal);
        return;
    }
    m_memory->toggleStore();
}

void ScriptEditorPage::onGetCommand() {
    m_memory->toggleFetch();
    for (QPushButton* button : cmdF)
        button->setEnabled(true);
}

void ScriptEditorPage::showSlotCaptions(int n) {
    const SlotCaptions& captions = m_memory->captionsAt(n);
    QPushButton* button = cmdF[slotIndex(n)];
    button->setText(ScriptWidgets::buttonCaption(captions.choice));
    button->setToolTip(ScriptWidgets::plainToolTip(captions.toolTip));
    // Its key and caption as its name; the tooltip's text, not its markup, as its description.
    button->setAccessibleName(filledText(TextId::SlotButtonName, {QString::number(n), captions.choice}));
    button->setAccessibleDescription(captions.toolTip);
}

void ScriptEditorPage::blinkTick() {
    const bool pending = m_memory->anyModePending();
    const QColor normal = palette().color(QPalette::Button);
    const bool showsNormal = cmdF[0]->palette().color(QPalette::Button) == normal;
    const QColor colour = pending && showsNormal ? Palette::blinkBackground(palette()) : normal;
    for (QPushButton* button : cmdF) {
        if (button->palette().color(QPalette::Button) != colour) {
            QPalette buttonPalette = button->palette();
            buttonPalette.setColor(QPalette::Button, colour);
            button->setPalette(buttonPalette);
        }
        button->setEnabled(pending);
    }
}

void ScriptEditorPage::UpdateScriptEditorButtons() {
    const int count = rowCount();
    const int row = selectedCurrentRow();
    const bool selected = row >= 0;
    cmdCommandTest->setEnabled(count > 0 && m_linkUsable);
    cmdDeleteCommand->setEnabled(selected);
    cmdCommandUp->setEnabled(selected && row >= 1);
    cmdCommandDown->setEnabled(selected && count >= 2 && row < count - 1);
}

bool ScriptEditorPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstCommands) {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            UpdateScriptEditorButtons();
    } else if (watched == txtNote && event->type() == QEvent::KeyPress) {
        // The description takes no line breaks; it wraps instead.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ScriptEditorPage::addFromAssistant() {
    const ScriptLine result = m_runAssistant ? m_runAssistant() : ScriptLine{};
    // Shorter results cannot be a command; a cancelled assistant gives an empty one.
    if (result.command.size() >= 2) {
        insertLine(result);
        // The focus goes where the new command went.
        lstCommands->setFocus(Qt::OtherFocusReason);
    }
    UpdateScriptEditorButtons();
    ScriptWidgets::fitColumns(lstCommands);
}

void ScriptEditorPage::addManually() {
    emit manualEntryStarted();
    const std::optional<QString> typed =
        m_dialogs.inputText(this, GetText(TextId::EnterCommandTitle), GetText(TextId::EnterCommandPrompt));
    // Taken exactly as typed, blanks included; the device software judges the syntax.
    if (typed && !typed->isEmpty())
        insertLine({*typed, QString()});
    UpdateScriptEditorButtons();
    ScriptWidgets::fitColumns(lstCommands);
}

void ScriptEditorPage::insertLine(const ScriptLine& line) {
    QTreeWidget* list = lstCommands;
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
    const int at = chkAbove->isChecked() ? p : p + 1;
    list->insertTopLevelItem(at, ScriptWidgets::makeRow(line));
    selectRow(at);
    qCDebug(lcScripts) << "editor: inserted" << line.command << "at row" << at;
}

void ScriptEditorPage::selectRow(int row) {
    QTreeWidget* list = lstCommands;
    QTreeWidgetItem* item = list->topLevelItem(row);
    if (!item)
        return;
    list->selectionModel()->setCurrentIndex(list->indexFromItem(item),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->scrollToItem(item);
}

int ScriptEditorPage::selectedCurrentRow() const {
    QTreeWidgetItem* current = lstCommands->currentItem();
    if (!current || !current->isSelected())
        return -1;
    return lstCommands->indexOfTopLevelItem(current);
}

void ScriptEditorPage::moveUp() {
    moveCurrentBy(-1);
}

void ScriptEditorPage::moveDown() {
    moveCurrentBy(1);
}

void ScriptEditorPage::moveCurrentBy(int offset) {
    const int p = selectedCurrentRow();
    const int q = p + offset;
    if (p >= 0 && q >= 0 && q < rowCount()) {
        // The two rows exchange their contents; the moved command stays current.
        QTreeWidgetItem* from = lstCommands->topLevelItem(p);
        QTreeWidgetItem* to = lstCommands->topLevelItem(q);
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

void ScriptEditorPage::deleteCommand() {
    const int p = selectedCurrentRow();
    if (p >= 0) {
        delete lstCommands->takeTopLevelItem(p);
        const int count = rowCount();
        if (count > 0)
            selectRow(p < count ? p : count - 1);
    }
    UpdateScriptEditorButtons();
}

void ScriptEditorPage::onNoteContentsChange(int /*position*/, int charsRemoved, int charsAdded) {
    if (m_fixingNote)
        return;
    // Only the net count holds: an insert at the very start is reported as a change of the whole text.
    m_noteInserted = charsAdded - charsRemoved;
}

void ScriptEditorPage::enforceNoteRules() {
    if (m_fixingNote || m_noteSetByProgram)
        return;
    const QString text = note();
    // Typed, pasted or dropped text ends at the caret.
    const int insertedEnd = std::min(txtNote->textCursor().position(), int(text.size()));
    const bool hasBreak = std::any_of(text.cbegin(), text.cend(), isLineBreak);
    const qsizetype excess = text.size() - NoteMaxLength;
    if (!hasBreak && excess <= 0)
        return;

    m_fixingNote = true;
    QTextCursor cursor(txtNote->document());
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
        int cut = std::min(int(excess), std::clamp(m_noteInserted, 0, insertedEnd));
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
