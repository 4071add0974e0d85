#include "gui/SettingsPage.h"

#include "core/files/Platform.h"
#include "core/files/Settings.h"
#include "core/link/TargetLink.h"
#include "core/scripts/ErrorText.h"
#include "core/texts/Texts.h"
#include "gui/Access.h"
#include "gui/Layout.h"
#include "gui/Palette.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QValidator>

#include <memory>

using namespace Layout;

namespace {

// A check box whose greyed state comes only from the program (a stored setting); a click ticks or unticks
// it, and a greyed box, which counts as ticked, is unticked.
class TwoStateClickCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {
        setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
    }
};

// The error text is stored in Setup.ini and compared with replies, both Windows-1252: the core's rule says
// what could match and survive the file.
class ErrorTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return ErrorText::isAllowed(input) ? Acceptable : Invalid;
    }
};

} // namespace

SettingsPage::SettingsPage(TargetLink* link, QPoint pageOffset, QWidget* parent)
    : QWidget(parent) {
    const TabPlaces onTab(pageOffset);
    fraSoftwareSel = make<QGroupBox>(this, "fraSoftwareSel", onTab(120, 360, 9075, 975));
    cboDevice = make<QComboBox>(fraSoftwareSel, "cboDevice", twipsRect(360, 360, 8415, 315));
    cboDevice->addItems({QString(), QString()});
    fraTarget = make<QGroupBox>(this, "fraTarget", onTab(120, 1440, 9075, 1215));
    labPort = makeAutoSizeLabel(fraTarget, "labPort", 360, 360);
    txtPort = make<QLineEdit>(fraTarget, "txtPort", twipsRect(360, 600, 915, 315));
    labIp = makeAutoSizeLabel(fraTarget, "labIp", 1680, 360);
    txtPcName = make<QLineEdit>(fraTarget, "txtPcName", twipsRect(1680, 600, 2595, 315));
    cmdThisSystem = make<QPushButton>(fraTarget, "cmdThisSystem", twipsRect(4320, 600, 1695, 375));
    chkConnect = make<TwoStateClickCheckBox>(fraTarget, "chkConnect", twipsRect(6600, 540, 1695, 255));
    fraLanguage = make<QGroupBox>(this, "fraLanguage", onTab(120, 2760, 9075, 1035));
    cboLanguage = make<QComboBox>(fraLanguage, "cboLanguage", twipsRect(360, 360, 2775, 315));
    cboLanguage->addItems({QString(), QString()});
    // The checks of replies have a frame of their own over the language frame's free right part; the
    // language frame keeps its place and size, and the borders the two share coincide, so they read as
    // neighbours on one row.
    fraReplyChecks = make<QGroupBox>(this, "fraReplyChecks", onTab(3360, 2760, 5835, 1035));
    labReplyTimeout = makeAutoSizeLabel(fraReplyChecks, "labReplyTimeout", 360, 405);
    cwnReplyTimeout = make<QSpinBox>(fraReplyChecks, "cwnReplyTimeout", twipsRect(1800, 360, 1080, 315));
    cwnReplyTimeout->setRange(0, SetupSettings::MaxReplyTimeout);
    cwnReplyTimeout->setSuffix(QStringLiteral(" s"));
    labErrorText = makeAutoSizeLabel(fraReplyChecks, "labErrorText", 3120, 405);
    txtErrorText = make<QLineEdit>(fraReplyChecks, "txtErrorText", twipsRect(4200, 360, 1455, 315));
    txtErrorText->setValidator(new ErrorTextValidator(txtErrorText));
    fraVersion = make<QGroupBox>(this, "fraVersion", onTab(120, 3960, 9075, 1035));
    labProgramVersion = makeAutoSizeLabel(fraVersion, "labProgramVersion", 360, 300);
    labProgramDate = makeAutoSizeLabel(fraVersion, "labProgramDate", 360, 600);
    labInfo1 = makeInfoLabel(this, "labInfo1", onTab(180, 5280, 9195, 795));
    // The capture shares the version frame's free right part; its state goes on the line below the frame.
    chkCaptureLog = make<QCheckBox>(fraVersion, "chkCaptureLog", twipsRect(3600, 300, 2400, 255));
    txtCaptureFolder = make<QLineEdit>(fraVersion, "txtCaptureFolder", twipsRect(6060, 270, 2220, 315));
    txtCaptureFolder->setReadOnly(true);
    txtCaptureFolder->setContextMenuPolicy(Qt::CustomContextMenu);
    cmdCaptureFolder = make<QPushButton>(fraVersion, "cmdCaptureFolder", twipsRect(8340, 255, 555, 345));
    cmdCaptureFolder->setText(QStringLiteral("..."));
    // Dots have no letter for an Alt key; the button is named for a screen reader instead.
    Access::markUserCaption(cmdCaptureFolder);
    labCaptureFileMb = makeAutoSizeLabel(fraVersion, "labCaptureFileMb", 3600, 690);
    cwnCaptureFileMb = make<QSpinBox>(fraVersion, "cwnCaptureFileMb", twipsRect(4800, 630, 960, 315));
    cwnCaptureFileMb->setRange(1, SetupSettings::MaxCaptureFileMb);
    labCaptureFiles = makeAutoSizeLabel(fraVersion, "labCaptureFiles", 6060, 690);
    cwnCaptureFiles = make<QSpinBox>(fraVersion, "cwnCaptureFiles", twipsRect(7020, 630, 840, 315));
    cwnCaptureFiles->setRange(1, SetupSettings::MaxCaptureFiles);
    labCaptureFileMb->setBuddy(cwnCaptureFileMb);
    labCaptureFiles->setBuddy(cwnCaptureFiles);
    labCaptureState = makeLabel(this, "labCaptureState", onTab(480, 5010, 8715, 255));
    labCaptureState->setContextMenuPolicy(Qt::CustomContextMenu);
    // Shown cut to one line (whole in the tooltip); wrapping lets it keep to its place before it is shown.
    labCaptureState->setWordWrap(true);
    // Each field is named by its label, not by the frame around it.
    labPort->setBuddy(txtPort);
    labIp->setBuddy(txtPcName);
    labReplyTimeout->setBuddy(cwnReplyTimeout);
    labErrorText->setBuddy(txtErrorText);

    connect(txtPort, &QLineEdit::textChanged, link, &TargetLink::setPort);
    connect(txtPcName, &QLineEdit::textChanged, link, &TargetLink::setHost);
    connect(chkConnect, &QCheckBox::stateChanged, link,
            [link](int state) { link->setConnectWanted(state != Qt::Unchecked); });
    connect(cmdThisSystem, &QPushButton::clicked, this,
            [this] { txtPcName->setText(Platform::localHostName()); });
    connect(cboLanguage, &QComboBox::activated, this, &SettingsPage::languagePicked);
    connect(cwnReplyTimeout, &QSpinBox::valueChanged, this, &SettingsPage::replyTimeoutChanged);
    connect(txtErrorText, &QLineEdit::textChanged, this, &SettingsPage::errorTextChanged);
    connect(cboDevice, &QComboBox::currentIndexChanged, this, &SettingsPage::deviceTypeChanged);
    connect(chkCaptureLog, &QCheckBox::toggled, this, &SettingsPage::captureChanged);
    connect(cwnCaptureFileMb, &QSpinBox::valueChanged, this, &SettingsPage::captureChanged);
    connect(cwnCaptureFiles, &QSpinBox::valueChanged, this, &SettingsPage::captureChanged);
    connect(cmdCaptureFolder, &QPushButton::clicked, this, &SettingsPage::captureFolderRequested);
    // The folder field (keyboard: the menu key) and the state line offer to open the folder.
    for (QWidget* w : {static_cast<QWidget*>(txtCaptureFolder), static_cast<QWidget*>(labCaptureState)}) {
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](QPoint at) {
            const std::unique_ptr<QMenu> menu(
                w == txtCaptureFolder ? txtCaptureFolder->createStandardContextMenu() : new QMenu(w));
            menu->addSeparator();
            QAction* open = menu->addAction(GetText(TextId::OpenCaptureFolder));
            open->setObjectName(QStringLiteral("actOpenCaptureFolder"));
            connect(open, &QAction::triggered, this, &SettingsPage::openCaptureFolderRequested);
            menu->exec(w->mapToGlobal(at));
        });
    }

    for (QWidget* w : std::initializer_list<QWidget*>{fraSoftwareSel, cboDevice, fraTarget, fraLanguage,
                                                      fraVersion, fraReplyChecks})
        m_growth.add(w, StretchWidth);
    m_growth.add(labInfo1, FollowBottomStretchWidth);
    m_growth.add(labCaptureState, StretchWidth);
}

