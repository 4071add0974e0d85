#include "gui/Dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

void QtDialogs::warning(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtDialogs::question(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::inputText(QWidget* parent, const QString& title, const QString& prompt) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> QtDialogs::openFile(QWidget* parent, const QString& title, const QString& folder,
                                           const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(parent, title, folder, qtFileFilter(filter));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const QString& title, const QString& folder,
                                           const QString& fileName, const QString& filter) {
    const QString path =
        QFileDialog::getSaveFileName(parent, title, QDir(folder).filePath(fileName), qtFileFilter(filter));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<Dialogs::SavedFile> QtDialogs::saveFileOfType(QWidget* parent, const QString& title,
                                                            const QString& folder, const QString& fileName,
                                                            const QString& filter) {
    const QString filters = qtFileFilter(filter);
    QString selected;
    const QString path =
        QFileDialog::getSaveFileName(parent, title, QDir(folder).filePath(fileName), filters, &selected);
    if (path.isEmpty())
        return std::nullopt;
    return SavedFile{path, int(filters.split(QStringLiteral(";;")).indexOf(selected))};
}

QString qtFileFilter(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString& description = parts.at(i);
        const QString pattern = parts.value(i + 1).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (pattern.isEmpty() || description.contains(QLatin1Char('(')))
            filters.append(description);
        else
            filters.append(description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}
