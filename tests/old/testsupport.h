#pragma once

#include "gui/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// Answers the program's dialogs from queues and records what was asked, so no person is needed.
class ScriptedDialogs : public Dialogs {
public:
    struct Call {
        QString kind;
        QString title;
        QString text;
    };

    QList<Call> calls;
    QList<bool> questionAnswers;                // default No
    QList<std::optional<QString>> inputAnswers; // default Cancel
    QList<std::optional<QString>> openAnswers;  // default Cancel
    QList<std::optional<QString>> saveAnswers;  // default Cancel

    void warning(QWidget*, const QString& title, const QString& text) override {
        calls.append({QStringLiteral("warning"), title, text});
    }
    bool question(QWidget*, const QString& title, const QString& text) override {
        calls.append({QStringLiteral("question"), title, text});
        return questionAnswers.isEmpty() ? false : questionAnswers.takeFirst();
    }
    std::optional<QString> inputText(QWidget*, const QString& title, const QString& prompt) override {
        calls.append({QStringLiteral("input"), title, prompt});
        return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.takeFirst();
    }
    std::optional<QString> openFile(QWidget*, const QString& title, const QString& folder,
                                    const QString& filter) override {
        calls.append({QStringLiteral("open"), title, folder + QLatin1Char('|') + filter});
        return openAnswers.isEmpty() ? std::nullopt : openAnswers.takeFirst();
    }
    std::optional<QString> saveFile(QWidget*, const QString& title, const QString& folder,
                                    const QString& fileName, const QString& filter) override {
        calls.append({QStringLiteral("save"), title,
                      folder + QLatin1Char('|') + fileName + QLatin1Char('|') + filter});
        return saveAnswers.isEmpty() ? std::nullopt : saveAnswers.takeFirst();
    }
};

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A settings folder and a program folder of their own for one test.
struct TestFolders {
    QTemporaryDir root;
    QString settings() const { return root.filePath(QStringLiteral("settings")) + QLatin1Char('/'); }
    QString program() const { return root.filePath(QStringLiteral("program")) + QLatin1Char('/'); }
    TestFolders() {
        QDir(root.path()).mkpath(QStringLiteral("settings"));
        QDir(root.path()).mkpath(QStringLiteral("program"));
    }
};
