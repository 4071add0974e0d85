#pragma once

#include "core/files/Settings.h"
#include "core/scripts/QuickDialConfig.h"
#include "gui/AssistantDialog.h"

#include <QRect>
#include <QString>
#include <QWidget>

#include <memory>

class CommandLinePage;
class LogCapture;
struct SetupSettings;
class Dialogs;
class HistoryWriter;
class QuickDialMemory;
class QuickDialPage;
class ScriptEditorPage;
class ScriptRunner;
class Session;
class SettingsPage;
class StatusStrip;
class TabControl;
class TargetLink;

// Where the main window keeps its files and how it asks the user. Empty folders mean the real ones.
struct MainWindowEnvironment {
    QString settingsFolder;
    QString programFolder;
    Dialogs* dialogs = nullptr; // not owned; the real dialogs when null
};

// The program's only permanent window (frmMain): composes the four tab pages, the status strip and the core
// objects behind them, wires them, and runs the start-up and exit sequences.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int QuickDialTab = 3;
    static constexpr int EditorTab = 2;

    explicit MainWindow(const MainWindowEnvironment& environment = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    const QString& settingsFolder() const { return m_settingsFolder; }
    const QString& programFolder() const { return m_programFolder; }
    QString setupIniPath() const;
    QString defaultConfigPath() const;

    TargetLink* link() const { return m_link; }
    Session* session() const { return m_session; }
    ScriptRunner* runner() const { return m_runner; }
    QuickDialMemory* memory() const { return m_memory; }
    LogCapture* capture() const { return m_capture; }

    int LanguageIndex() const { return m_languageIndex; }
    // Puts every fixed text of the window into the language of LanguageIndex.
    void ApplyLanguage();

    // What a run button, a choice button or the function key of slot n (1..8) does: carries out the pending
    // slot mode on slot n or runs the slot.
    void HandleSlotButton(int n);

    // Fills all eight slots from a configuration file (empty ones for a missing file). A file that cannot be
    // read, or that holds none of the slot keys (a file of another kind), leaves the slots as they are.
    // *read receives what the exit save needs to know of the file, and why it was refused.
    QuickDialFileState LoadQuickDialConfig(const QString& path, QuickDialFileRead* read = nullptr);
    // Writes all eight slots; a failure is reported to the user with the file and the reason.
    bool SaveQuickDialConfig(const QString& path);

    // The help topic of a tab of SSTab1; 0 (no help) for an index that is no tab.
    static int helpTopicForTab(int index);

    // Closes the window for a termination signal: the exit saves are tried as on Quit, but a failure is
    // written to the standard error instead of waiting for someone to read a message.
    void closeUnattended();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildWindow();
    void wire();
    AssistantResult runAssistant(bool includeQueries);
    void onFunctionKey(int slot);
    void onTabChanged(int index);
    void onLinkStateChanged(int state);
    void onLoadConfigClicked();
    void onSaveConfigClicked();
    void startUp();
    void exitSequence();
    void showCommandCatalogue();
    void restorePlacement(const SetupSettings& settings);
    // A failed save: a message, or the standard error during an unattended exit.
    void reportSaveFailure(const QString& text);
    // Starts, changes or stops the capture as the settings page says.
    void applyCapture();
    void chooseCaptureFolder();
    void openCaptureFolder();
    void openLogFile();

    QString m_settingsFolder;
    QString m_programFolder;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs* m_dialogs = nullptr;

    TargetLink* m_link = nullptr;
    Session* m_session = nullptr;
    ScriptRunner* m_runner = nullptr;
    QuickDialMemory* m_memory = nullptr;
    HistoryWriter* m_historyWriter = nullptr;
    LogCapture* m_capture = nullptr;
    QAction* m_openLogFile = nullptr;
    QAction* m_openCaptureFolder = nullptr;
    QString m_logFileFolder; // where the last log file was opened from

    TabControl* m_tabs = nullptr;
    SettingsPage* m_settingsPage = nullptr;
    CommandLinePage* m_commandLinePage = nullptr;
    ScriptEditorPage* m_editorPage = nullptr;
    QuickDialPage* m_quickDialPage = nullptr;
    StatusStrip* m_strip = nullptr;

    int m_languageIndex = 0;
    int m_deviceTypeIndex = 0;
    int m_previousTab = 0;
    bool m_started = false;
    bool m_exited = false;
    bool m_unattendedExit = false;
    // What the start-up read, so the exit writes only what this window changed where another one also
    // changed the files since.
    std::unique_ptr<Settings::WindowMarker> m_windowMarker;
    SetupSettings m_startSettings;
    ProfileLines m_startSetupLines;
    QuickDialSlots m_startSlots{};
    QuickDialFileRead m_startConfigRead;
    QRect m_restoredPlace;   // the stored normal place, for an exit before the window was ever shown normal
    QRect m_firstShownPlace; // where the window first appeared: not moved by the user while it is there
};
