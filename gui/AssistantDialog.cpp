#include "gui/AssistantDialog.h"

#include "core/files/Platform.h"
#include "core/files/Profile.h"
#include "core/files/Settings.h"
#include "core/texts/Texts.h"
#include "gui/Access.h"
#include "gui/Dialogs.h"
#include "gui/FilterTextInput.h"
#include "gui/Help.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

Q_LOGGING_CATEGORY(lcAssistant, "telvane.assistant", QtWarningMsg)

namespace {

const QString CommandKey = QStringLiteral("Command");
constexpr int CommandKeySize = 9;
constexpr qsizetype WidestDescription = 80;

// The file types the German filter offers; a filter text without patterns (the English one) gets them too.
const QString BackupFilePatterns = QStringLiteral("*.txt;*.inf");

QString g_lastAssistantPath;

QString text(TextId id) {
    return GetText(id);
}

QLabel* makeLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    // Record texts come from the catalogue and paths from the user: never read them as rich text.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

// Hidden entry widgets keep their room, so the dialog does not jump from page to page.
void keepRoomWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

QString LastAssistantPath() {
    return g_lastAssistantPath;
}

void setLastAssistantPath(const QString& folder) {
    g_lastAssistantPath = folder;
}

AssistantResult RunCommandAssistant(const AssistantContext& context) {
    AssistantDialog dialog(context);
    dialog.exec();
    return dialog.assistantResult();
}

AssistantDialog::AssistantDialog(const AssistantContext& context)
    : QDialog(context.parent)
    , m_setupIniPath(context.setupIniPath)
    , m_programFolder(context.programFolder.isEmpty() ? Platform::programFolder() : context.programFolder)
    , m_dialogs(context.dialogs)
    , m_showHelp(context.showHelp) {
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<QtDialogs>();
        m_dialogs = m_ownDialogs.get();
    }
    setObjectName(QStringLiteral("frmAssistant"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildWidgets();

    m_result = {};
    applyTexts();
    const int deviceType = context.deviceType == 0 ? 0 : 1;
    loadCatalogue(LoadCommandCatalogue(deviceType, context.includeQueries), deviceType,
                  context.includeQueries);
    selectStoredEntry();
    m_cboCommand->setFocus();
}

AssistantDialog::~AssistantDialog() = default;

void AssistantDialog::buildWidgets() {
    m_labCommand = makeLabel(this, "labCommand");
    m_labSelCommand = makeLabel(this, "labSelCommand");
    // A command with a long text value must not stretch the dialog across the screen.
    m_labSelCommand->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_labSelCommand->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = m_labSelCommand->font();
    bold.setBold(true);
    m_labSelCommand->setFont(bold);

    m_cboCommand = new QComboBox(this);
    m_cboCommand->setObjectName(QStringLiteral("cboCommand"));
    m_cboCommand->setEditable(false);
    m_cboCommand->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    m_labNote = makeLabel(this, "labNote");
    m_labNote->setWordWrap(true);
    m_labNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_labNote->setMinimumHeight(3 * m_labNote->fontMetrics().lineSpacing());

    m_labParameter = makeLabel(this, "labParameter");
    keepRoomWhenHidden(m_labParameter);

    m_txtText = new QLineEdit(this);
    m_txtText->setObjectName(QStringLiteral("txtText"));
    keepRoomWhenHidden(m_txtText);

    m_cwnValue = new QSpinBox(this);
    m_cwnValue->setObjectName(QStringLiteral("cwnValue"));
    m_cwnValue->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    m_cwnValue->setMinimumWidth(m_cwnValue->sizeHint().width());

    m_cmdSelectPath = makeButton(this, "cmdSelectPath");
    m_cmdSelectPath->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    keepRoomWhenHidden(m_cmdSelectPath);

    m_labMaxTextLen = makeLabel(this, "labMaxTextLen");
    keepRoomWhenHidden(m_labMaxTextLen);
    m_labMaxTextLen->setMinimumHeight(m_labMaxTextLen->fontMetrics().lineSpacing());

    m_cmdHelp = makeButton(this, "cmdHelp");
    m_cmdHelp->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    m_cmdNext = makeButton(this, "cmdNext");
    m_cmdNext->setDefault(true);
    m_cmdCancel = makeButton(this, "cmdCancel");

    auto* commandRow = new QHBoxLayout;
    commandRow->addWidget(m_labCommand);
    commandRow->addWidget(m_labSelCommand, 1);

    // txtText and cwnValue share one place; at most one of them is shown.
    auto* entryRow = new QGridLayout;
    entryRow->addWidget(m_txtText, 0, 0);
    entryRow->addWidget(m_cwnValue, 0, 0, Qt::AlignLeft);
    entryRow->addWidget(m_cmdSelectPath, 0, 1);
    entryRow->setColumnStretch(0, 1);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_cmdHelp);
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_cmdNext);
    buttonRow->addWidget(m_cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(commandRow);
    layout->addWidget(m_cboCommand);
    layout->addWidget(m_labNote);
    layout->addWidget(m_labParameter);
    layout->addLayout(entryRow);
    layout->addWidget(m_labMaxTextLen);
    layout->addStretch(1);
    layout->addLayout(buttonRow);

    setTabOrder(m_cboCommand, m_txtText);
    setTabOrder(m_txtText, m_cwnValue);
    setTabOrder(m_cwnValue, m_cmdSelectPath);
    setTabOrder(m_cmdSelectPath, m_cmdNext);
    setTabOrder(m_cmdNext, m_cmdCancel);
    setTabOrder(m_cmdCancel, m_cmdHelp);

    connect(m_cboCommand, &QComboBox::currentIndexChanged, this, &AssistantDialog::onCommandSelected);
    // Picking the entry already selected starts over too.
    connect(m_cboCommand, &QComboBox::activated, this, &AssistantDialog::onCommandSelected);
    connect(m_cmdNext, &QPushButton::clicked, this, &AssistantDialog::onNext);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_cmdSelectPath, &QPushButton::clicked, this, &AssistantDialog::onSelectPath);
    connect(m_cmdHelp, &QPushButton::clicked, this, &AssistantDialog::onHelp);
    connect(m_txtText, &QLineEdit::textChanged, this, &AssistantDialog::onTextChanged);
}

