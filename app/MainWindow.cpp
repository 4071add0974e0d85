#include "app/MainWindow.h"

#include "app/Dialogs.h"
#include "app/Help.h"
#include "app/Platform.h"
#include "app/Profile.h"
#include "app/QtTranslations.h"
#include "app/Resources.h"
#include "app/Settings.h"
#include "app/Texts.h"
#include "link/AutoSizeColumns.h"
#include "link/CommandLine.h"
#include "link/TargetLink.h"
#include "scripts/QuickDial.h"
#include "scripts/QuickDialConfig.h"
#include "scripts/ScriptEditor.h"
#include "scripts/ScriptRunner.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

namespace {
const QString SettingsSection = QStringLiteral("SETTINGS");
constexpr int EnglishOffset = 10000;
constexpr int StateTickMs = 300;
constexpr int QuickDialTab = 3;

// A setting that must be a whole number; anything else (or a number outside what the widget takes) gives 0.
int numberSetting(const QString& value, int lastValid) {
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    return ok && n >= 0 && n <= lastValid ? n : 0;
}
} // namespace

MainWindow::MainWindow(const MainWindowEnvironment& environment, QWidget* parent)
    : QWidget(parent)
    , m_settingsFolder(environment.settingsFolder.isEmpty() ? Settings::SettingsFolder()
                                                            : environment.settingsFolder)
    , m_programFolder(environment.programFolder.isEmpty() ? Platform::ProgramFolder()
                                                          : environment.programFolder)
    , m_dialogs(environment.dialogs) {
    if (!m_settingsFolder.endsWith(QLatin1Char('/')))
        m_settingsFolder += QLatin1Char('/');
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<QtDialogs>();
        m_dialogs = m_ownDialogs.get();
    }
    EnsureResources();
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(QIcon(QStringLiteral(":/telvane/icons/telvane.svg")));
    m_ui.setupUi(this);

    m_timTimer = new QTimer(this);
    m_timTimer->setObjectName(QStringLiteral("timTimer"));
    m_timTimer->setInterval(StateTickMs);
    connect(m_timTimer, &QTimer::timeout, this, &MainWindow::onStateTick);

    connect(m_ui.SSTab1, &QTabWidget::currentChanged, this, &MainWindow::onTabClicked);
    connect(m_ui.cboLanguage, &QComboBox::activated, this, &MainWindow::onLanguagePicked);
    connect(m_ui.cmdHelp, &QPushButton::clicked, this, &MainWindow::onHelpClicked);
    connect(m_ui.cmdQuit, &QPushButton::clicked, this, &QWidget::close);

    wireLink();
    wireAssistant();
    wireScripts();
    wireRunner();

    startUp();
    m_timTimer->start();
}

MainWindow::~MainWindow() = default;

QString MainWindow::setupIniPath() const {
    return Settings::SetupIniPath(m_settingsFolder);
}

void MainWindow::wireLink() {
    m_link = new TargetLink(m_ui, this);
    m_commandLine = new CommandLine(m_ui, m_link, this);
}

void MainWindow::wireAssistant() {
    // The command line takes the built command as its new text; sending stays the user's decision.
    connect(m_ui.cmdCreateCommand1, &QPushButton::clicked, this, [this] {
        const AssistantResult result = runAssistant(true);
        if (!result.command.isEmpty())
            m_ui.txtSend->setText(result.command);
    });
}

AssistantResult MainWindow::runAssistant(bool includeQueries) {
    m_ui.labCommandScriptCompleted->hide();
    AssistantContext context;
    context.parent = this;
    context.deviceType = m_ui.cboDevice->currentIndex() == 0 ? 0 : 1;
    context.includeQueries = includeQueries;
    context.setupIniPath = setupIniPath();
    context.programFolder = programFolder();
    context.dialogs = &dialogs();
    return RunCommandAssistant(context);
}

