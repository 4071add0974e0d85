// The main window as the user meets it: widgets at their places, every fixed text in both languages and back,
// captions that fit their widgets, the tab-change rules, and the help: topic by tab, one window that follows
// its owner, and pages that carry both languages and links that lead somewhere.

#include "testsupport.h"

#include "app/Help.h"
#include "app/MainWindow.h"
#include "app/Profile.h"
#include "app/QtTranslations.h"
#include "app/Resources.h"
#include "app/Texts.h"
#include "app/WrappingButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

// One run of the program: a Setup.ini of the given values (no connection wanted), an empty program folder,
// and the main window started on them.
class Session {
public:
    explicit Session(const QList<QPair<QString, QString>>& settings = {}) {
        const QString ini = m_folders.settings() + QStringLiteral("Setup.ini");
        WriteProfileValue(QStringLiteral("SETTINGS"), QStringLiteral("Connect"), QStringLiteral("0"), ini);
        for (const auto& [key, value] : settings)
            WriteProfileValue(QStringLiteral("SETTINGS"), key, value, ini);
        m_window = std::make_unique<MainWindow>(
            MainWindowEnvironment{m_folders.settings(), m_folders.program(), &m_dialogs});
    }
    MainWindow& window() { return *m_window; }
    const MainWindowUi& ui() const { return m_window->ui(); }
    const ScriptedDialogs& dialogs() const { return m_dialogs; }
    bool show() {
        m_window->show();
        return QTest::qWaitForWindowExposed(m_window.get());
    }

private:
    TestFolders m_folders;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
};

// Picks a language row the way the user does with the keyboard, which raises the combo box's activation.
void pickLanguage(const MainWindowUi& ui, int row) {
    while (ui.cboLanguage->currentIndex() != row)
        QTest::keyClick(ui.cboLanguage, ui.cboLanguage->currentIndex() < row ? Qt::Key_Down : Qt::Key_Up);
}

// Where each fixed text of the window shows ("widget" or "widget#index"), in the order of the text ids from
// 3000; the version and date labels (3049, 3050, "-" here) are filled in and checked on their own.
const char* const FixedTexts =
    "frmMain SSTab1#0 SSTab1#1 SSTab1#2 SSTab1#3 fraSoftwareSel cboDevice#0 cboDevice#1 fraTarget "
    "labPort labIp cmdThisSystem chkConnect fraLanguage fraSend cmdCreateCommand1 cmdSend "
    "fraReceive cmdDeleteList labInfo1 labInfo2 fraEditScript cmdCreateCommand2 "
    "cmdCreateManualCommand labCommands chkAbove cmdDeleteCommand labCaption labNote cmdCommandTest "
    "cmdSave cmdGetCommand cmdDeleteScript fraStorage labInfo3 frmStorage cmdLoadConfig "
    "cmdSaveConfig labInfo4 cmdCancelCommandScript cmdQuit cboLanguage#0 cboLanguage#1 "
    "labCommandScriptCompleted lstCommands#0 lstCommands#1 lsvMsg#0 lsvMsg#1 lsvMsg#2 - - "
    "fraVersion";

QString shownText(const MainWindow& window, const QString& where) {
    const QStringList parts = where.split(QLatin1Char('#'));
    const int index = parts.value(1).toInt();
    const QObject* o = window.findChild<QObject*>(parts.at(0));
    if (parts.at(0) == QLatin1String("frmMain"))
        return window.windowTitle();
    if (const auto* tabs = qobject_cast<const QTabWidget*>(o))
        return tabs->tabText(index);
    if (const auto* box = qobject_cast<const QGroupBox*>(o))
        return box->title();
    if (const auto* combo = qobject_cast<const QComboBox*>(o))
        return combo->itemText(index);
    if (const auto* tree = qobject_cast<const QTreeWidget*>(o))
        return tree->headerItem()->text(index);
    if (const auto* view = qobject_cast<const QTableView*>(o))
        return view->model()->headerData(index, Qt::Horizontal).toString();
    return o ? o->property("text").toString() : QStringLiteral("<no widget>");
}