void AssistantDialog::applyTexts() {
    setWindowTitle(text(TextId::AssistantCaption));
    m_labCommand->setText(text(TextId::AssistantCommandLabel));
    m_labParameter->setText(text(TextId::AssistantDescriptionLabel));
    m_cmdNext->setText(text(TextId::AssistantNext));
    m_cmdCancel->setText(text(TextId::AssistantCancel));
    // Icon buttons and the list of commands, whose rows say which command but not what the list is for.
    m_cmdHelp->setAccessibleName(text(TextId::HelpTitle));
    m_cmdHelp->setToolTip(text(TextId::HelpTitle));
    m_cmdSelectPath->setAccessibleName(text(TextId::AssistantSelectFile));
    m_cmdSelectPath->setToolTip(text(TextId::AssistantSelectFile));
    m_cboCommand->setAccessibleName(text(TextId::CatalogueCommandName));
}

void AssistantDialog::loadCatalogue(const QStringList& records, int deviceType, bool includeQueries) {
    const QSignalBlocker blocker(m_cboCommand);
    m_cboCommand->clear();
    m_cboCommandList.clear();
    qsizetype longest = 0;
    for (const QString& recordText : records) {
        const CatalogueRecord record(recordText);
        m_cboCommand->addItem(record.description());
        m_cboCommandList.append(record);
        longest = std::max(longest, record.description().size());
    }
    // Wide enough for every description of the catalogue, but a runaway one does not widen the dialog.
    m_cboCommand->setMinimumContentsLength(int(std::min<qsizetype>(longest, WidestDescription)));
    qCDebug(lcAssistant) << "catalogue of device type" << deviceType << "with queries" << includeQueries
                         << "holds" << m_cboCommandList.size() << "entries";
}

void AssistantDialog::selectStoredEntry() {
    const QString stored =
        ReadProfileValue(Settings::Section, CommandKey, QStringLiteral("0"), CommandKeySize, m_setupIniPath);
    bool ok = false;
    const int n = stored.trimmed().toInt(&ok);
    const int index = ok && n >= 0 && n < m_cboCommand->count() ? n : 0;
    {
        const QSignalBlocker blocker(m_cboCommand);
        m_cboCommand->setCurrentIndex(index);
    }
    onCommandSelected();
}

void AssistantDialog::done(int r) {
    if (r != QDialog::Accepted)
        m_result = {};
    if (!m_setupIniPath.isEmpty()) {
        QString error;
        if (!WriteProfileValue(Settings::Section, CommandKey, QString::number(m_cboCommand->currentIndex()),
                               m_setupIniPath, &error))
            qCInfo(lcAssistant) << "could not remember the selected command:" << error;
    }
    QDialog::done(r);
}

CatalogueRecord AssistantDialog::currentRecord() const {
    const int index = m_cboCommand->currentIndex();
    if (index < 0 || index >= m_cboCommandList.size())
        return {};
    return m_cboCommandList.at(index);
}

void AssistantDialog::onCommandSelected() {
    // A new pick starts over: the values taken so far go with the old builder.
    m_builder = CommandBuilder(currentRecord());
    showPage();
}