void MainWindow::wireScripts() {
    ScriptEditor::Widgets editor;
    editor.lstCommands = m_ui.lstCommands;
    editor.chkAbove = m_ui.chkAbove;
    editor.cmdCreateCommand2 = m_ui.cmdCreateCommand2;
    editor.cmdCreateManualCommand = m_ui.cmdCreateManualCommand;
    editor.cmdDeleteCommand = m_ui.cmdDeleteCommand;
    editor.cmdCommandUp = m_ui.cmdCommandUp;
    editor.cmdCommandDown = m_ui.cmdCommandDown;
    editor.cmdCommandTest = m_ui.cmdCommandTest;
    editor.txtLabel = m_ui.txtLabel;
    editor.txtNote = m_ui.txtNote;
    editor.labCommandScriptCompleted = m_ui.labCommandScriptCompleted;
    m_scriptEditor = new ScriptEditor(editor, *m_dialogs, this, this);
    // From the editor the assistant offers only the commands that set something.
    m_scriptEditor->setAssistant([this] {
        const AssistantResult result = runAssistant(false);
        return ScriptLine{result.command, result.description};
    });

    QuickDial::Widgets quickDial;
    quickDial.cmdF = m_ui.cmdF;
    quickDial.cmdCommand = m_ui.cmdCommand;
    quickDial.txtCommandDescript = m_ui.txtCommandDescript;
    quickDial.cmdSave = m_ui.cmdSave;
    quickDial.cmdGetCommand = m_ui.cmdGetCommand;
    quickDial.cmdDeleteScript = m_ui.cmdDeleteScript;
    quickDial.SSTab1 = m_ui.SSTab1;
    quickDial.labCommandScriptCompleted = m_ui.labCommandScriptCompleted;
    m_quickDial = new QuickDial(quickDial, *m_scriptEditor, *m_dialogs, this, this);

    // Leaving for a tab other than the quick-dial tab ends a pending slot mode.
    connect(this, &MainWindow::slotModesShouldClear, m_quickDial, &QuickDial::clearSlotModes);
    connect(m_ui.cmdLoadConfig, &QPushButton::clicked, this, &MainWindow::onLoadConfigClicked);
    connect(m_ui.cmdSaveConfig, &QPushButton::clicked, this, &MainWindow::onSaveConfigClicked);
}

void MainWindow::wireRunner() {
    m_runner = new ScriptRunner(m_ui, m_commandLine, this);
    m_quickDial->setRunnerHooks(
        {[this] { return m_runner->ScriptBusy(); }, [this](bool busy) { m_runner->setScriptBusy(busy); },
         [this](int slot) { m_runner->RunSlotScript(m_quickDial->slotAt(slot).lines); }});
    connect(m_ui.cmdCommandTest, &QPushButton::clicked, this,
            [this] { m_runner->RunEditorScript(m_scriptEditor->script()); });
    // The window sees F1..F8 before the focused widget does.
    for (int slot = 1; slot <= MainWindowUi::SlotCount; ++slot) {
        auto* key = new QShortcut(QKeySequence(Qt::Key_F1 + (slot - 1)), this);
        key->setContext(Qt::WindowShortcut);
        connect(key, &QShortcut::activated, this, [this, slot] { onFunctionKey(slot); });
    }
}

void MainWindow::onFunctionKey(int slot) {
    if (m_ui.SSTab1->currentIndex() != QuickDial::QuickDialTab || !m_ui.cmdCommand[0]->isEnabled())
        return;
    m_quickDial->HandleSlotButton(slot);
}

QString MainWindow::defaultConfigPath() const {
    return Platform::FindFileNoCase(m_settingsFolder, QStringLiteral("DefaultCommandSet.cfg"));
}

bool MainWindow::LoadQuickDialConfig(const QString& path) {
    bool readable = true;
    const QuickDialSlots fromFile = LoadQuickDialFile(path, &readable);
    if (!readable)
        return false;
    m_quickDial->loadSlots(fromFile);
    AutoSizeColumns(m_ui.lstCommands, ColumnWidth::ContentsAndHeader);
    return true;
}

bool MainWindow::SaveQuickDialConfig(const QString& path) {
    QString reason;
    if (SaveQuickDialFile(path, m_quickDial->allSlots(), &reason))
        return true;
    QString message = GetText(3132);
    m_dialogs->warning(this, GetText(3133),
                       FillPlaceholders(message, {QDir::toNativeSeparators(path), reason}));
    return false;
}

QString MainWindow::configFileFilter() {
    return GetText(3117) + QStringLiteral(" (*.cfg)|*.cfg");
}

void MainWindow::onLoadConfigClicked() {
    const std::optional<QString> chosen =
        m_dialogs->openFile(this, GetText(3116), m_settingsFolder, configFileFilter());
    if (!chosen)
        return;
    const QString path = Platform::GetShortPath(*chosen);
    if (path.isEmpty())
        return;
    if (!LoadQuickDialConfig(path)) {
        // Replacing the slots with empty ones would lose them for a file the user cannot even read.
        QString message = GetText(3135);
        m_dialogs->warning(this, GetText(3136),
                           FillPlaceholders(message, {QDir::toNativeSeparators(path), GetText(3137)}));
    }
}

