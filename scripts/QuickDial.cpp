#include "scripts/QuickDial.h"

#include "app/Codec.h"

#include "app/Dialogs.h"
#include "app/Texts.h"
#include "scripts/ScriptEditor.h"
#include "scripts/ScriptViewer.h"
#include "scripts/ScriptWidgets.h"
#include "scripts/ScriptsLog.h"

#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr int TextCaption = 3027;
constexpr int TextEmptySlot = 3102;
constexpr int TextUnstorableCharacter = 3140;

std::size_t slotIndex(int n) {
    return static_cast<std::size_t>(n - 1);
}

// The configuration file joins commands and descriptions with "#": one inside them would split the slot
// into different commands on the next load. The row of the first such line, or -1.
qsizetype firstLineWithSeparator(const Script& script) {
    const QChar separator = QLatin1Char('#');
    for (qsizetype row = 0; row < script.size(); ++row) {
        const ScriptLine& line = script.at(row);
        if (line.command.contains(separator) || line.description.contains(separator))
            return row;
    }
    return -1;
}

// The configuration file is Windows-1252: another character would come back as '?', and a command
// changed that way would later be sent as a different command. The row of the first such line, or -1.
qsizetype firstLineOutsideCodePage(const Script& script) {
    for (qsizetype row = 0; row < script.size(); ++row) {
        const ScriptLine& line = script.at(row);
        if (!Cp1252::canEncode(line.command) || !Cp1252::canEncode(line.description))
            return row;
    }
    return -1;
}

// Characters the configuration file gives back changed: a line break would end the value, and 0x14 is taken
// out of commands and descriptions on loading. The name of the first one in text, or "".
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

bool isSlotNumber(int n) {
    return n >= 1 && n <= QuickDialSlotCount;
}

void setButtonColour(QPushButton* button, const QColor& colour) {
    QPalette palette = button->palette();
    if (palette.color(QPalette::Button) == colour)
        return;
    palette.setColor(QPalette::Button, colour);
    button->setPalette(palette);
}

} // namespace

QuickDial::QuickDial(const Widgets& widgets, ScriptEditor& editor, Dialogs& dialogs, QWidget* dialogParent,
                     QObject* parent)
    : QObject(parent)
    , m_w(widgets)
    , m_editor(editor)
    , m_dialogs(dialogs)
    , m_dialogParent(dialogParent) {
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        const std::size_t i = slotIndex(n);
        connect(m_w.cmdCommand[i], &QPushButton::clicked, this, [this, n] { HandleSlotButton(n); });
        connect(m_w.cmdF[i], &QPushButton::clicked, this, [this, n] { HandleSlotButton(n); });
        // The double-click lands on the viewport of the text box, not on the box itself.
        m_w.txtCommandDescript[i]->viewport()->installEventFilter(this);
        m_w.cmdF[i]->setAutoFillBackground(true);
    }
    connect(m_w.cmdSave, &QPushButton::clicked, this, &QuickDial::onSave);
    connect(m_w.cmdGetCommand, &QPushButton::clicked, this, &QuickDial::onGetCommand);
    connect(m_w.cmdDeleteScript, &QPushButton::clicked, this, &QuickDial::onDeleteScript);
}

void QuickDial::setRunnerHooks(RunnerHooks hooks) {
    m_hooks = std::move(hooks);
}

const QuickDialSlot& QuickDial::slotAt(int n) const {
    static const QuickDialSlot none;
    return isSlotNumber(n) ? m_slots[slotIndex(n)] : none;
}

void QuickDial::loadSlots(const QuickDialSlots& fromFile) {
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        QuickDialSlot& slot = m_slots[slotIndex(n)];
        slot = fromFile[slotIndex(n)];
        m_w.txtCommandDescript[slotIndex(n)]->setPlainText(slot.description);
        if (slot.caption.isEmpty()) {
            slot.caption = GetText(TextEmptySlot);
            showSlot(n, slot.caption, slot.caption, QString());
        } else {
            showLabelledSlot(n);
        }
    }
    qCDebug(lcScripts) << "quick dial: slots loaded";
}

void QuickDial::HandleSlotButton(int n) {
    m_w.labCommandScriptCompleted->hide();
    if (!isSlotNumber(n) || busy())
        return;
    if (!m_fetchPending && !m_storePending && !m_deletePending) {
        // The runner holds ScriptBusy for as long as the run lasts.
        if (m_hooks.runSlot)
            m_hooks.runSlot(n);
        return;
    }
    setBusy(true);
    if (m_fetchPending)
        fetch(n);
    else if (m_storePending)
        store(n);
    else
        remove(n);
    setBusy(false);
}

void QuickDial::clearSlotModes() {
    m_storePending = false;
    m_fetchPending = false;
    m_deletePending = false;
}

QColor QuickDial::normalColour() const {
    return m_w.cmdCommand[0]->palette().color(QPalette::Button);
}

void QuickDial::blinkTick() {
    const bool pending = m_storePending || m_fetchPending || m_deletePending;
    const QColor normal = normalColour();
    const bool showsNormal = m_w.cmdF[0]->palette().color(QPalette::Button) == normal;
    const QColor colour = pending && showsNormal ? blinkColour() : normal;
    for (QPushButton* button : m_w.cmdF) {
        setButtonColour(button, colour);
        button->setEnabled(pending);
    }
}

bool QuickDial::ShowSlotScript(int n) {
    if (!isSlotNumber(n))
        return false;
    // The viewer takes its rows before it opens, so a change of the slot meanwhile does not reach it.
    return ScriptViewer::showScript(m_dialogParent, m_slots[slotIndex(n)].lines);
}