LogCapture::Options SettingsPage::captureOptions() const {
    LogCapture::Options options;
    options.folder = m_captureFolder.isEmpty() ? m_defaultCaptureFolder : m_captureFolder;
    options.maxFileBytes = qint64(cwnCaptureFileMb->value()) * 1024 * 1024;
    options.maxFiles = cwnCaptureFiles->value();
    return options;
}

bool SettingsPage::captureWanted() const {
    return chkCaptureLog->isChecked();
}

void SettingsPage::setDefaultCaptureFolder(const QString& folder) {
    m_defaultCaptureFolder = folder;
    setCaptureFolder(m_captureFolder);
}

void SettingsPage::setCaptureFolder(const QString& folder) {
    const bool changed = folder != m_captureFolder;
    m_captureFolder = folder;
    const QString shown = QDir::toNativeSeparators(folder.isEmpty() ? m_defaultCaptureFolder : folder);
    txtCaptureFolder->setText(shown);
    txtCaptureFolder->setToolTip(shown);
    txtCaptureFolder->setCursorPosition(0);
    if (changed)
        emit captureChanged();
}

void SettingsPage::showCaptureStatus(const LogCapture::Status& status) {
    m_captureStatus = status;
    QString text;
    switch (status.state) {
    case LogCapture::State::Off:
        text = GetText(TextId::CaptureStateOff);
        break;
    case LogCapture::State::Running:
        text = filledText(TextId::CaptureStateRunning, {QDir::toNativeSeparators(status.file)});
        break;
    case LogCapture::State::Failed:
        text = filledText(TextId::CaptureStateFailed,
                          {status.file.isEmpty() ? status.error
                                                 : QDir::toNativeSeparators(status.file) +
                                                       QStringLiteral(": ") + status.error});
        break;
    }
    if (status.dropped > 0)
        text += QLatin1Char(' ') + filledText(TextId::CaptureStateDropped, {QString::number(status.dropped)});
    const QString shown =
        labCaptureState->fontMetrics().elidedText(text, Qt::ElideMiddle, labCaptureState->width());
    labCaptureState->setText(shown);
    labCaptureState->setToolTip(shown == text ? QString() : text);
    QPalette palette = labCaptureState->palette();
    palette.setColor(QPalette::WindowText,
                     Palette::windowText(status.state == LogCapture::State::Failed || status.dropped > 0
                                             ? Palette::Meaning::Failed
                                             : Palette::Meaning::Neutral,
                                         palette));
    labCaptureState->setPalette(palette);
}