void MainWindow::onSaveConfigClicked() {
    const std::optional<QString> chosen = m_dialogs->saveFile(
        this, GetText(3124), m_settingsFolder, GetText(3125) + QStringLiteral(".cfg"), configFileFilter());
    if (chosen && !chosen->isEmpty())
        SaveQuickDialConfig(*chosen);
}

void MainWindow::startUp() {
    Settings::PrepareSettingsFolder(m_settingsFolder, m_programFolder);
    const QString ini = setupIniPath();
    auto read = [&](const char* key, const QString& defaultValue, int size) {
        return ReadProfileValue(SettingsSection, QLatin1String(key), defaultValue, size, ini);
    };
    m_ui.txtPort->setText(read("Port", QStringLiteral("6060"), 7));
    m_ui.txtPcName->setText(read("Name", Platform::LocalHostName(), 65));
    m_deviceTypeIndex = numberSetting(read("Device", QStringLiteral("0"), 2), 1);

    // Setting the box here counts as the user's click: a checked box asks for a connection.
    bool ok = false;
    const int connect = read("Connect", QStringLiteral("1"), 2).trimmed().toInt(&ok);
    m_ui.chkConnect->setCheckState(!ok || connect == 0 ? Qt::Unchecked
                                   : connect == 2      ? Qt::PartiallyChecked
                                                       : Qt::Checked);

    m_languageIndex = numberSetting(read("Language", QStringLiteral("0"), 65), 1);
    const int tab = numberSetting(read("SelTab", QStringLiteral("0"), 2), 3);
    m_ui.SSTab1->setCurrentIndex(tab);
    ApplyLanguage();
    // A file that cannot be read gives eight empty slots, as a missing one does. Its content is not lost:
    // the exit save refuses to replace a file it could not read, and says so.
    if (!LoadQuickDialConfig(defaultConfigPath()))
        m_quickDial->loadSlots({});
    m_started = true;
}

void MainWindow::exitSequence() {
    if (m_exited)
        return;
    m_exited = true;
    const QString ini = setupIniPath();
    auto write = [&](const char* key, const QString& value) {
        WriteProfileValue(SettingsSection, QLatin1String(key), value, ini);
    };
    write("Port", m_ui.txtPort->text());
    write("Name", m_ui.txtPcName->text());
    write("Device", QString::number(m_ui.cboDevice->currentIndex()));
    write("Connect", QString::number(static_cast<int>(m_ui.chkConnect->checkState())));
    write("Language", QString::number(m_ui.cboLanguage->currentIndex()));
    write("SelTab", QString::number(m_ui.SSTab1->currentIndex()));
    SaveQuickDialConfig(defaultConfigPath());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    exitSequence();
    event->accept();
}