void AssistantDialog::showPage() {
    if (const std::optional<CatalogueParameter> parameter = m_builder.parameter()) {
        showParameter(*parameter);
    } else {
        resetParameterWidgets();
        const CatalogueRecord& record = m_builder.record();
        m_labDescription = m_cboCommand->currentText();
        const QString note = record.note();
        m_labNote->setText(note.isEmpty() ? QString()
                                          : text(TextId::AssistantNote) + QLatin1Char(' ') + note);
        if (const std::optional<int> count = m_builder.parameterCount())
            m_parameterCount = *count;
        else
            qCDebug(lcAssistant) << "record without a usable parameter count:" << record.text();
    }
    m_labSelCommand->setText(m_builder.command());
    m_cmdNext->setText(text(m_builder.accepts() ? TextId::AssistantAccept : TextId::AssistantNext));
}

void AssistantDialog::resetParameterWidgets() {
    m_cwnValue->hide();
    // Back to the full range first, so the value is 0 whatever range the previous parameter had.
    m_cwnValue->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    m_cwnValue->setValue(0);
    m_txtText->hide();
    m_txtText->clear();
    m_labMaxTextLen->hide();
    m_labMaxTextLen->clear();
    m_labParameter->hide();
    m_cmdSelectPath->hide();
}

void AssistantDialog::showParameter(const CatalogueParameter& parameter) {
    resetParameterWidgets();
    // The label is its field's buddy, where a lone '&' would mark a key instead of showing.
    m_labParameter->setText(QString(parameter.name).replace(QLatin1Char('&'), QLatin1String("&&")));
    m_labParameter->show();
    m_restrictInput = false;
    m_previousText.clear();
    m_labMaxTextLen->setText(CommandBuilder::hint(parameter));
    m_labMaxTextLen->show();

    const ParameterType type = parameter.type();
    // The field is named by the parameter's label; the next question is read out even when the focus stays
    // in the same field.
    QWidget* field = type == ParameterType::Number ? static_cast<QWidget*>(m_cwnValue) : m_txtText;
    m_labParameter->setBuddy(field);
    const auto announce = qScopeGuard([field] { Access::announceChange(field); });
    if (type == ParameterType::Number) {
        m_cwnValue->show();
        m_cwnValue->setFocus();
        m_cwnValue->setRange(parameter.minimum(), parameter.maximum());
        return;
    }

    if (type == ParameterType::Unknown)
        qCDebug(lcAssistant) << "parameter" << parameter.name << "of unknown type" << parameter.typeText
                             << "taken as free text";
    m_txtText->show();
    m_txtText->setFocus();
    m_txtText->setMaxLength(parameter.maxLength());
    if (type == ParameterType::RestrictedText)
        m_restrictInput = true;
    if (type == ParameterType::Path)
        m_cmdSelectPath->show();
}

void AssistantDialog::onNext() {
    const std::optional<CatalogueParameter> asked = m_builder.parameter();
    const bool number = asked && asked->type() == ParameterType::Number;
    // Take what is typed even when the spin box has not committed it yet.
    if (number)
        m_cwnValue->interpretText();
    switch (number ? m_builder.next(m_cwnValue->value()) : m_builder.next(m_txtText->text())) {
    case CommandBuilder::Step::Refused:
        dialogs().warning(this, text(TextId::ParameterErrorTitle), CommandBuilder::refusal(*asked));
        m_txtText->setFocus();
        return;
    case CommandBuilder::Step::Accepted:
        m_labSelCommand->setText(m_builder.command());
        m_result = {m_builder.command(), m_labDescription};
        accept();
        return;
    case CommandBuilder::Step::Next:
        showPage();
        return;
    }
}

void AssistantDialog::onTextChanged() {
    // FilterTextInput puts the previous text back, which reports a change of its own.
    if (m_inTextChange)
        return;
    m_inTextChange = true;
    if (m_restrictInput)
        FilterTextInput(m_txtText, m_txtText->maxLength(), m_previousText);
    m_previousText = m_txtText->text();
    m_inTextChange = false;
}

QString AssistantDialog::fileFilter() const {
    QString filter = text(TextId::AssistantFileFilter);
    if (!filter.contains(QLatin1Char('|')))
        filter += QLatin1Char('|') + BackupFilePatterns;
    return filter;
}

void AssistantDialog::onSelectPath() {
    if (g_lastAssistantPath.isEmpty())
        g_lastAssistantPath = m_programFolder;
    const std::optional<QString> chosen =
        dialogs().openFile(this, text(TextId::AssistantSelectFile), g_lastAssistantPath, fileFilter());
    if (!chosen) {
        m_txtText->clear();
        return;
    }
    if (chosen->isEmpty())
        return;
    QString shortPath = Platform::GetShortPath(*chosen);
    // A path the field cannot hold whole would be cut, and a cut path names another file.
    if (shortPath.size() > m_txtText->maxLength())
        shortPath.clear();
    g_lastAssistantPath = Platform::GetFolderOfPath(shortPath);
    m_txtText->setText(shortPath);
}

void AssistantDialog::onHelp() {
    if (m_showHelp)
        m_showHelp(this, HelpTopics::Assistant);
    else
        ShowHelpTopic(this, HelpTopics::Assistant);
}