void SettingsPage::setGrowth(QSize growth) {
    m_growth.apply(growth);
}

void SettingsPage::showSettings(const SetupSettings& settings) {
    txtPort->setText(settings.port);
    txtPcName->setText(settings.name);
    setConnectState(settings.connect);
    cwnReplyTimeout->setValue(settings.replyTimeout);
    // Not through the validator: a text from the file is taken whole, and kept as it is at exit.
    txtErrorText->setText(settings.errorText);
    const QSignalBlocker box(chkCaptureLog), size(cwnCaptureFileMb), files(cwnCaptureFiles);
    chkCaptureLog->setChecked(settings.captureEnabled);
    cwnCaptureFileMb->setValue(settings.captureFileMb);
    cwnCaptureFiles->setValue(settings.captureFiles);
    m_captureFolder = settings.captureFolder.trimmed();
    setCaptureFolder(m_captureFolder);
}

void SettingsPage::collectSettings(SetupSettings& settings) const {
    settings.port = txtPort->text();
    settings.name = txtPcName->text();
    settings.device = cboDevice->currentIndex();
    settings.connect = connectState();
    settings.language = cboLanguage->currentIndex();
    settings.replyTimeout = cwnReplyTimeout->value();
    settings.errorText = txtErrorText->text();
    settings.captureEnabled = chkCaptureLog->isChecked();
    settings.captureFolder = m_captureFolder;
    settings.captureFileMb = cwnCaptureFileMb->value();
    settings.captureFiles = cwnCaptureFiles->value();
}