bool QuickDial::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int n = 1; n <= QuickDialSlotCount; ++n) {
            if (watched == m_w.txtCommandDescript[slotIndex(n)]->viewport()) {
                ShowSlotScript(n);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void QuickDial::onSave() {
    if (!editorFitsSlot())
        return;
    m_fetchPending = false;
    // A second press cancels the store.
    m_storePending = !m_storePending;
}

void QuickDial::onGetCommand() {
    m_fetchPending = !m_fetchPending;
    m_storePending = false;
    for (QPushButton* button : m_w.cmdF)
        button->setEnabled(true);
}

void QuickDial::onDeleteScript() {
    m_deletePending = !m_deletePending;
}

bool QuickDial::editorFitsSlot() {
    if (m_editor.rowCount() == 0) {
        m_dialogs.warning(m_dialogParent, GetText(3119), GetText(3118));
        m_editor.focusCommands();
        return false;
    }
    if (m_editor.note().isEmpty()) {
        m_dialogs.warning(m_dialogParent, GetText(3121), GetText(3120));
        m_editor.focusNote();
        return false;
    }
    if (m_editor.label().isEmpty()) {
        m_dialogs.warning(m_dialogParent, GetText(3123), GetText(3122));
        m_editor.focusLabel();
        return false;
    }
    return !refuseSeparator(m_editor.script());
}

bool QuickDial::refuseSeparator(const Script& script) {
    if (const qsizetype row = firstLineWithSeparator(script); row >= 0) {
        m_dialogs.warning(m_dialogParent, GetText(3130), GetText(3129));
        m_editor.focusCommands(int(row));
        return true;
    }
    auto refuseCharacter = [this](const QString& name) {
        QString message = GetText(TextUnstorableCharacter);
        m_dialogs.warning(m_dialogParent, GetText(3130), FillPlaceholders(message, {name}));
    };
    for (qsizetype row = 0; row < script.size(); ++row) {
        const ScriptLine& line = script.at(row);
        const QString name = unstorableCharacter(line.command + line.description);
        if (!name.isEmpty()) {
            refuseCharacter(name);
            m_editor.focusCommands(int(row));
            return true;
        }
    }
    if (const QString name = unstorableCharacter(m_editor.label()); !name.isEmpty()) {
        refuseCharacter(name);
        m_editor.focusLabel();
        return true;
    }
    if (const qsizetype row = firstLineOutsideCodePage(script); row >= 0) {
        m_dialogs.warning(m_dialogParent, GetText(3130), GetText(3139));
        m_editor.focusCommands(int(row));
        return true;
    }
    if (!Cp1252::canEncode(m_editor.label()) || !Cp1252::canEncode(m_editor.note())) {
        m_dialogs.warning(m_dialogParent, GetText(3130), GetText(3139));
        if (!Cp1252::canEncode(m_editor.label()))
            m_editor.focusLabel();
        else
            m_editor.focusNote();
        return true;
    }
    return false;
}

void QuickDial::fetch(int n) {
    m_fetchPending = false;
    const QuickDialSlot& slot = m_slots[slotIndex(n)];
    m_editor.setNote(slot.description);
    m_editor.setLabel(slot.caption);
    m_editor.setScript(slot.lines);
    m_w.SSTab1->setCurrentIndex(EditorTab);
    for (QPushButton* button : m_w.cmdF)
        button->setEnabled(false);
    qCDebug(lcScripts) << "quick dial: fetched slot" << n;
}

void QuickDial::store(int n) {
    m_storePending = false;
    // The editor may have changed since cmdSave checked it; a "#" would corrupt the slot's file.
    Script lines = m_editor.script();
    if (refuseSeparator(lines))
        return;
    QuickDialSlot& slot = m_slots[slotIndex(n)];
    slot.description = m_editor.note();
    slot.caption = m_editor.label();
    slot.lines = std::move(lines);
    m_w.txtCommandDescript[slotIndex(n)]->setPlainText(slot.description);
    showLabelledSlot(n);
    qCDebug(lcScripts) << "quick dial: stored slot" << n << "with" << slot.lines.size() << "commands";
}

void QuickDial::remove(int n) {
    m_deletePending = false;
    QString question = GetText(3100);
    FillPlaceholders(question, {QString::number(n)});
    if (!m_dialogs.question(m_dialogParent, GetText(3101), question))
        return;
    m_slots[slotIndex(n)] = QuickDialSlot{};
    m_w.txtCommandDescript[slotIndex(n)]->setPlainText(QString());
    showSlot(n, QString(), GetText(TextEmptySlot), QString());
    qCDebug(lcScripts) << "quick dial: deleted slot" << n;
}

void QuickDial::showSlot(int n, const QString& runCaption, const QString& choiceCaption,
                         const QString& toolTip) {
    const std::size_t i = slotIndex(n);
    m_w.cmdCommand[i]->setText(ScriptWidgets::buttonCaption(runCaption));
    m_w.cmdF[i]->setText(ScriptWidgets::buttonCaption(choiceCaption));
    m_w.cmdF[i]->setToolTip(ScriptWidgets::plainToolTip(toolTip));
}

void QuickDial::showLabelledSlot(int n) {
    const QString& caption = m_slots[slotIndex(n)].caption;
    showSlot(n, caption, ScriptWidgets::leftCharacters(caption, ChoiceCaptionLength) + QStringLiteral("..."),
             GetText(TextCaption) + QStringLiteral(": ") + caption);
}

bool QuickDial::busy() const {
    return m_hooks.isBusy ? m_hooks.isBusy() : m_ownBusy;
}

void QuickDial::setBusy(bool busy) {
    if (m_hooks.setBusy)
        m_hooks.setBusy(busy);
    else
        m_ownBusy = busy;
}
