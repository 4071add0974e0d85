#pragma once

#include "core/link/LogFilter.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

// The filter's conditions, beside the window (not modal): what changes applies after a short pause in
// typing; "Clear filter" shows every row again.
class LogFilterDialog : public QDialog {
    Q_OBJECT

public:
    explicit LogFilterDialog(QWidget* parent = nullptr);
    void retranslate();

    LogFilterCriteria criteria() const;
    void setErrorText(const QString& text) { m_errorText = text; }
    // "1,234 of 10,000 rows shown", "Building the filter...", or an invalid pattern.
    void setStatus(const QString& text);

signals:
    void criteriaChanged(const LogFilterCriteria& criteria);

private:
    void changed();

    QLabel* labFilterText = nullptr;
    QLineEdit* txtFilter = nullptr;
    QCheckBox* chkFilterMatchCase = nullptr;
    QCheckBox* chkFilterRegex = nullptr;
    QLabel* labFilterDirection = nullptr;
    QComboBox* cboFilterDirection = nullptr;
    QCheckBox* chkFilterNotSent = nullptr;
    QCheckBox* chkFilterErrorReplies = nullptr;
    QLabel* labFilterSlower = nullptr;
    QSpinBox* spnFilterSlower = nullptr;
    QLabel* labFilterStatus = nullptr;
    QPushButton* cmdFilterClear = nullptr;
    QPushButton* cmdFilterClose = nullptr;
    QTimer* m_pause = nullptr;
    QString m_errorText;
};
