#pragma once

#include "app/MainWindowUi.h"
#include "assistant/AssistantDialog.h"
#include "scripts/QuickDialConfig.h"

#include <QString>
#include <QWidget>

#include <memory>

class CommandLine;
class Dialogs;
class QTimer;
class QuickDial;
class ScriptEditor;
class ScriptRunner;
class TargetLink;

// Where the main window keeps its files and how it asks the user. Empty folders mean the real ones.
struct MainWindowEnvironment {
    QString settingsFolder;
    QString programFolder;
    Dialogs* dialogs = nullptr; // not owned; the real dialogs when null
};

// The program's only permanent window: lays out the widgets, composes the components that own them, and
// runs the start-up and exit sequences.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(const MainWindowEnvironment& environment = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    const MainWindowUi& ui() const { return m_ui; }
    const QString& settingsFolder() const { return m_settingsFolder; }
    const QString& programFolder() const { return m_programFolder; }
    QString setupIniPath() const;
    Dialogs& dialogs() const { return *m_dialogs; }
    TargetLink* link() const { return m_link; }
    CommandLine* commandLine() const { return m_commandLine; }

    int LanguageIndex() const { return m_languageIndex; }
    int DeviceTypeIndex() const { return m_deviceTypeIndex; }

    // Puts every fixed text of the window into the language of LanguageIndex.
    void ApplyLanguage();

    // Opens the command assistant for the device type selected in cboDevice; includeQueries lists the query
    // commands too. Hides the script-completed notice first.
    AssistantResult runAssistant(bool includeQueries);

    ScriptEditor* scriptEditor() const { return m_scriptEditor; }
    QuickDial* quickDial() const { return m_quickDial; }
    ScriptRunner* runner() const { return m_runner; }

    // Fills all eight slots from a configuration file (empty ones for a missing file). A file that cannot be
    // read, or that holds none of the slot keys (a file of another kind), leaves the slots as they are.
    QuickDialFileState LoadQuickDialConfig(const QString& path);
    // Writes all eight slots; a failure is reported to the user with the file and the reason.
    bool SaveQuickDialConfig(const QString& path);
    QString defaultConfigPath() const;

    // The help topic of a tab of SSTab1; 0 (no help) for an index that is no tab.
    static int HelpTopicForTab(int index);

signals:
    // The shown tab changed to one other than the quick-dial tab (3): pending slot modes end.
    void slotModesShouldClear();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void wireLink();
    void wireAssistant();
    void wireScripts();
    void wireRunner();
    void onFunctionKey(int slot);
    void onLoadConfigClicked();
    void onSaveConfigClicked();
    static QString configFileFilter();
    void startUp();
    void exitSequence();
    void onTabClicked(int index);
    void onLanguagePicked(int row);
    void onHelpClicked();
    void onStateTick();

    MainWindowUi m_ui;
    QString m_settingsFolder;
    QString m_programFolder;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs* m_dialogs = nullptr;
    QTimer* m_timTimer = nullptr;
    TargetLink* m_link = nullptr;
    CommandLine* m_commandLine = nullptr;
    ScriptEditor* m_scriptEditor = nullptr;
    QuickDial* m_quickDial = nullptr;
    ScriptRunner* m_runner = nullptr;
    int m_languageIndex = 0;
    int m_deviceTypeIndex = 0;
    int m_previousTab = 0;
    bool m_started = false;
    bool m_exited = false;
};
