#include "gui/MainWindow.h"

#include "core/catalogue/Catalogue.h"
#include "core/files/Platform.h"
#include "core/files/Settings.h"
#include "core/link/CommandHistory.h"
#include "core/link/LogCapture.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/scripts/QuickDialConfig.h"
#include "core/scripts/QuickDialMemory.h"
#include "core/scripts/ScriptRunner.h"
#include "core/texts/Texts.h"
#include "gui/Access.h"
#include "gui/CommandLinePage.h"
#include "gui/Dialogs.h"
#include "gui/GuiResources.h"
#include "gui/Help.h"
#include "gui/Layout.h"
#include "gui/QtTranslations.h"
#include "gui/QuickDialPage.h"
#include "gui/RunReportDialog.h"
#include "gui/ScriptEditorPage.h"
#include "gui/SettingsPage.h"
#include "gui/StatusStrip.h"
#include "gui/log/LogFileWindow.h"
#include "gui/log/LogTools.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {
const QSize DefaultSize(twipsToPixels(Layout::WindowWidthTwips), twipsToPixels(Layout::WindowHeightTwips));
const QRect DefaultTabsPlace = twipsRect(120, 60, 9495, 6135);

// The file dialogs' filter for configuration files, in the current language.
QString configFileFilter() {
    return GetText(TextId::ConfigFileFilter) + QStringLiteral(" (*.cfg)|*.cfg");
}

// Whether enough of a stored place lies on a screen for the user to reach the window's title bar.
bool onSomeScreen(const QRect& place) {
    const QRect titleBar(place.topLeft(), QSize(place.width(), 24));
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect shared = screen->availableGeometry().intersected(titleBar);
        if (shared.width() >= 48 && shared.height() >= 8)
            return true;
    }
    return false;
}
} // namespace

MainWindow::MainWindow(const MainWindowEnvironment& environment, QWidget* parent)
    : QWidget(parent)
    , m_settingsFolder(environment.settingsFolder.isEmpty() ? Settings::SettingsFolder()
                                                            : environment.settingsFolder)
    , m_programFolder(environment.programFolder.isEmpty() ? Platform::programFolder()
                                                          : environment.programFolder)
    , m_dialogs(environment.dialogs) {
    if (!m_settingsFolder.endsWith(QLatin1Char('/')))
        m_settingsFolder += QLatin1Char('/');
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<QtDialogs>();
        m_dialogs = m_ownDialogs.get();
    }
    ensureGuiResources();
    Access::installAccessibility();
    m_link = new TargetLink(this);
    m_session = new Session(m_link, this);
    m_runner = new ScriptRunner(m_session, this);
    m_memory = new QuickDialMemory(this);
    m_capture = new LogCapture({}, this);
    buildWindow();
    wire();
    startUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildWindow() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(QIcon(QStringLiteral(":/telvane/icons/telvane.svg")));
    // The font comes first: the tab strip's height, and with it the place of every page, depends on it.
    setFont(Layout::windowFont());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    // The designed layout is the smallest; a larger window gives the log and the lists the room.
    setMinimumSize(DefaultSize);
    resize(DefaultSize);

    m_tabs = Layout::make<TabControl>(this, "SSTab1", DefaultTabsPlace);
    // A caption that does not fit should show as such, not be shortened silently.
    m_tabs->setElideMode(Qt::ElideNone);
    // The pages' offset depends on the tab strip, which needs a tab to have its height.
    auto* probe = new QWidget;
    m_tabs->addTab(probe, QString());
    const QPoint offset = m_tabs->pageOffset();
    m_tabs->removeTab(0);
    delete probe;
    // Made inside the window, so they measure with its font; the tab control takes them over.
    m_settingsPage = new SettingsPage(m_link, offset, this);
    m_commandLinePage = new CommandLinePage(m_session, *m_dialogs, offset, this);
    m_editorPage = new ScriptEditorPage(m_memory, *m_dialogs, offset, this);
    m_quickDialPage = new QuickDialPage(m_memory, offset, this);
    for (QWidget* page : {static_cast<QWidget*>(m_settingsPage), static_cast<QWidget*>(m_commandLinePage),
                          static_cast<QWidget*>(m_editorPage), static_cast<QWidget*>(m_quickDialPage)}) {
        page->setObjectName(QStringLiteral("SSTab1Page%1").arg(m_tabs->count()));
        m_tabs->addTab(page, QString());
    }
    m_strip = new StatusStrip(this);
}

