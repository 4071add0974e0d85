// The script viewer: a double-click on a slot's description box opens it modally with the slot's commands
// and descriptions; nothing opens for an empty slot.

#include "testsupport.h"

#include "app/MainWindow.h"
#include "app/Texts.h"
#include "scripts/QuickDial.h"
#include "scripts/ScriptViewer.h"

#include <QApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

constexpr int English = 10000;

// What one opening of the viewer showed.
struct Seen {
    bool opened = false;
    bool modal = false;
    QString objectName;
    QString title;
    QString quitCaption;
    QStringList headers;
    QList<QStringList> rows;
    bool closedByQuit = false;
};

QuickDialSlot slotWith(const QString& caption, const Script& lines) {
    return {caption, QStringLiteral("Beschreibung von ") + caption, lines};
}

} // namespace

class ScriptViewerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void doubleClickShowsSlotCommands();
    void emptySlotOpensNothing();
    void eachOpeningShowsOnlyItsSlot();
    void englishTexts();
    void showsEveryCommandOfALongSlot();
    void viewerAlone();

private:
    // Runs trigger and reads and closes (with cmdQuit) the viewer if one opens while it runs.
    Seen whileOpen(const std::function<void()>& trigger);
    Seen doubleClickDescription(int n);

    std::unique_ptr<TestFolders> m_folders;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
    QuickDial* m_quickDial = nullptr;
};

void ScriptViewerTest::init() {
    m_folders = std::make_unique<TestFolders>();
    QVERIFY(m_folders->root.isValid());
    m_window = std::make_unique<MainWindow>(
        MainWindowEnvironment{m_folders->settings(), m_folders->program(), &m_dialogs});
    m_quickDial = m_window->quickDial();
    QVERIFY(m_quickDial);
    m_window->ui().SSTab1->setCurrentIndex(QuickDial::QuickDialTab);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void ScriptViewerTest::cleanup() {
    m_window.reset();
    m_folders.reset();
    SetLanguageOffset(0);
}

Seen ScriptViewerTest::whileOpen(const std::function<void()>& trigger) {
    Seen seen;
    // The viewer runs its own event loop; the poll runs inside it and only there.
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* viewer = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!viewer || seen.opened)
            return;
        seen.opened = true;
        seen.modal = viewer->isModal();
        seen.objectName = viewer->objectName();
        seen.title = viewer->windowTitle();
        auto* list = viewer->findChild<QTreeWidget*>(QStringLiteral("lstCommands"));
        auto* quit = viewer->findChild<QPushButton*>(QStringLiteral("cmdQuit"));
        if (list) {
            for (int c = 0; c < list->columnCount(); ++c)
                seen.headers.append(list->headerItem()->text(c));
            for (int r = 0; r < list->topLevelItemCount(); ++r)
                seen.rows.append({list->topLevelItem(r)->text(0), list->topLevelItem(r)->text(1)});
        }
        if (quit) {
            seen.quitCaption = quit->text();
            QTest::mouseClick(quit, Qt::LeftButton);
            seen.closedByQuit = viewer->isHidden();
        }
        if (viewer->isVisible())
            viewer->reject();
    });
    poll.start();
    trigger();
    poll.stop();
    return seen;
}

Seen ScriptViewerTest::doubleClickDescription(int n) {
    QPlainTextEdit* box = m_window->ui().txtCommandDescript[static_cast<std::size_t>(n - 1)];
    return whileOpen([box] { QTest::mouseDClick(box->viewport(), Qt::LeftButton); });
}

void ScriptViewerTest::doubleClickShowsSlotCommands() {
    QuickDialSlots memory{};
    memory[2] = slotWith(QStringLiteral("Drei"), {{QStringLiteral("SM 1"), QStringLiteral("Start")},
                                                  {QStringLiteral("SP 1 3"), QString()},
                                                  {QStringLiteral("<b>QM</b> 0"), QStringLiteral("a & b")}});
    m_quickDial->loadSlots(memory);
    const Seen seen = doubleClickDescription(3);
    QVERIFY(seen.opened);
    QVERIFY(seen.modal);
    QCOMPARE(seen.objectName, QStringLiteral("frmCommandList"));
    QCOMPARE(seen.title, QStringLiteral("Befehlsablauf anzeigen"));
    QCOMPARE(seen.quitCaption, QStringLiteral("Beenden"));
    QCOMPARE(seen.headers, (QStringList{QStringLiteral("Befehl"), QStringLiteral("Beschreibung")}));
    QCOMPARE(seen.rows, (QList<QStringList>{{QStringLiteral("SM 1"), QStringLiteral("Start")},
                                            {QStringLiteral("SP 1 3"), QString()},
                                            {QStringLiteral("<b>QM</b> 0"), QStringLiteral("a & b")}}));
    QVERIFY(seen.closedByQuit);
    // The viewer leaves the slot alone and is gone after closing.
    QCOMPARE(m_quickDial->slotAt(3), memory[2]);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(m_window->findChildren<ScriptViewer*>().isEmpty());
}

