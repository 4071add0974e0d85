#include "gui/SettingsPage.h"

#include "core/files/Codec.h"
#include "core/files/Platform.h"
#include "core/files/Settings.h"
#include "core/link/TargetLink.h"
#include "core/texts/Texts.h"
#include "gui/Layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QValidator>

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

// The error text is stored in Setup.ini and compared with replies, both Windows-1252: a character outside it,
// or a control character, could never match and would not survive the file.
class ErrorTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (const QChar c : input) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                return Invalid;
        }
        return Cp1252::canEncode(input) ? Acceptable : Invalid;
    }
};

} // namespace

SettingsPage::SettingsPage(TargetLink* link, QPoint pageOffset, QWidget* parent)
    : QWidget(parent) {
    auto onTab = [&](int left, int top, int width, int height) {
        return twipsRect(left, top, width, height).translated(-pageOffset);
    };
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

    for (QWidget* w : std::initializer_list<QWidget*>{fraSoftwareSel, cboDevice, fraTarget, fraLanguage,
                                                      fraVersion, fraReplyChecks})
        m_growth.add(w, StretchWidth);
    m_growth.add(labInfo1, FollowBottomStretchWidth);
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
}

void SettingsPage::collectSettings(SetupSettings& settings) const {
    settings.port = txtPort->text();
    settings.name = txtPcName->text();
    settings.device = cboDevice->currentIndex();
    settings.connect = connectState();
    settings.language = cboLanguage->currentIndex();
    settings.replyTimeout = cwnReplyTimeout->value();
    settings.errorText = txtErrorText->text();
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

    fraVersion->setTitle(GetText(TextId::FrameVersion));
    setAutoSizedText(labProgramVersion,
                     filledText(TextId::ProgramVersion, {QStringLiteral(TELVANE_VERSION)}));
    setAutoSizedText(labProgramDate, filledText(TextId::ProgramDate, {QStringLiteral("02.04.2007")}));
}