void MainWindow::wire() {
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::onTabChanged);
    connect(m_settingsPage, &SettingsPage::languagePicked, this, [this](int row) {
        m_languageIndex = row < 0 ? 0 : row;
        ApplyLanguage();
    });
    connect(m_settingsPage, &SettingsPage::deviceTypeChanged, this, &MainWindow::showCommandCatalogue);

    // Runs check replies only when asked to.
    connect(m_settingsPage, &SettingsPage::replyTimeoutChanged, this,
            [this](int seconds) { m_runner->setReplyTimeout(seconds * 1000); });
    connect(m_settingsPage, &SettingsPage::errorTextChanged, this, [this](const QString& text) {
        m_runner->setErrorText(text);
        m_commandLinePage->setErrorText(text);
    });

    connect(m_settingsPage, &SettingsPage::captureChanged, this, &MainWindow::applyCapture);
    connect(m_settingsPage, &SettingsPage::captureFolderRequested, this, &MainWindow::chooseCaptureFolder);
    connect(m_settingsPage, &SettingsPage::openCaptureFolderRequested, this, &MainWindow::openCaptureFolder);
    connect(m_strip, &StatusStrip::openCaptureFolderRequested, this, &MainWindow::openCaptureFolder);
    // The live log's menu opens log files, and the capture's folder.
    m_openLogFile = new QAction(this);
    m_openLogFile->setObjectName(QStringLiteral("actOpenLogFile"));
    m_openLogFile->setShortcut(QKeySequence::Open);
    m_openCaptureFolder = new QAction(this);
    m_openCaptureFolder->setObjectName(QStringLiteral("actOpenCaptureFolder"));
    m_commandLinePage->logTools()->addMenuActions({m_openLogFile, m_openCaptureFolder});
    connect(m_openLogFile, &QAction::triggered, this, &MainWindow::openLogFile);
    connect(m_openCaptureFolder, &QAction::triggered, this, &MainWindow::openCaptureFolder);
    connect(m_capture, &LogCapture::statusChanged, this, [this] {
        m_settingsPage->showCaptureStatus(m_capture->status());
        m_strip->showCaptureStatus(m_capture->status());
    });

    connect(m_link, &TargetLink::stateChanged, this, &MainWindow::onLinkStateChanged);
    // The state line names where the failed attempt went, as the link tried it.
    connect(m_link, &TargetLink::errorTextChanged, m_strip,
            [this](const QString& reason) { m_strip->setLinkError(m_link->host(), m_link->port(), reason); });
    connect(m_session, &Session::sending, m_strip, &StatusStrip::hideNotice);

    // The command line takes the built command as its new text; sending stays the user's decision.
    connect(m_commandLinePage, &CommandLinePage::assistantRequested, this, [this] {
        const AssistantResult result = runAssistant(true);
        if (!result.command.isEmpty()) {
            m_commandLinePage->setCommandText(result.command);
            m_commandLinePage->focusCommandText();
        }
    });
    // From the editor the assistant offers only the commands that set something.
    m_editorPage->setAssistant([this] {
        const AssistantResult result = runAssistant(false);
        return ScriptLine{result.command, result.description};
    });
    connect(m_editorPage, &ScriptEditorPage::manualEntryStarted, m_strip, &StatusStrip::hideNotice);
    connect(m_editorPage, &ScriptEditorPage::slotButtonPressed, this, &MainWindow::HandleSlotButton);
    connect(m_editorPage, &ScriptEditorPage::testRequested, this, [this] {
        // Each row is read as it is sent: one inserted while the run waits is sent too.
        m_runner->RunEditorScript(
            ScriptSource{[this] { return qsizetype(m_editorPage->rowCount()); },
                         [this](qsizetype row) { return m_editorPage->lineAt(int(row)); }});
    });
    connect(m_quickDialPage, &QuickDialPage::slotButtonPressed, this, &MainWindow::HandleSlotButton);
    connect(m_quickDialPage, &QuickDialPage::loadConfigRequested, this, &MainWindow::onLoadConfigClicked);
    connect(m_quickDialPage, &QuickDialPage::saveConfigRequested, this, &MainWindow::onSaveConfigClicked);

    // A run shows each command it sends in the command line, and its progress and end in the strip.
    connect(m_runner, &ScriptRunner::commandSending, m_commandLinePage, &CommandLinePage::showRunCommand);
    connect(m_runner, &ScriptRunner::finished, m_commandLinePage, &CommandLinePage::showRunCommandNow);
    connect(m_runner, &ScriptRunner::started, m_strip, &StatusStrip::runStarted);
    connect(m_runner, &ScriptRunner::progressed, m_strip, &StatusStrip::runProgressed);
    connect(m_runner, &ScriptRunner::waitingForReply, m_strip, &StatusStrip::runWaiting);
    connect(m_runner, &ScriptRunner::finished, m_strip, &StatusStrip::runFinished);
    connect(m_strip, &StatusStrip::cancelClicked, m_runner, &ScriptRunner::requestCancel);
    connect(m_strip, &StatusStrip::noticeActivated, this, [this] {
        // The runner's copy: replies that came after the run ended are in it.
        RunReportDialog dialog(m_runner->lastReport(), *m_dialogs, m_settingsFolder, this);
        dialog.exec();
    });
    LogTools* logTools = m_commandLinePage->logTools();
    connect(logTools, &LogTools::taskStarted, m_strip, &StatusStrip::logTaskStarted);
    connect(logTools, &LogTools::taskProgressed, m_strip, &StatusStrip::logTaskProgressed);
    connect(logTools, &LogTools::taskFinished, m_strip, &StatusStrip::logTaskFinished);
    connect(m_strip, &StatusStrip::logTaskCancelClicked, logTools, &LogTools::cancelTask);
    connect(m_strip, &StatusStrip::helpClicked, this, [this] {
        if (const int topic = helpTopicForTab(m_tabs->currentIndex()))
            ShowHelpTopic(this, topic);
    });
    connect(m_strip, &StatusStrip::quitClicked, this, &QWidget::close);

    // The window sees F1..F8 before the focused widget does. The slot goes by the key alone: held Shift,
    // Ctrl or Alt change nothing.
    constexpr Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
    constexpr Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
    constexpr Qt::KeyboardModifiers Alt = Qt::AltModifier;
    const Qt::KeyboardModifiers held[] = {{},           Shift,       Ctrl,       Alt,
                                          Shift | Ctrl, Shift | Alt, Ctrl | Alt, Shift | Ctrl | Alt};
    for (int slot = 1; slot <= QuickDialSlotCount; ++slot) {
        QList<QKeySequence> keys;
        for (const Qt::KeyboardModifiers modifiers : held)
            keys.append(QKeySequence(QKeyCombination(modifiers, Qt::Key(Qt::Key_F1 + (slot - 1)))));
        auto* key = new QShortcut(this);
        key->setKeys(keys);
        key->setContext(Qt::WindowShortcut);
        connect(key, &QShortcut::activated, this, [this, slot] { onFunctionKey(slot); });
    }
}