void ScriptViewerTest::emptySlotOpensNothing() {
    QuickDialSlots memory{};
    memory[0] = slotWith(QStringLiteral("Eins"), {{QStringLiteral("SM 1"), QString()}});
    // A slot with a caption and a description but no commands is empty too.
    memory[1] = slotWith(QStringLiteral("Zwei"), {});
    m_quickDial->loadSlots(memory);
    for (int n = 2; n <= QuickDialSlotCount; ++n) {
        QVERIFY(!doubleClickDescription(n).opened);
        QVERIFY(!m_quickDial->ShowSlotScript(n));
    }
    QVERIFY(!m_quickDial->ShowSlotScript(0));
    QVERIFY(!m_quickDial->ShowSlotScript(9));
    // A single click opens nothing either.
    QPlainTextEdit* box = m_window->ui().txtCommandDescript[0];
    QVERIFY(!whileOpen([box] { QTest::mouseClick(box->viewport(), Qt::LeftButton); }).opened);
    QVERIFY(doubleClickDescription(1).opened);
}

void ScriptViewerTest::eachOpeningShowsOnlyItsSlot() {
    QuickDialSlots memory{};
    memory[0] = slotWith(QStringLiteral("Eins"), {{QStringLiteral("A1"), QStringLiteral("a1")},
                                                  {QStringLiteral("A2"), QStringLiteral("a2")}});
    memory[1] = slotWith(QStringLiteral("Zwei"), {{QStringLiteral("B1"), QStringLiteral("b1")}});
    memory[7] = slotWith(QStringLiteral("Acht"), {{QStringLiteral("H1"), QString()}});
    m_quickDial->loadSlots(memory);
    QCOMPARE(doubleClickDescription(1).rows.size(), 2);
    QCOMPARE(doubleClickDescription(2).rows,
             (QList<QStringList>{{QStringLiteral("B1"), QStringLiteral("b1")}}));
    QCOMPARE(doubleClickDescription(8).rows, (QList<QStringList>{{QStringLiteral("H1"), QString()}}));
}

void ScriptViewerTest::englishTexts() {
    QuickDialSlots memory{};
    memory[4] = slotWith(QStringLiteral("Five"), {{QStringLiteral("SM 1"), QString()}});
    m_quickDial->loadSlots(memory);
    SetLanguageOffset(English);
    const Seen seen = doubleClickDescription(5);
    QCOMPARE(seen.title, QStringLiteral("Show command script"));
    QCOMPARE(seen.quitCaption, QStringLiteral("Quit"));
    QCOMPARE(seen.headers, (QStringList{QStringLiteral("Command"), QStringLiteral("Description")}));
}

void ScriptViewerTest::showsEveryCommandOfALongSlot() {
    Script many;
    for (int i = 1; i <= 300; ++i)
        many.append({QStringLiteral("SK %1").arg(i), QStringLiteral("Teil %1").arg(i)});
    QuickDialSlots memory{};
    memory[5] = slotWith(QStringLiteral("Viele"), many);
    m_quickDial->loadSlots(memory);
    const Seen seen = doubleClickDescription(6);
    QCOMPARE(seen.rows.size(), 300);
    QCOMPARE(seen.rows.last(), (QStringList{QStringLiteral("SK 300"), QStringLiteral("Teil 300")}));
}

void ScriptViewerTest::viewerAlone() {
    ScriptViewer viewer;
    viewer.setScript({{QStringLiteral("SM 1"), QStringLiteral("a rather long description of the command")}});
    QTreeWidget* list = viewer.commandList();
    QCOMPARE(list->topLevelItemCount(), 1);
    // The first column is fitted to its contents, at least as wide as its header.
    QVERIFY(list->columnWidth(0) >= list->header()->sectionSizeHint(0));
    viewer.setScript({});
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(!ScriptViewer::showScript(m_window.get(), {}));
}

QTEST_MAIN(ScriptViewerTest)
#include "tst_scriptviewer.moc"
