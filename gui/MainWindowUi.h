#pragma once

#include <array>

class QCheckBox;
class QFont;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QTreeWidget;
class QWidget;

// Every widget of the main window at its fixed place. The components that give them behaviour are handed
// the widgets they own; the window itself only lays them out. Each widget's objectName is its member name.
struct MainWindowUi {
    static constexpr int SlotCount = 8;

    // The font the fixed layout is measured for; every caption fits its place in both languages with it.
    static QFont windowFont();

    void setupUi(QWidget* window);

    QTabWidget* SSTab1 = nullptr;

    // Tab 0: general settings
    QGroupBox* fraSoftwareSel = nullptr;
    QComboBox* cboDevice = nullptr;
    QGroupBox* fraTarget = nullptr;
    QLabel* labPort = nullptr;
    QLineEdit* txtPort = nullptr;
    QLabel* labIp = nullptr;
    QLineEdit* txtPcName = nullptr;
    QPushButton* cmdThisSystem = nullptr;
    QCheckBox* chkConnect = nullptr;
    QGroupBox* fraLanguage = nullptr;
    QComboBox* cboLanguage = nullptr;
    QGroupBox* fraVersion = nullptr;
    QLabel* labProgramVersion = nullptr;
    QLabel* labProgramDate = nullptr;
    QLabel* labInfo1 = nullptr;

    // Tab 1: command line
    QGroupBox* fraSend = nullptr;
    QPushButton* cmdCreateCommand1 = nullptr;
    QLineEdit* txtSend = nullptr;
    QPushButton* cmdSend = nullptr;
    QGroupBox* fraReceive = nullptr;
    QTableView* lsvMsg = nullptr;
    QPushButton* cmdDeleteList = nullptr;
    QLabel* labInfo2 = nullptr;

    // Tab 2: script editor and slot choice
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
    std::array<QPushButton*, SlotCount> cmdF{};
    QLabel* labInfo3 = nullptr;

    // Tab 3: quick dial
    QGroupBox* frmStorage = nullptr;
    std::array<QLabel*, SlotCount> labF{};
    std::array<QPushButton*, SlotCount> cmdCommand{};
    std::array<QPlainTextEdit*, SlotCount> txtCommandDescript{};
    QPushButton* cmdLoadConfig = nullptr;
    QPushButton* cmdSaveConfig = nullptr;
    QLabel* labInfo4 = nullptr;

    // Strip below the tabs
    QLabel* labState = nullptr;
    QProgressBar* prgProgress = nullptr;
    QLabel* labCommandScriptCompleted = nullptr;
    QPushButton* cmdCancelCommandScript = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdQuit = nullptr;
};