QString MainWindow::setupIniPath() const {
    return Settings::setupIniPath(m_settingsFolder);
}

QString MainWindow::defaultConfigPath() const {
    return Platform::findFileNoCase(m_settingsFolder, QStringLiteral("DefaultCommandSet.cfg"));
}

AssistantResult MainWindow::runAssistant(bool includeQueries) {
    m_strip->hideNotice();
    AssistantContext context;
    context.parent = this;
    context.deviceType = m_settingsPage->deviceType();
    context.includeQueries = includeQueries;
    context.setupIniPath = setupIniPath();
    context.programFolder = m_programFolder;
    context.dialogs = m_dialogs;
    return RunCommandAssistant(context);
}

void MainWindow::HandleSlotButton(int n) {
    m_strip->hideNotice();
    if (!QuickDialMemory::isSlotNumber(n) || m_runner->ScriptBusy())
        return;
    const QuickDialMemory::SlotAction action = m_memory->takeSlotAction();
    if (action == QuickDialMemory::SlotAction::Run) {
        // The runner holds ScriptBusy for as long as the run lasts.
        // Read from the memory as each command goes: a configuration loaded meanwhile replaces the slot.
        m_runner->RunSlotScript(
            ScriptSource{[this, n] { return m_memory->slotAt(n).lines.size(); },
                         [this, n](qsizetype i) { return m_memory->slotAt(n).lines.at(i); }});
        return;
    }
    m_runner->setScriptBusy(true);
    switch (action) {
    case QuickDialMemory::SlotAction::Fetch:
        m_editorPage->fetchSlot(m_memory->slotAt(n));
        m_tabs->setCurrentIndex(EditorTab);
        break;
    case QuickDialMemory::SlotAction::Store: {
        // The editor may have changed since cmdSave checked it; the file must be able to hold the slot.
        const QuickDialSlot slot = m_editorPage->slotFromEditor();
        if (const auto refusal = checkSlotFileSafety(slot.lines, slot.caption, slot.description))
            m_editorPage->showRefusal(*refusal);
        else
            m_memory->storeSlot(n, slot);
        break;
    }
    case QuickDialMemory::SlotAction::Delete:
        if (m_dialogs->question(this, GetText(TextId::DeleteSlotTitle),
                                filledText(TextId::DeleteSlotQuestion, {QString::number(n)})))
            m_memory->clearSlot(n);
        break;
    case QuickDialMemory::SlotAction::Run:
        break;
    }
    m_runner->setScriptBusy(false);
}

