#pragma once

#include "core/link/LogCapture.h"
#include "gui/Layout.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TargetLink;
struct SetupSettings;

// Tab 0, "General settings": the device type, where the device software listens (host and port), the wish
// to be connected, the language, how runs check replies (timeout, error text) and the program's version.
// Host, port and the wish go straight to the link; the checks are reported by signal.
class SettingsPage : public QWidget {
    Q_OBJECT

public:
    SettingsPage(TargetLink* link, QPoint pageOffset, QWidget* parent = nullptr);

    // Port, name, the connect box and the checks of replies as start-up reads them; the combo rows are chosen
    // by retranslate.
    void showSettings(const SetupSettings& settings);
    // Port, name, device row, connect state, language row and the checks of replies as exit writes them.
    void collectSettings(SetupSettings& settings) const;

    // Every fixed text in the current language, then the rows of both combo boxes: the language row, and
    // the device row deviceTypeIndex unless the user has picked one already (keepDeviceRow).
    void retranslate(int languageIndex, int deviceTypeIndex, bool keepDeviceRow);

    // The device type the assistant builds commands for: 0 for the first row, 1 for any other.
    int deviceType() const;
    // chkConnect as stored: 0 unchecked, 1 checked, 2 greyed.
    int connectState() const;
    void setConnectState(int state);

    // Lays the page out for a window this much larger than its default size.
    void setGrowth(QSize growth);

    // The capture of the log to files: what the page's fields say, the folder shown for an empty setting,
    // the folder the user chose, and the capture's state (running and its file, or why it stopped).
    LogCapture::Options captureOptions() const;
    bool captureWanted() const;
    void setDefaultCaptureFolder(const QString& folder);
    void setCaptureFolder(const QString& folder);
    void showCaptureStatus(const LogCapture::Status& status);

signals:
    // The user picked a row of cboLanguage.
    void languagePicked(int row);
    // The row of cboDevice changed (by the user or at start).
    void deviceTypeChanged();
    // The longest wait of a run for a reply, in seconds; 0 for none.
    void replyTimeoutChanged(int seconds);
    // The text that marks a reply as an error; "" for none.
    void errorTextChanged(const QString& text);
    // The capture box, its folder, size or number of files changed.
    void captureChanged();
    // cmdCaptureFolder: the folder dialog is wanted.
    void captureFolderRequested();
    // "Open capture folder" in the folder field's menu.
    void openCaptureFolderRequested();

private:
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
    QGroupBox* fraReplyChecks = nullptr;
    QLabel* labReplyTimeout = nullptr;
    QSpinBox* cwnReplyTimeout = nullptr;
    QLabel* labErrorText = nullptr;
    QLineEdit* txtErrorText = nullptr;
    QGroupBox* fraVersion = nullptr;
    QLabel* labProgramVersion = nullptr;
    QLabel* labProgramDate = nullptr;
    QLabel* labInfo1 = nullptr;
    QCheckBox* chkCaptureLog = nullptr;
    QLineEdit* txtCaptureFolder = nullptr;
    QPushButton* cmdCaptureFolder = nullptr;
    QLabel* labCaptureFileMb = nullptr;
    QSpinBox* cwnCaptureFileMb = nullptr;
    QLabel* labCaptureFiles = nullptr;
    QSpinBox* cwnCaptureFiles = nullptr;
    QLabel* labCaptureState = nullptr;
    QString m_captureFolder; // as stored: "" for the default
    QString m_defaultCaptureFolder;
    LogCapture::Status m_captureStatus;
    Layout::Growth m_growth;
};