// A widget's design place in twips, relative to its container; a width of -1 means "sized to its text".
const struct Place {
    const char* name;
    const char* container;
    int tab; // the tab that must show; -1 for the strip below the tabs
    int left, top, width, height;
} Places[] = {{"SSTab1", "frmMain", -1, 120, 60, 9495, 6135},
              {"cboDevice", "fraSoftwareSel", 0, 360, 360, 8415, 315},
              {"fraTarget", "SSTab1", 0, 120, 1440, 9075, 1215},
              {"labPort", "fraTarget", 0, 360, 360, -1, -1},
              {"txtPcName", "fraTarget", 0, 1680, 600, 2595, 315},
              {"chkConnect", "fraTarget", 0, 6600, 540, 1695, 255},
              {"labProgramDate", "fraVersion", 0, 360, 600, -1, -1},
              {"labInfo1", "SSTab1", 0, 180, 5280, 9195, 795},
              {"txtSend", "fraSend", 1, 2940, 480, 4455, 315},
              {"lsvMsg", "fraReceive", 1, 240, 360, 8715, 2595},
              {"lstCommands", "fraEditScript", 2, 240, 1080, 4095, 2295},
              {"txtNote", "fraEditScript", 2, 240, 4260, 6075, 555},
              {"cmdSave", "SSTab1", 2, 6780, 2100, 975, 615},
              {"frmStorage", "SSTab1", 3, 120, 360, 9195, 4815},
              {"cmdSaveConfig", "SSTab1", 3, 5040, 5280, 3975, 375},
              {"labState", "frmMain", -1, 120, 6240, 2955, 495},
              {"labCommandScriptCompleted", "frmMain", -1, 3180, 6300, 3315, 240},
              {"cmdHelp", "frmMain", -1, 7920, 6240, 375, 375},
              {"cmdQuit", "frmMain", -1, 8400, 6240, 1215, 375}};

// Every caption that does not fit its widget in the widget's own font and style.
QStringList captionsThatDoNotFit(const MainWindow& window) {
    QStringList failures;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        const QFontMetrics fm(w->font());
        const QStyle* style = w->style();
        QString text = w->property("text").toString();
        bool fits = true;
        if (const auto* wrapping = qobject_cast<const WrappingButton*>(w)) {
            const QRect area = wrapping->captionRect();
            fits = area.contains(fm.boundingRect(area, wrapping->captionFlags(), text));
        } else if (qobject_cast<const QPushButton*>(w)) {
            const int margins = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w) +
                                2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
            fits = fm.horizontalAdvance(text) + margins <= w->width() && fm.height() <= w->height();
        } else if (qobject_cast<const QCheckBox*>(w)) {
            fits = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                       style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w) +
                       fm.horizontalAdvance(text) <=
                   w->width();
        } else if (const auto* label = qobject_cast<const QLabel*>(w)) {
            // Sized to its text, a label must still lie inside the frame that holds it; wrapping ones may
            // grow.
            if (label->property("autoSize").toBool())
                fits = label->width() >= fm.horizontalAdvance(text) &&
                       label->parentWidget()->rect().contains(label->geometry());
            else if (!label->wordWrap())
                fits = fm.horizontalAdvance(text) <= label->contentsRect().width() - 2 * label->margin() &&
                       fm.height() <= label->contentsRect().height();
        } else if (const auto* box = qobject_cast<const QGroupBox*>(w)) {
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = text = box->title();
            option.lineWidth = 1;
            option.textAlignment = box->alignment();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect caption =
                style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
            // The caption must fit the frame, and the frame's top must not be cut off by the page above it.
            fits = caption.width() >= fm.horizontalAdvance(text) && box->rect().contains(caption) &&
                   box->mapToParent(caption.topLeft()).y() >= 0;
        }
        if (!fits)
            failures << w->objectName() + QStringLiteral(": ") + text;
    }
    const QTabBar* bar = window.ui().SSTab1->tabBar();
    const int padding = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
        if (bar->tabRect(i).width() <
                QFontMetrics(bar->font()).horizontalAdvance(bar->tabText(i)) + padding ||
            bar->mapTo(window.ui().SSTab1, bar->tabRect(i).topRight()).x() >= window.ui().SSTab1->width())
            failures << QStringLiteral("tab: ") + bar->tabText(i);
    }
    return failures;
}