void MainWindow::onFunctionKey(int slot) {
    if (m_tabs->currentIndex() != QuickDialTab || !m_quickDialPage->runButtonsEnabled())
        return;
    HandleSlotButton(slot);
}

void MainWindow::onTabChanged(int index) {
    if (index != m_previousTab)
        m_strip->hideNotice();
    m_previousTab = index;
    if (index != QuickDialTab)
        m_memory->clearSlotModes();
}

void MainWindow::onLinkStateChanged(int state) {
    m_strip->RefreshLinkState(state);
    // Rows of another device go into a file named for it.
    if (state == TargetLink::Connected)
        m_capture->setTarget(m_link->host(), m_link->port());
    const bool usable = TargetLink::isUsable(state);
    m_commandLinePage->setLinkUsable(usable);
    m_editorPage->setLinkUsable(usable);
    m_quickDialPage->setLinkUsable(usable);
}

QuickDialFileState MainWindow::LoadQuickDialConfig(const QString& path, QuickDialFileRead* read) {
    QuickDialFileState state = QuickDialFileState::Loaded;
    const QuickDialSlots fromFile = loadQuickDialFile(path, &state, read);
    if (state != QuickDialFileState::Loaded && state != QuickDialFileState::Missing)
        return state;
    m_memory->loadSlots(fromFile);
    m_editorPage->fitColumns();
    return state;
}