int SettingsPage::deviceType() const {
    return cboDevice->currentIndex() == 0 ? 0 : 1;
}

int SettingsPage::connectState() const {
    switch (chkConnect->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Checked:
        break;
    }
    return 1;
}

void SettingsPage::setConnectState(int state) {
    // Setting the box counts as the user's click: a checked box asks for a connection.
    chkConnect->setCheckState(state == 0 ? Qt::Unchecked : state == 2 ? Qt::PartiallyChecked : Qt::Checked);
}

void SettingsPage::retranslate(int languageIndex, int deviceTypeIndex, bool keepDeviceRow) {
    fraSoftwareSel->setTitle(GetText(TextId::FrameDeviceType));
    fraTarget->setTitle(GetText(TextId::FrameTarget));
    setAutoSizedText(labPort, GetText(TextId::PortLabel));
    setAutoSizedText(labIp, GetText(TextId::PcNameLabel));
    cmdThisSystem->setText(GetText(TextId::ThisSystemButton));
    chkConnect->setText(GetText(TextId::ConnectBox));
    fraLanguage->setTitle(GetText(TextId::FrameLanguage));
    fraReplyChecks->setTitle(GetText(TextId::FrameReplyChecks));
    // The two drop-down lists have no label but their frame; they are named for what they choose.
    cboDevice->setAccessibleName(GetText(TextId::DeviceTypeName));
    cboLanguage->setAccessibleName(GetText(TextId::LanguageName));
    setAutoSizedText(labReplyTimeout, GetText(TextId::ReplyTimeoutLabel));
    cwnReplyTimeout->setSpecialValueText(GetText(TextId::ReplyTimeoutNone));
    cwnReplyTimeout->setToolTip(GetText(TextId::ReplyTimeoutTip));
    labReplyTimeout->setToolTip(GetText(TextId::ReplyTimeoutTip));
    setAutoSizedText(labErrorText, GetText(TextId::ErrorTextLabel));
    txtErrorText->setToolTip(GetText(TextId::ErrorTextTip));
    labErrorText->setToolTip(GetText(TextId::ErrorTextTip));
    labInfo1->setText(GetText(TextId::InfoSettings));
    cboLanguage->setItemText(0, GetText(TextId::LanguageGerman));
    cboLanguage->setItemText(1, GetText(TextId::LanguageEnglish));
    cboDevice->setItemText(0, GetText(TextId::DeviceType0));
    cboDevice->setItemText(1, GetText(TextId::DeviceType1));

    cboLanguage->setCurrentIndex(languageIndex);
    if (!keepDeviceRow || cboDevice->currentIndex() < 0)
        cboDevice->setCurrentIndex(deviceTypeIndex);

    chkCaptureLog->setText(GetText(TextId::CaptureBox));
    chkCaptureLog->setToolTip(GetText(TextId::CaptureTip));
    txtCaptureFolder->setAccessibleName(GetText(TextId::CaptureFolderName));
    cmdCaptureFolder->setAccessibleName(GetText(TextId::CaptureFolderChoose));
    cmdCaptureFolder->setToolTip(GetText(TextId::CaptureFolderChoose));
    // Each box right after its label, whatever the language makes of the label's width.
    setAutoSizedText(labCaptureFileMb, GetText(TextId::CaptureFileMbLabel));
    setAutoSizedText(labCaptureFiles, GetText(TextId::CaptureFilesLabel));
    cwnCaptureFileMb->move(labCaptureFileMb->geometry().right() + 6, cwnCaptureFileMb->y());
    labCaptureFiles->move(cwnCaptureFileMb->geometry().right() + 12, labCaptureFiles->y());
    cwnCaptureFiles->move(labCaptureFiles->geometry().right() + 6, cwnCaptureFiles->y());
    showCaptureStatus(m_captureStatus);

    fraVersion->setTitle(GetText(TextId::FrameVersion));
    setAutoSizedText(labProgramVersion,
                     filledText(TextId::ProgramVersion, {QStringLiteral(TELVANE_VERSION)}));
    setAutoSizedText(labProgramDate, filledText(TextId::ProgramDate, {QStringLiteral("02.04.2007")}));
}