// Every anchor name and every link target of a loaded document.
void scanDocument(const QTextDocument* document, QStringList* names, QStringList* hrefs) {
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            *names << format.anchorNames();
            if (!format.anchorHref().isEmpty())
                *hrefs << format.anchorHref();
        }
    }
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { EnsureResources(); }
    void cleanup() { SetLanguageOffset(0); }

    void layout();
    void languageRoundTrip();
    void captionsFit_data();
    void captionsFit();
    void tabChange_data();
    void tabChange();
    void helpOpensTopicOfVisibleTab();
    void helpWindowFollowsItsOwner();
    void helpPagesAreBilingualAndLinked();
};

void MainWindowTest::layout() {
    Session session;
    QVERIFY(session.show());
    MainWindow& window = session.window();
    const MainWindowUi& ui = session.ui();
    QCOMPARE(window.size(), QSize(651, 445));
    QCOMPARE(window.maximumSize(), window.minimumSize());
    QVERIFY(ui.prgProgress->isHidden() && ui.labCommandScriptCompleted->isHidden());
    QVERIFY(ui.cmdHelp->text().isEmpty() && !ui.cmdHelp->icon().isNull());

    auto check = [&](const QString& name, const char* containerName, int tab, int left, int top, int width,
                     int height) {
        if (tab >= 0)
            ui.SSTab1->setCurrentIndex(tab);
        auto* widget = window.findChild<QWidget*>(name);
        QWidget* container = qstrcmp(containerName, "frmMain") == 0
                                 ? &window
                                 : window.findChild<QWidget*>(QLatin1String(containerName));
        QVERIFY2(widget && container && container->isAncestorOf(widget), qPrintable(name));
        QCOMPARE(widget->mapTo(container, QPoint(0, 0)), QPoint(left / 15, top / 15));
        if (width >= 0)
            QCOMPARE(widget->size(), QSize(width / 15, height / 15));
    };
    for (const Place& p : Places)
        check(QLatin1String(p.name), p.container, p.tab, p.left, p.top, p.width, p.height);
    for (int n = 1; n <= 8; ++n) {
        const int row = (n - 1) % 4;
        const int right = n > 4 ? 4440 : 0;
        check(QStringLiteral("cmdF%1").arg(n), "fraStorage", 2, 180, 360 + 540 * (n - 1), 1095, 495);
        check(QStringLiteral("labF%1").arg(n), "frmStorage", 3, 120 + right, 720 + 1080 * row, -1, -1);
        check(QStringLiteral("cmdCommand%1").arg(n), "frmStorage", 3, 480 + right, 360 + 1080 * row, 1755,
              1035);
        check(QStringLiteral("txtCommandDescript%1").arg(n), "frmStorage", 3, 2280 + right, 360 + 1080 * row,
              2175, 1035);
    }
}

void MainWindowTest::languageRoundTrip() {
    Session session(
        {{QStringLiteral("SelTab"), QStringLiteral("2")}, {QStringLiteral("Device"), QStringLiteral("1")}});
    QVERIFY(session.show());
    const MainWindowUi& ui = session.ui();
    // Qt's own texts (standard buttons, file dialogs) follow the language too, in windows already open.
    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    // The row the user picked stays through the switches; the start value stays what was read.
    QTest::keyClick(ui.cboDevice, Qt::Key_Up);
    for (const int language : {0, 1, 0}) {
        pickLanguage(ui, language);
        QTRY_COMPARE(buttons.button(QDialogButtonBox::Cancel)->text(),
                     language ? QStringLiteral("Cancel") : QStringLiteral("Abbrechen"));
        QCOMPARE(LanguageOffset(), 10000 * language);
        QCOMPARE(ui.SSTab1->currentIndex(), 2);
        QCOMPARE(ui.cboDevice->currentIndex(), 0);
        const QStringList places = QString::fromLatin1(FixedTexts).split(QLatin1Char(' '));
        QCOMPARE(places.size(), 52);
        for (int i = 0; i < places.size(); ++i) {
            if (places.at(i) != QLatin1String("-"))
                QCOMPARE(shownText(session.window(), places.at(i)), GetText(3000 + i));
        }
        QCOMPARE(ui.labProgramVersion->text(), language ? QStringLiteral("Program version: V2007.1.0")
                                                        : QStringLiteral("Programmversion: V2007.1.0"));
        QCOMPARE(ui.labProgramDate->text(),
                 language ? QStringLiteral("Date: 02.04.2007") : QStringLiteral("Datum: 02.04.2007"));
    }
    QCOMPARE(session.window().DeviceTypeIndex(), 1);
    QVERIFY(session.dialogs().calls.isEmpty());
    // A language Qt has no translation for leaves Qt's texts English.
    QVERIFY(!UseQtTranslations(QStringLiteral("xx")));
    QTRY_COMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
}