bool MainWindow::SaveQuickDialConfig(const QString& path) {
    QString reason;
    if (saveQuickDialFile(path, m_memory->allSlots(), &reason))
        return true;
    m_dialogs->warning(this, GetText(TextId::SaveFailedTitle),
                       filledText(TextId::SaveConfigFailed, {QDir::toNativeSeparators(path), reason}));
    return false;
}

void MainWindow::onLoadConfigClicked() {
    const QString filter = configFileFilter();
    const std::optional<QString> chosen =
        m_dialogs->openFile(this, GetText(TextId::LoadConfigTitle), m_settingsFolder, filter);
    if (!chosen)
        return;
    const QString path = Platform::GetShortPath(*chosen);
    if (path.isEmpty())
        return;
    // Replacing the slots with empty ones would lose them for a file the user cannot even read, or picked by
    // mistake (a text file, a program).
    const QString shown = QDir::toNativeSeparators(path);
    QuickDialFileRead read;
    switch (LoadQuickDialConfig(path, &read)) {
    case QuickDialFileState::Unreadable:
        m_dialogs->warning(
            this, GetText(TextId::LoadFailedTitle),
            filledText(TextId::LoadConfigFailed,
                       {shown, read.refusal.isEmpty() ? GetText(TextId::FileUnreadable) : read.refusal}));
        break;
    case QuickDialFileState::NoQuickDialKeys:
        m_dialogs->warning(this, GetText(TextId::LoadFailedTitle),
                           filledText(TextId::NotAConfigFile, {shown}));
        break;
    case QuickDialFileState::Loaded:
    case QuickDialFileState::Missing:
        break;
    }
}

void MainWindow::onSaveConfigClicked() {
    const QString filter = configFileFilter();
    const std::optional<QString> chosen =
        m_dialogs->saveFile(this, GetText(TextId::SaveConfigTitle), m_settingsFolder,
                            GetText(TextId::SaveConfigFileName) + QStringLiteral(".cfg"), filter);
    if (chosen && !chosen->isEmpty())
        SaveQuickDialConfig(*chosen);
}

void MainWindow::startUp() {
    // A first start, with no Setup.ini yet, speaks the desktop's language unless the template names one.
    const bool firstStart = !Platform::FileExists(setupIniPath());
    Settings::PrepareSettingsFolder(m_settingsFolder, m_programFolder);
    m_windowMarker = std::make_unique<Settings::WindowMarker>(m_settingsFolder);
    QString refusal;
    m_startSettings =
        SetupSettings::read(setupIniPath(), Platform::localHostName(), &m_startSetupLines, &refusal,
                            firstStart ? SetupSettings::languageForLocale(QLocale()) : 0);
    const SetupSettings& settings = m_startSettings;
    m_settingsPage->setDefaultCaptureFolder(SetupSettings().captureFolderIn(m_settingsFolder));
    m_settingsPage->showSettings(settings);
    m_deviceTypeIndex = settings.device;
    m_languageIndex = settings.language;
    m_tabs->setCurrentIndex(settings.selTab);
    ApplyLanguage();
    const QString historyPath = QDir(m_settingsFolder).filePath(CommandHistory::fileName());
    m_commandLinePage->history() = CommandHistory::load(historyPath);
    // Each command goes into the file as it is sent, so a crash or another window's exit loses none.
    m_historyWriter = new HistoryWriter(historyPath, this);
    connect(m_commandLinePage, &CommandLinePage::commandEntered, m_historyWriter, &HistoryWriter::add);
    // Up, Down and the search then find what another window on these settings sent, too.
    connect(m_historyWriter, &HistoryWriter::fileChanged, this,
            [this](const QStringList& commands) { m_commandLinePage->history().adopt(commands); });
    restorePlacement(settings);
    m_commandLinePage->logTools()->chooseFollowing(settings.logFollow);
    m_commandLinePage->logTools()->setLatencyShown(settings.logLatencyColumn);
    m_strip->RefreshLinkState(m_link->state());
    // A file that cannot be read, or holds no slot keys, gives eight empty slots, as a missing one does. The
    // content of an unreadable one is not lost: the exit save refuses to replace it, and says so.
    const QuickDialFileState state = LoadQuickDialConfig(defaultConfigPath(), &m_startConfigRead);
    if (state != QuickDialFileState::Loaded && state != QuickDialFileState::Missing)
        m_memory->loadSlots({});
    // Defaults or eight empty slots are no surprise for a missing file; for one that is there but was not
    // read, they are. Said once the window is up, and not at all when a signal ends it first.
    QStringList notRead;
    if (!refusal.isEmpty())
        notRead << filledText(TextId::SetupNotRead, {QDir::toNativeSeparators(setupIniPath()), refusal});
    if (!m_startConfigRead.refusal.isEmpty())
        notRead << filledText(TextId::LoadConfigFailed,
                              {QDir::toNativeSeparators(defaultConfigPath()), m_startConfigRead.refusal});
    if (!notRead.isEmpty())
        QTimer::singleShot(0, this, [this, notRead] {
            for (const QString& text : notRead) {
                if (!m_exited)
                    m_dialogs->warning(this, GetText(TextId::LoadFailedTitle), text);
            }
        });
    m_startSlots = m_memory->allSlots();
    if (m_windowMarker->otherWindowRunning())
        m_strip->showFixedNotice(TextId::SettingsShared);
    applyCapture();
    m_started = true;
}