void MainWindow::ApplyLanguage() {
    SetLanguageOffset(m_languageIndex != 0 ? EnglishOffset : 0);
    UseQtTranslations(m_languageIndex != 0 ? QStringLiteral("en") : QStringLiteral("de"));
    // The help pages are compiled in (Help.cpp), so there is no help file path to set here.
    auto caption = [](QWidget* w, int id) { w->setProperty("text", GetText(id)); };
    auto frame = [](QGroupBox* g, int id) { g->setTitle(GetText(id)); };
    auto autoSized = [](QLabel* l, const QString& text) {
        l->setText(text);
        l->adjustSize();
    };

    setWindowTitle(GetText(3000));
    m_ui.SSTab1->setTabText(0, GetText(3001));
    frame(m_ui.fraSoftwareSel, 3005);
    frame(m_ui.fraTarget, 3008);
    autoSized(m_ui.labPort, GetText(3009));
    autoSized(m_ui.labIp, GetText(3010));
    caption(m_ui.cmdThisSystem, 3011);
    caption(m_ui.chkConnect, 3012);
    frame(m_ui.fraLanguage, 3013);
    caption(m_ui.labInfo1, 3019);
    m_ui.cboLanguage->setItemText(0, GetText(3041));
    m_ui.cboLanguage->setItemText(1, GetText(3042));
    m_ui.cboDevice->setItemText(0, GetText(3006));
    m_ui.cboDevice->setItemText(1, GetText(3007));

    // At start the stored rows are selected; a later switch keeps the device row the user has picked.
    m_ui.cboLanguage->setCurrentIndex(m_languageIndex);
    SetLanguageOffset(m_languageIndex != 0 ? EnglishOffset : 0);
    if (!m_started || m_ui.cboDevice->currentIndex() < 0)
        m_ui.cboDevice->setCurrentIndex(m_deviceTypeIndex);

    m_ui.SSTab1->setTabText(1, GetText(3002));
    frame(m_ui.fraSend, 3014);
    caption(m_ui.cmdCreateCommand1, 3015);
    caption(m_ui.cmdSend, 3016);
    frame(m_ui.fraReceive, 3017);
    caption(m_ui.cmdDeleteList, 3018);
    caption(m_ui.labInfo2, 3020);
    if (QAbstractItemModel* log = m_ui.lsvMsg->model()) {
        for (int column = 0; column < 3; ++column)
            log->setHeaderData(column, Qt::Horizontal, GetText(3046 + column));
    }

    m_ui.SSTab1->setTabText(2, GetText(3003));
    frame(m_ui.fraEditScript, 3021);
    caption(m_ui.cmdCreateCommand2, 3022);
    caption(m_ui.cmdCreateManualCommand, 3023);
    caption(m_ui.labCommands, 3024);
    caption(m_ui.chkAbove, 3025);
    caption(m_ui.cmdDeleteCommand, 3026);
    caption(m_ui.labCaption, 3027);
    caption(m_ui.labNote, 3028);
    caption(m_ui.cmdCommandTest, 3029);
    caption(m_ui.cmdSave, 3030);
    caption(m_ui.cmdGetCommand, 3031);
    caption(m_ui.cmdDeleteScript, 3032);
    frame(m_ui.fraStorage, 3033);
    caption(m_ui.labInfo3, 3034);
    m_ui.lstCommands->setHeaderLabels({GetText(3044), GetText(3045)});

    m_ui.SSTab1->setTabText(3, GetText(3004));
    frame(m_ui.frmStorage, 3035);
    caption(m_ui.cmdLoadConfig, 3036);
    caption(m_ui.cmdSaveConfig, 3037);
    caption(m_ui.labInfo4, 3038);
    caption(m_ui.cmdCancelCommandScript, 3039);
    caption(m_ui.cmdQuit, 3040);
    caption(m_ui.labCommandScriptCompleted, m_runner->noticeTextId());
    frame(m_ui.fraVersion, 3051);

    QString version = GetText(3049);
    autoSized(m_ui.labProgramVersion, FillPlaceholders(version, {QStringLiteral("%1.%2.%3")
                                                                     .arg(TELVANE_VERSION_MAJOR)
                                                                     .arg(TELVANE_VERSION_MINOR)
                                                                     .arg(TELVANE_VERSION_PATCH)}));
    QString date = GetText(3050);
    autoSized(m_ui.labProgramDate, FillPlaceholders(date, {QStringLiteral("02.04.2007")}));
}

void MainWindow::onLanguagePicked(int row) {
    m_languageIndex = row < 0 ? 0 : row;
    ApplyLanguage();
}

void MainWindow::onTabClicked(int index) {
    if (index != m_previousTab)
        m_ui.labCommandScriptCompleted->hide();
    m_previousTab = index;
    if (index != QuickDialTab)
        emit slotModesShouldClear();
}

int MainWindow::HelpTopicForTab(int index) {
    switch (index) {
    case 0:
        return HelpTopics::Settings;
    case 1:
        return HelpTopics::CommandLine;
    case 2:
        return HelpTopics::ScriptEditor;
    case QuickDialTab:
        return HelpTopics::QuickDial;
    default:
        return 0;
    }
}

void MainWindow::onHelpClicked() {
    if (const int topic = HelpTopicForTab(m_ui.SSTab1->currentIndex()))
        ShowHelpTopic(this, topic);
}

void MainWindow::onStateTick() {
    const bool usable = m_link->RefreshLinkState();
    m_commandLine->setLinkUsable(usable);
    if (usable) {
        // Once a link was usable the quick-dial buttons stay enabled, even after it is lost.
        for (QPushButton* run : m_ui.cmdCommand)
            run->setEnabled(true);
    }
    // The editor enables its test button only with rows and a usable link.
    m_scriptEditor->setLinkUsable(usable);
    m_quickDial->blinkTick();
}