void MainWindowTest::captionsFit_data() {
    QTest::addColumn<int>("language");
    QTest::newRow("German") << 0;
    QTest::newRow("English") << 1;
}

void MainWindowTest::captionsFit() {
    QFETCH(int, language);
    Session session({{QStringLiteral("Language"), QString::number(language)}});
    QVERIFY(session.show());
    const MainWindowUi& ui = session.ui();
    // The run-time captions share the tall wrapping slot buttons; the empty one must fit too.
    for (std::size_t i = 0; i < ui.cmdF.size(); ++i) {
        ui.cmdF[i]->setText(GetText(3102));
        ui.cmdCommand[i]->setText(GetText(3102));
    }
    for (int tab = 0; tab < ui.SSTab1->count(); ++tab) {
        ui.SSTab1->setCurrentIndex(tab);
        const QStringList failures = captionsThatDoNotFit(session.window());
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    }
    // Every state the link reports fits the state line.
    for (int id = 3104; id <= 3113; ++id) {
        ui.labState->setText(GetText(3103) + QStringLiteral(": ") + GetText(id));
        QVERIFY2(ui.labState->heightForWidth(ui.labState->width()) <= ui.labState->height(),
                 qPrintable(ui.labState->text()));
    }
}

void MainWindowTest::tabChange_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    for (int from = 0; from < 4; ++from) {
        for (int to = 0; to < 4; ++to)
            QTest::addRow("%d to %d", from, to) << from << to;
    }
}

void MainWindowTest::tabChange() {
    QFETCH(int, from);
    QFETCH(int, to);
    Session session({{QStringLiteral("SelTab"), QString::number(from)}});
    QVERIFY(session.show());
    const MainWindowUi& ui = session.ui();
    ui.labCommandScriptCompleted->show();
    QSignalSpy slotModesCleared(&session.window(), &MainWindow::slotModesShouldClear);

    QTabBar* bar = ui.SSTab1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(to).center());
    QCOMPARE(ui.SSTab1->currentIndex(), to);
    QCOMPARE(ui.labCommandScriptCompleted->isHidden(), from != to);
    // Pending slot modes end on a change to tabs 0 to 2, not to the quick-dial tab.
    QCOMPARE(slotModesCleared.count(), from != to && to != 3 ? 1 : 0);
}

void MainWindowTest::helpOpensTopicOfVisibleTab() {
    Session session({{QStringLiteral("Language"), QStringLiteral("1")}});
    QVERIFY(session.show());
    const char* pages[] = {"settings.html", "commandline.html", "editor.html", "quickdial.html"};
    for (int tab = 0; tab < 4; ++tab) {
        session.ui().SSTab1->setCurrentIndex(tab);
        QTest::mouseClick(session.ui().cmdHelp, Qt::LeftButton);
        HelpWindow* help = CurrentHelpWindow();
        QVERIFY(help && help->isVisible() && help->isWindow());
        QCOMPARE(help->parentWidget(), &session.window());
        QCOMPARE(help->topic(), 1100 + 100 * tab);
        QCOMPARE(help->windowTitle(), QStringLiteral("Help"));
        QCOMPARE(help->browser()->source().fileName(), QLatin1String(pages[tab]));
        QCOMPARE(help->browser()->source().fragment(), QStringLiteral("en"));
    }
    // One window serves every topic.
    QCOMPARE(session.window().findChildren<HelpWindow*>().size(), 1);
    QCOMPARE(MainWindow::HelpTopicForTab(-1), 0);
    QCOMPARE(MainWindow::HelpTopicForTab(4), 0);
}

