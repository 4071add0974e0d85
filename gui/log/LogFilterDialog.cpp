#include "gui/log/LogFilterDialog.h"

#include "core/texts/Texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>

namespace {
template <typename W> W* named(QWidget* parent, const char* name) {
    auto* widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}
} // namespace

LogFilterDialog::LogFilterDialog(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmLogFilter"));
    labFilterText = named<QLabel>(this, "labFilterText");
    txtFilter = named<QLineEdit>(this, "txtFilter");
    txtFilter->setClearButtonEnabled(true);
    labFilterText->setBuddy(txtFilter);
    chkFilterMatchCase = named<QCheckBox>(this, "chkFilterMatchCase");
    chkFilterRegex = named<QCheckBox>(this, "chkFilterRegex");
    labFilterDirection = named<QLabel>(this, "labFilterDirection");
    cboFilterDirection = named<QComboBox>(this, "cboFilterDirection");
    cboFilterDirection->addItems({QString(), QStringLiteral("Set"), QStringLiteral("Get")});
    labFilterDirection->setBuddy(cboFilterDirection);
    chkFilterNotSent = named<QCheckBox>(this, "chkFilterNotSent");
    chkFilterErrorReplies = named<QCheckBox>(this, "chkFilterErrorReplies");
    labFilterSlower = named<QLabel>(this, "labFilterSlower");
    spnFilterSlower = named<QSpinBox>(this, "spnFilterSlower");
    spnFilterSlower->setRange(-1, std::numeric_limits<int>::max());
    spnFilterSlower->setValue(-1);
    labFilterSlower->setBuddy(spnFilterSlower);
    labFilterStatus = named<QLabel>(this, "labFilterStatus");
    cmdFilterClear = named<QPushButton>(this, "cmdFilterClear");
    cmdFilterClose = named<QPushButton>(this, "cmdFilterClose");
    cmdFilterClose->setDefault(true);

    auto* form = new QFormLayout;
    auto* textRow = new QHBoxLayout;
    textRow->addWidget(txtFilter, 1);
    textRow->addWidget(chkFilterMatchCase);
    textRow->addWidget(chkFilterRegex);
    form->addRow(labFilterText, textRow);
    form->addRow(labFilterDirection, cboFilterDirection);
    form->addRow(chkFilterNotSent);
    form->addRow(chkFilterErrorReplies);
    form->addRow(labFilterSlower, spnFilterSlower);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(labFilterStatus, 1);
    buttons->addWidget(cmdFilterClear);
    buttons->addWidget(cmdFilterClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    m_pause = new QTimer(this);
    m_pause->setSingleShot(true);
    m_pause->setInterval(150);
    connect(m_pause, &QTimer::timeout, this, [this] { emit criteriaChanged(criteria()); });
    connect(txtFilter, &QLineEdit::textChanged, this, &LogFilterDialog::changed);
    for (QCheckBox* box : {chkFilterMatchCase, chkFilterRegex, chkFilterNotSent, chkFilterErrorReplies})
        connect(box, &QCheckBox::toggled, this, &LogFilterDialog::changed);
    connect(cboFilterDirection, &QComboBox::currentIndexChanged, this, &LogFilterDialog::changed);
    connect(spnFilterSlower, &QSpinBox::valueChanged, this, &LogFilterDialog::changed);
    connect(cmdFilterClear, &QPushButton::clicked, this, [this] {
        txtFilter->clear();
        for (QCheckBox* box : {chkFilterMatchCase, chkFilterRegex, chkFilterNotSent, chkFilterErrorReplies})
            box->setChecked(false);
        cboFilterDirection->setCurrentIndex(0);
        spnFilterSlower->setValue(-1);
    });
    connect(cmdFilterClose, &QPushButton::clicked, this, &QDialog::close);
    retranslate();
}

void LogFilterDialog::retranslate() {
    setWindowTitle(GetText(TextId::FilterTitle));
    labFilterText->setText(GetText(TextId::FilterTextLabel));
    txtFilter->setAccessibleName(GetText(TextId::FilterTextName));
    chkFilterMatchCase->setText(GetText(TextId::MatchCase));
    chkFilterRegex->setText(GetText(TextId::RegularExpression));
    labFilterDirection->setText(GetText(TextId::FilterDirectionLabel));
    cboFilterDirection->setItemText(0, GetText(TextId::FilterDirectionAll));
    chkFilterNotSent->setText(GetText(TextId::FilterNotSent));
    chkFilterErrorReplies->setText(GetText(TextId::FilterErrorReplies));
    labFilterSlower->setText(GetText(TextId::FilterSlowerThan));
    spnFilterSlower->setSpecialValueText(GetText(TextId::FilterSlowerOff));
    spnFilterSlower->setSuffix(QLatin1Char(' ') + GetText(TextId::MillisecondsSuffix));
    spnFilterSlower->setAccessibleName(GetText(TextId::FilterLatencyName));
    cmdFilterClear->setText(GetText(TextId::FilterClear));
    cmdFilterClose->setText(GetText(TextId::FilterClose));
}

void LogFilterDialog::changed() {
    m_pause->start();
}

LogFilterCriteria LogFilterDialog::criteria() const {
    LogFilterCriteria criteria;
    criteria.text = txtFilter->text();
    criteria.matchCase = chkFilterMatchCase->isChecked();
    criteria.regularExpression = chkFilterRegex->isChecked();
    criteria.direction = static_cast<LogFilterCriteria::Direction>(cboFilterDirection->currentIndex());
    criteria.notSentOnly = chkFilterNotSent->isChecked();
    criteria.errorRepliesOnly = chkFilterErrorReplies->isChecked();
    criteria.errorText = m_errorText;
    criteria.slowerThanMs = spnFilterSlower->value();
    return criteria;
}

void LogFilterDialog::setStatus(const QString& text) {
    labFilterStatus->setText(text);
}