void MainWindow::exitSequence() {
    if (m_exited)
        return;
    m_exited = true;
    SetupSettings settings;
    m_settingsPage->collectSettings(settings);
    settings.selTab = m_tabs->currentIndex();
    // The place to come back to from a maximised window is its normal one.
    const bool maximized = isMaximized();
    const QRect normal = maximized ? normalGeometry() : geometry();
    if (const QRect place = normal.isEmpty() ? m_restoredPlace : normal; !place.isEmpty())
        settings.window = place;
    settings.windowMaximized = maximized;
    settings.logFollow = m_commandLinePage->logTools()->followingChosen();
    settings.logLatencyColumn = m_commandLinePage->logTools()->latencyShown();
    QStringList failures;
    {
        // Another window on the folder may have saved since this one started: each file is read again under
        // the lock, and only what this window changed replaces what is there.
        const Settings::SaveLock lock(m_settingsFolder);
        // Without a stored place the window took the one it first appeared at; left there, it has not moved,
        // and a place another window has stored since stays.
        SetupSettings atStart = m_startSettings;
        if (!atStart.window && !m_firstShownPlace.isEmpty())
            atStart.window = m_firstShownPlace;
        QString reason;
        if (!settings.writeChanges(setupIniPath(), atStart, m_startSetupLines, &reason))
            failures << filledText(TextId::SaveSetupFailed,
                                   {QDir::toNativeSeparators(setupIniPath()), reason});
        if (!saveQuickDialChanges(defaultConfigPath(), m_memory->allSlots(), m_startSlots, m_startConfigRead,
                                  &reason))
            failures << filledText(TextId::SaveConfigFailed,
                                   {QDir::toNativeSeparators(defaultConfigPath()), reason});
    }
    // The history is a convenience: a failure to keep it is not worth a message at exit.
    if (m_historyWriter)
        m_historyWriter->waitForDone();
    m_capture->stop();
    // Told after the lock is given back, so another window's exit does not wait for someone to read them.
    for (const QString& failure : failures)
        reportSaveFailure(failure);
}

void MainWindow::closeUnattended() {
    m_unattendedExit = true;
    close();
}

void MainWindow::reportSaveFailure(const QString& text) {
    if (m_unattendedExit) {
        std::fprintf(stderr, "telvane: %s\n", text.toLocal8Bit().constData());
        return;
    }
    m_dialogs->warning(this, GetText(TextId::SaveFailedTitle), text);
}

void MainWindow::showCommandCatalogue() {
    m_commandLinePage->setCommandCatalogue(LoadCommandCatalogue(m_settingsPage->deviceType(), true));
}