void MainWindowTest::helpWindowFollowsItsOwner() {
    QWidget main;
    main.show();
    ShowHelpTopic(&main, 1300);
    QPointer<HelpWindow> help = CurrentHelpWindow();
    QVERIFY(help);
    const QSize smaller = help->size() - QSize(100, 50);
    {
        // A modal dialog asking for help takes the window over, so the window is not blocked by it.
        QDialog assistant(&main);
        assistant.setModal(true);
        assistant.show();
        ShowHelpTopic(&assistant, 1800);
        QCOMPARE(CurrentHelpWindow(), help.data());
        QCOMPARE(help->parentWidget(), &assistant);
        QVERIFY(help->isWindow() && help->isVisible());
        QCOMPARE(help->windowTitle(), QStringLiteral("Hilfe"));
        QCOMPARE(help->browser()->source().fileName(), QStringLiteral("assistant.html"));
        QCOMPARE(help->browser()->source().fragment(), QStringLiteral("de"));
        help->resize(smaller);
        // Maximising does not count as the reader's size.
        help->showMaximized();
        QTRY_VERIFY(help->size() != smaller);
    }
    // The window went with its owner; the next call makes a new one, at the size the reader last gave one.
    // An unknown topic opens the contents.
    QVERIFY(help.isNull());
    ShowHelpTopic(&main, 4711);
    help = CurrentHelpWindow();
    QVERIFY(help);
    QCOMPARE(help->parentWidget(), &main);
    QCOMPARE(help->browser()->source().fileName(), QStringLiteral("index.html"));
    QCOMPARE(help->size(), smaller);
    // Esc closes it, wherever the focus is in it.
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QTest::keyClick(help->browser(), Qt::Key_Escape);
    QVERIFY(!help->isVisible());
}

void MainWindowTest::helpPagesAreBilingualAndLinked() {
    QCOMPARE(HelpPageForTopic(1500), QString());
    const QStringList pages =
        QDir(QStringLiteral(":/telvane/help")).entryList({QStringLiteral("*.html")}, QDir::Files);
    QVERIFY(pages.size() >= 6);
    for (const QString& page : pages) {
        QTextBrowser browser;
        const QUrl base(QStringLiteral("qrc:/telvane/help/") + page);
        browser.setSource(base);
        QStringList names;
        QStringList hrefs;
        scanDocument(browser.document(), &names, &hrefs);
        // German first, then English; the German part comes through as text, not as mis-decoded bytes.
        QVERIFY2(names.contains(QStringLiteral("de")) && names.contains(QStringLiteral("en")),
                 qPrintable(page));
        QVERIFY(names.indexOf(QStringLiteral("de")) < names.indexOf(QStringLiteral("en")));
        const QString text = browser.document()->toPlainText();
        QVERIFY(text.contains(QRegularExpression(QStringLiteral("[\u00e4\u00f6\u00fc\u00df]"))));
        QVERIFY(!text.contains(QStringLiteral("\u00c3")));
        QVERIFY(!hrefs.isEmpty());
        for (const QString& href : std::as_const(hrefs)) {
            // Following the link lands on a page that exists, at an anchor that exists there.
            const QUrl target = base.resolved(QUrl(href));
            QTextBrowser follower;
            follower.setSource(target);
            QStringList targetNames;
            QStringList targetHrefs;
            scanDocument(follower.document(), &targetNames, &targetHrefs);
            QVERIFY2(QFile::exists(QLatin1Char(':') + target.path()),
                     qPrintable(page + QLatin1Char(' ') + href));
            QVERIFY2(!target.hasFragment() || targetNames.contains(target.fragment()),
                     qPrintable(page + QLatin1Char(' ') + href));
        }
    }
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