void MainWindow::applyCapture() {
    if (!m_settingsPage->captureWanted()) {
        m_capture->stop();
        return;
    }
    m_capture->setOptions(m_settingsPage->captureOptions());
    if (!m_capture->running())
        m_capture->start(m_session->log(), m_link->host(), m_link->port());
}

void MainWindow::chooseCaptureFolder() {
    const std::optional<QString> folder = m_dialogs->chooseFolder(this, GetText(TextId::CaptureFolderName),
                                                                  m_settingsPage->captureOptions().folder);
    if (folder && !folder->isEmpty())
        m_settingsPage->setCaptureFolder(*folder);
}

void MainWindow::openLogFile() {
    if (m_logFileFolder.isEmpty())
        m_logFileFolder = m_settingsPage->captureOptions().folder;
    LogFileWindow::ask(this, *m_dialogs, &m_logFileFolder);
}

void MainWindow::openCaptureFolder() {
    const QString folder = m_settingsPage->captureOptions().folder;
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void MainWindow::restorePlacement(const SetupSettings& settings) {
    if (settings.window) {
        const QSize size = settings.window->size().expandedTo(DefaultSize);
        m_restoredPlace = QRect(settings.window->topLeft(), size);
        if (onSomeScreen(m_restoredPlace))
            setGeometry(m_restoredPlace);
        else
            resize(size);
    }
    if (settings.windowMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize growth = (size() - DefaultSize).expandedTo(QSize(0, 0));
    m_tabs->setGeometry(DefaultTabsPlace.adjusted(0, 0, growth.width(), growth.height()));
    m_settingsPage->setGrowth(growth);
    m_commandLinePage->setGrowth(growth);
    m_editorPage->setGrowth(growth);
    m_quickDialPage->setGrowth(growth);
    m_strip->setGrowth(growth);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_firstShownPlace.isEmpty() && !isMaximized())
        m_firstShownPlace = geometry();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    exitSequence();
    event->accept();
}

void MainWindow::ApplyLanguage() {
    setLanguageOffset(m_languageIndex != 0 ? EnglishOffset : 0);
    useQtTranslations(m_languageIndex != 0 ? QStringLiteral("en") : QStringLiteral("de"));
    setWindowTitle(GetText(TextId::WindowCaption));
    const TextId tabCaptions[] = {TextId::TabSettings, TextId::TabCommandLine, TextId::TabScriptEditor,
                                  TextId::TabQuickDial};
    for (int tab = 0; tab < m_tabs->count(); ++tab)
        m_tabs->setTabText(tab, GetText(tabCaptions[tab]));
    m_tabs->setAccessibleName(GetText(TextId::TabsName));
    // At start the stored rows are selected; a later switch keeps the device row the user has picked.
    m_settingsPage->retranslate(m_languageIndex, m_deviceTypeIndex, m_started);
    m_commandLinePage->retranslate();
    // The hints name the parameters in the language shown.
    showCommandCatalogue();
    m_editorPage->retranslate();
    m_quickDialPage->retranslate();
    m_strip->retranslate();
    m_openLogFile->setText(GetText(TextId::OpenLogFile));
    m_openCaptureFolder->setText(GetText(TextId::OpenCaptureFolder));
    // Alt+letter for the tabs and the captions, chosen anew for the language's words.
    Access::assignMnemonics(m_tabs, Access::mnemonicWidgets(m_strip),
                            {m_settingsPage, m_commandLinePage, m_editorPage, m_quickDialPage});
}

int MainWindow::helpTopicForTab(int index) {
    switch (index) {
    case 0:
        return HelpTopics::Settings;
    case 1:
        return HelpTopics::CommandLine;
    case EditorTab:
        return HelpTopics::ScriptEditor;
    case QuickDialTab:
        return HelpTopics::QuickDial;
    default:
        return 0;
    }
}
