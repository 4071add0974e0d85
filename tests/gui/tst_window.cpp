// The main window as the user meets it: captions that fit and the language switch, start-up and exit
// through real files, the tab rules with the function keys and the help, the slot buttons, configuration
// files through their dialogs, the command line, the state line and runs against a peer, and the script
// editor: where new rows go, moves, deletes and the buttons they enable, its text boxes, and what a store
// refuses, with the focus on what to fix.

#include "support/GuiSupport.h"

#include "core/files/Platform.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/scripts/QuickDialConfig.h"
#include "core/scripts/QuickDialMemory.h"
#include "core/texts/Texts.h"
#include "gui/Help.h"
#include "gui/QuickDialPage.h"
#include "gui/ScriptEditorPage.h"
#include "gui/StatusStrip.h"
#include "gui/WrappingButton.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

// Slot 1 holds two commands, slot 4 one.
QuickDialSlots sampleSlots() {
    QuickDialSlots memory{};
    memory[0] = {u"Two"_s, u"two"_s, {{u"SM 1"_s, {}}, {u"GM"_s, {}}}};
    memory[3] = {u"Four"_s, u"Note"_s, {{u"SM 1"_s, u"start"_s}}};
    return memory;
}

// Where each fixed text shows ("widget" or "widget#index"), in the order of the text ids from WindowCaption;
// "-" for the version and the date, which are filled in.
const char* const FixedTexts =
    "frmMain SSTab1#0 SSTab1#1 SSTab1#2 SSTab1#3 fraSoftwareSel cboDevice#0 cboDevice#1 fraTarget labPort "
    "labIp cmdThisSystem chkConnect fraLanguage fraSend cmdCreateCommand1 cmdSend fraReceive cmdDeleteList "
    "labInfo1 labInfo2 fraEditScript cmdCreateCommand2 cmdCreateManualCommand labCommands chkAbove "
    "cmdDeleteCommand labCaption labNote cmdCommandTest cmdSave cmdGetCommand cmdDeleteScript fraStorage "
    "labInfo3 frmStorage cmdLoadConfig cmdSaveConfig labInfo4 cmdCancelCommandScript cmdQuit cboLanguage#0 "
    "cboLanguage#1 - lstCommands#0 lstCommands#1 lsvMsg#0 lsvMsg#1 lsvMsg#2 - - "
    "fraVersion";

QString shownText(const QWidget& window, const QString& where) {
    const QObject* o = window.findChild<QObject*>(where.section(u'#', 0, 0));
    const int index = where.section(u'#', 1).toInt();
    if (const auto* tabs = qobject_cast<const QTabWidget*>(o))
        return tabs->tabText(index);
    if (const auto* combo = qobject_cast<const QComboBox*>(o))
        return combo->itemText(index);
    if (const auto* view = qobject_cast<const QAbstractItemView*>(o))
        return view->model()->headerData(index, Qt::Horizontal).toString();
    return o ? o->property(o->inherits("QGroupBox") ? "title" : "text").toString() : window.windowTitle();
}

// Every caption that does not fit its widget, measured in the widget's own font and style.
QStringList captionsThatDoNotFit(const QWidget& window) {
    QStringList failures;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        const QFontMetrics fm(w->font());
        const QString text = w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
        if (text.isEmpty())
            continue;
        const int width = fm.horizontalAdvance(text);
        auto metric = [w](QStyle::PixelMetric m) { return w->style()->pixelMetric(m, nullptr, w); };
        const auto* label = qobject_cast<const QLabel*>(w);
        bool fits = true;
        if (const auto* wrapping = qobject_cast<const WrappingButton*>(w)) {
            const QRect room = wrapping->captionRect();
            fits = room.contains(fm.boundingRect(room, wrapping->captionFlags(), text));
        } else if (w->inherits("QPushButton")) {
            const int margins = metric(QStyle::PM_ButtonMargin) + 2 * metric(QStyle::PM_DefaultFrameWidth);
            fits = width + margins <= w->width() && fm.height() <= w->height();
        } else if (w->inherits("QCheckBox")) {
            fits = width + metric(QStyle::PM_IndicatorWidth) + metric(QStyle::PM_CheckBoxLabelSpacing) <=
                   w->width();
        } else if (label && !label->wordWrap()) {
            // A label sized to its text must still lie inside the frame that holds it.
            const QRect place = w->geometry();
            fits = label->minimumSizeHint().width() <= place.width() &&
                   w->parentWidget()->rect().contains(place);
        } else if (const auto* box = qobject_cast<const QGroupBox*>(w)) {
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = text;
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect caption =
                box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
            // The frame's top must not be cut off by the page above it either.
            fits = caption.width() >= width && box->rect().contains(caption) &&
                   box->mapToParent(caption.topLeft()).y() >= 0;
        }
        if (!fits)
            failures << w->objectName() + u": "_s + text;
    }
    const auto* tabs = window.findChild<QTabWidget*>(u"SSTab1"_s);
    const QTabBar* bar = tabs->tabBar();
    const int space = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
        const QRect tab = bar->tabRect(i);
        if (tab.width() < bar->fontMetrics().horizontalAdvance(bar->tabText(i)) + space ||
            bar->mapTo(tabs, tab.topRight()).x() >= tabs->width())
            failures << u"tab: "_s + bar->tabText(i);
    }
    return failures;
}

// WCAG's contrast ratio of two colours, 1 to 21.
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const auto [dark, light] = std::minmax({luminance(a), luminance(b)});
    return (light + 0.05) / (dark + 0.05);
}

// "A|a;B|b" -> two lines with their descriptions
Script lines(const QString& text) {
    Script script;
    for (const QString& row : text.split(u';', Qt::SkipEmptyParts))
        script.append({row.section(u'|', 0, 0), row.section(u'|', 1)});
    return script;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void captionsAndLanguages();
    void startAndExit_data();
    void startAndExit();
    void tabsKeysAndHelp_data();
    void tabsKeysAndHelp();
    void slotButtons_data();
    void slotButtons();
    void configFiles();
    void commandLineStateLineAndRuns();
    void editing_data();
    void editing();
    void typing();
    void storeRefusals_data();
    void storeRefusals();
};

void WindowTest::captionsAndLanguages() {
    WindowHarness h({{u"Language"_s, u"0"_s}, {u"Device"_s, u"1"_s}, {u"SelTab"_s, u"3"_s}});
    QWidget& window = h.open();
    QCOMPARE(window.size(), QSize(651, 445));
    // Switched at run time, every fixed text is in the new language and fits; the tab and the device row the
    // user picked stay.
    QTest::keyClick(h.find<QComboBox>("cboDevice"), Qt::Key_Up);
    // Qt's own texts follow, in windows already open; without Qt's German the check is English only.
    const QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    const bool qtGerman =
        QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + u"/qtbase_de.qm"_s);
    const QStringList fixedTexts = QString::fromLatin1(FixedTexts).split(u' ');
    for (const int row : {1, 0, 1}) {
        QTest::keyClick(h.find<QComboBox>("cboLanguage"), row ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(u"%1 %2 %3"_s.arg(LanguageOffset())
                     .arg(h.tab())
                     .arg(h.find<QComboBox>("cboDevice")->currentIndex()),
                 u"%1 3 0"_s.arg(EnglishOffset * row));
        if (row || qtGerman)
            QTRY_COMPARE(buttons.button(QDialogButtonBox::Cancel)->text(),
                         row ? u"Cancel"_s : u"Abbrechen"_s);
        for (int i = 0; i < fixedTexts.size(); ++i) {
            if (fixedTexts[i] != u"-"_s)
                QCOMPARE(shownText(window, fixedTexts[i]), GetText(TextId::WindowCaption + i));
        }
        QCOMPARE(h.texts({"labProgramVersion", "labProgramDate"}),
                 row ? u"Program version: V" TELVANE_VERSION "|Date: 02.04.2007"_s
                     : u"Programmversion: V" TELVANE_VERSION "|Datum: 02.04.2007"_s);
        // So does each notice a run leaves, on every tab.
        for (int tab = 0; tab < 4; ++tab) {
            h.showTab(tab);
            for (const TextId notice : {TextId::RunCompleted, TextId::RunStoppedNotSent}) {
                h.find<QLabel>("labCommandScriptCompleted")->setText(GetText(notice));
                const QStringList failures = captionsThatDoNotFit(window);
                QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
            }
        }
        // So does every state the link can report, in a colour of its name (black closed, green up, red
        // failed, magenta in between: hues -1, 120, 0, 300) readable on the window's background.
        auto* state = h.find<QLabel>("labState");
        const int hues[TargetLink::StateCount] = {-1, 120, 120, 300, 300, 300, 300, 120, 300, 0};
        for (int number = 0; number < TargetLink::StateCount; ++number) {
            h.find<StatusStrip>("statusStrip")->RefreshLinkState(number);
            QVERIFY2(state->heightForWidth(state->width()) <= state->height(), qPrintable(state->text()));
            const QColor colour = state->palette().color(QPalette::WindowText);
            const int off = std::abs(colour.hsvHue() - hues[number]);
            QVERIFY2((hues[number] < 0 ? colour == Qt::black
                                       : std::min(off, 360 - off) <= 10 && colour.hsvSaturation() == 255) &&
                         contrast(colour, state->palette().color(QPalette::Window)) >= 4.5,
                     qPrintable(u"%1: %2"_s.arg(number).arg(colour.name())));
        }
    }
}

void WindowTest::startAndExit_data() {
    // Setup.ini in the program folder (with a DefaultCommandSet.cfg beside it) and in the settings folder;
    // what the first start shows: port, name (empty: this computer's), device, connect box, language, tab.
    QTest::addColumn<QByteArray>("templateIni");
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("shown");
    QTest::newRow("first start copies the templates")
        << QByteArray("[SETTINGS]\nPort=7000\nName=plant\nDevice=1\nConnect=0\nLanguage=1\nSelTab=2")
        << QByteArray() << u"7000|plant|1|0|1|2"_s;
    QTest::newRow("no files at all") << QByteArray() << QByteArray() << u"6060||0|2|0|0"_s;
    QTest::newRow("greyed box, SETUP.INI of any case")
        << QByteArray("[SETTINGS]\nPort=1111") << QByteArray("[SETTINGS]\nPort=2222\nConnect=2\nSelTab=3")
        << u"2222||0|1|0|3"_s;
}

void WindowTest::startAndExit() {
    QFETCH(QByteArray, templateIni);
    QFETCH(QByteArray, ini);
    QFETCH(QString, shown);
    WindowHarness h;
    QVERIFY(QFile::remove(h.folders.setupIni()));
    const QString config = h.folders.program() + u"DefaultCommandSet.cfg"_s;
    QVERIFY(templateIni.isEmpty() || (writeBytes(h.folders.program() + u"setup.ini"_s, templateIni) &&
                                      saveQuickDialFile(config, sampleSlots())));
    QVERIFY(ini.isEmpty() || writeBytes(h.folders.settings() + u"SETUP.INI"_s, ini));
    auto settings = [&]() -> QString {
        const QString name = h.text("txtPcName");
        return u"%1|%2|%3|%4|%5|%6"_s
            .arg(h.text("txtPort"), name == Platform::localHostName() ? QString() : name)
            .arg(h.find<QComboBox>("cboDevice")->currentIndex())
            .arg(h.find<QCheckBox>("chkConnect")->checkState())
            .arg(h.find<QComboBox>("cboLanguage")->currentIndex())
            .arg(h.tab());
    };
    const QStringList before = shown.split(u'|');
    h.open();
    QCOMPARE(settings(), shown);
    QCOMPARE(h.text("cmdCommand4"), templateIni.isEmpty() ? u"[Leer]"_s : u"Four"_s);

    // What the user changes is what the next start shows; a click never greys the box (a greyed one, which
    // counts as ticked, is unticked).
    h.showTab(0);
    h.find<QLineEdit>("txtPort")->setText(u"5000"_s);
    h.find<QLineEdit>("txtPcName")->setText(u"elsewhere"_s);
    h.click("cmdThisSystem");
    QTest::keyClick(h.find<QComboBox>("cboDevice"), before[2] == u"1"_s ? Qt::Key_Up : Qt::Key_Down);
    h.click("chkConnect");
    QVERIFY(h.find<QCheckBox>("chkConnect")->checkState() != Qt::PartiallyChecked);
    QTest::keyClick(h.find<QComboBox>("cboLanguage"), before[4] == u"1"_s ? Qt::Key_Up : Qt::Key_Down);
    h.showTab((before[5].toInt() + 1) % 4);
    const QString changed = settings();
    h.click("cmdQuit");
    QVERIFY(!h.window->isVisible());
    h.close();
    QCOMPARE(QDir(h.folders.settings()).entryList({u"*.ini"_s}, QDir::Files).size(), 1);
    // The configuration is written back as it was read.
    QVERIFY(!readBytes(h.folders.defaultConfig()).isEmpty());
    QVERIFY(templateIni.isEmpty() || readBytes(h.folders.defaultConfig()) == readBytes(config));
    h.open();
    QCOMPARE(settings(), changed);
    for (int i = 0; i < 6; ++i)
        QVERIFY2((changed.section(u'|', i, i) == before[i]) == (i == 1 && before[1].isEmpty()),
                 qPrintable(changed));
}

void WindowTest::tabsKeysAndHelp_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    for (int from = 0; from < 4; ++from) {
        for (int to = 0; to < 4; ++to)
            QTest::addRow("%d to %d", from, to) << from << to;
    }
}

void WindowTest::tabsKeysAndHelp() {
    QFETCH(int, from);
    QFETCH(int, to);
    WindowHarness h({{u"SelTab"_s, QString::number(from)}});
    QVERIFY(saveQuickDialFile(h.folders.defaultConfig(), sampleSlots()));
    h.open();
    h.click("cmdHelp");
    auto* notice = h.find<QLabel>("labCommandScriptCompleted");
    notice->show();
    h.window->memory()->toggleFetch();

    // A change hides the notice; one to any tab but the quick-dial tab ends a pending slot mode.
    h.showTab(to);
    QCOMPARE(notice->isHidden(), from != to);
    QCOMPARE(h.window->memory()->FetchPending(), from == to || to == MainWindow::QuickDialTab);
    // F1 acts only on the quick-dial tab once its run buttons are on: the pending fetch shows slot 1 in the
    // editor. Held Shift, Ctrl or Alt change nothing.
    const Qt::KeyboardModifiers shiftCtrl = Qt::ShiftModifier | Qt::ControlModifier;
    const Qt::KeyboardModifiers held[] = {{}, shiftCtrl, Qt::AltModifier, shiftCtrl | Qt::AltModifier};
    QTest::keyClick(h.window.get(), Qt::Key_F1, held[from]);
    QCOMPARE(h.tab(), to);
    h.window->findChild<QuickDialPage*>()->setLinkUsable(true);
    QTest::keyClick(h.window.get(), Qt::Key_F1, held[from]);
    QCOMPARE(QString::number(h.tab()) + h.text("txtLabel"), to == 3 ? u"2Two"_s : QString::number(to));

    // Help opens the shown tab's topic in the current language, in the one help window.
    h.click("cmdHelp");
    HelpWindow* help = currentHelpWindow();
    QVERIFY(h.window->findChildren<HelpWindow*>() == QList<HelpWindow*>{help} && help->isVisible());
    const char* pages[] = {"settings", "commandline", "editor", "quickdial"};
    QCOMPARE(help->windowTitle() + help->browser()->source().toString(),
             u"Helpqrc:/telvane/help/%1.html#en"_s.arg(QLatin1String(pages[h.tab()])));
    // Esc closes it. A new one (the old goes with its owner) opens at the size the reader last gave, never at
    // a maximised one.
    const QSize chosen(600 + to, 450 + from);
    help->resize(chosen);
    help->showMaximized();
    QTRY_VERIFY(help->size() != chosen);
    QTest::keyClick(help->browser(), Qt::Key_Escape);
    QVERIFY(!help->isVisible());
    delete help;
    h.click("cmdHelp");
    QCOMPARE(currentHelpWindow()->size(), chosen);
}

void WindowTest::slotButtons_data() {
    // The mode's button and the answer to a question; the editor's caption; then what shows: the run button,
    // the choice button, the description box, the editor's caption, the choice button's tooltip, the
    // editor's and the slot's first command.
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::newRow("store shows user text as typed")
        << u"cmdSave"_s << u"<b>Production</b>"_s
        << u"<b>Production</b>|<b>Product...|Note|<b>Production</b>|Caption: <b>Production</b>|GM|GM"_s;
    QTest::newRow("fetch") << u"cmdGetCommand"_s << u"other"_s
                           << u"Four|Four...|Note|Four|Caption: Four|SM 1|SM 1"_s;
    QTest::newRow("delete, Yes") << u"cmdDeleteScript yes"_s << u"other"_s << u"|[Empty]||other||GM|"_s;
    QTest::newRow("delete, No") << u"cmdDeleteScript"_s << u"other"_s
                                << u"Four|Four...|Note|other|Caption: Four|GM|SM 1"_s;
}

void WindowTest::slotButtons() {
    QFETCH(QString, mode);
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    WindowHarness h({{u"SelTab"_s, u"2"_s}});
    QVERIFY(saveQuickDialFile(h.folders.defaultConfig(), sampleSlots()));
    h.open();
    h.dialogs.inputAnswers = {u"GM"_s};
    h.click("cmdCreateManualCommand");
    h.find<QLineEdit>("txtLabel")->setText(caption);
    h.find<QPlainTextEdit>("txtNote")->setPlainText(u"Note"_s);
    h.click(mode.section(u' ', 0, 0));

    // The window's timer lets the choice buttons blink while the mode is pending.
    auto* choice = h.find<QPushButton>("cmdF4");
    const QColor normal = choice->palette().color(QPalette::Button);
    QTRY_COMPARE_WITH_TIMEOUT(choice->palette().color(QPalette::Button), QColor(0, 255, 0), Timeout);
    QVERIFY(choice->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(choice->palette().color(QPalette::Button), normal, Timeout);
    h.dialogs.questionAnswers = {mode.endsWith(u"yes"_s)};
    h.click("cmdF4");
    QTextDocument toolTip;
    toolTip.setHtml(choice->toolTip());
    const QString rows = h.find<QTreeWidget>("lstCommands")->topLevelItem(0)->text(0) + u'|' +
                         h.window->memory()->slotAt(4).lines.value(0).command;
    QCOMPARE(h.texts({"cmdCommand4", "cmdF4", "txtCommandDescript4", "txtLabel"}) + u'|' +
                 toolTip.toPlainText() + u'|' + rows,
             shown);
    QVERIFY(!h.window->memory()->anyModePending());
    QTRY_VERIFY_WITH_TIMEOUT(!choice->isEnabled(), Timeout);
    QCOMPARE(choice->palette().color(QPalette::Button), normal);
    const ScriptedDialogs::Call asked = h.dialogs.calls.last();
    QCOMPARE(asked.kind + u'|' + asked.title + u'|' + asked.text,
             mode.startsWith(u"cmdDeleteScript"_s)
                 ? u"question|Delete|Do you really want to delete quick dial memory [F4] ?"_s
                 : u"input|Enter command|Please enter a complete command!"_s);
}

void WindowTest::configFiles() {
    WindowHarness h({{u"SelTab"_s, u"3"_s}});
    QVERIFY(saveQuickDialFile(h.folders.defaultConfig(), sampleSlots()));
    h.open();
    auto last = [&]() -> QString {
        return h.dialogs.calls.last().title + u'|' + h.dialogs.calls.last().text;
    };
    const QuickDialSlots before = h.window->memory()->allSlots();
    const QString folder = h.folders.settings();
    const QString filter = u"|Ccommand configuration file (*.cfg)|*.cfg"_s;
    const QStringList files = QDir(folder).entryList(QDir::AllEntries);

    // Both dialogs cancelled: nothing changes.
    h.click("cmdLoadConfig");
    QCOMPARE(last(), u"Load command configuration file...|"_s + folder + filter);
    h.click("cmdSaveConfig");
    QCOMPARE(last(), u"Save command configuration file...|"_s + folder + u"|User defined.cfg"_s + filter);
    QVERIFY(h.window->memory()->allSlots() == before && QDir(folder).entryList(QDir::AllEntries) == files);

    // A file that cannot be read, or one without any slot key (picked by mistake), is reported by name, and
    // the slots stay.
    const QString unreadable = folder + u"x.cfg"_s;
    const QString notes = folder + u"notes.txt"_s;
    QVERIFY(QDir().mkpath(unreadable) && writeBytes(notes, "Notes\r\n[SETTINGS]\r\nPort=6060\r\n"));
    h.dialogs.openAnswers = {unreadable, notes, h.folders.root.filePath(u"Other.cfg"_s)};
    h.click("cmdLoadConfig");
    const QString file = u"The configuration file \"%1\" could not "_s.arg(unreadable);
    QCOMPARE(last(), u"Load failed|"_s + file + u"be read: The file cannot be read."_s);
    h.click("cmdLoadConfig");
    const QString notConfig = u"Load failed|The file \"%1\" is not a command configuration file"_s.arg(notes);
    QVERIFY2(last().startsWith(notConfig), qPrintable(last()));
    QVERIFY(h.window->memory()->allSlots() == before);

    // Another file is shown; saved under a name without extension, it is written under that name. A failed
    // save names the file and the reason.
    QuickDialSlots other{};
    other[1] = {u"Second"_s, u"two"_s, {{u"XC 1 a"_s, u"d"_s}}};
    QVERIFY(saveQuickDialFile(*h.dialogs.openAnswers[0], other));
    h.click("cmdLoadConfig");
    QCOMPARE(h.texts({"cmdCommand1", "cmdCommand2"}), u"[Empty]|Second"_s);
    h.dialogs.saveAnswers = {folder + u"mine"_s, unreadable};
    h.click("cmdSaveConfig");
    QCOMPARE(loadQuickDialFile(folder + u"mine"_s), other);
    h.click("cmdSaveConfig");
    const QString failed = u"Save failed|"_s + file + u"be saved: "_s;
    QVERIFY2(last().startsWith(failed) && last().size() > failed.size(), qPrintable(last()));

    // A DefaultCommandSet.cfg that cannot be read gives empty slots, and is not replaced at exit.
    h.close();
    QVERIFY(QFile::remove(h.folders.defaultConfig()) && QDir().mkpath(h.folders.defaultConfig()));
    h.open();
    QCOMPARE(h.text("cmdCommand2"), u"[Empty]"_s);
    const qsizetype asked = h.dialogs.calls.size();
    h.close();
    QVERIFY(h.dialogs.calls.size() == asked + 1 && last().startsWith(u"Save failed|"_s));
    QVERIFY(last().contains(u"DefaultCommandSet.cfg"_s) && QFileInfo(h.folders.defaultConfig()).isDir());
}

void WindowTest::commandLineStateLineAndRuns() {
    LoopbackPeer peer;
    WindowHarness h({{u"Connect"_s, u"1"_s}, {u"SelTab"_s, u"1"_s}});
    h.folders.writeSetup({{u"Name"_s, u"127.0.0.1"_s}, {u"Port"_s, peer.portText()}});
    QVERIFY(saveQuickDialFile(h.folders.defaultConfig(), sampleSlots()));
    h.open();
    h.window->link()->TryConnect();
    QTRY_VERIFY_WITH_TIMEOUT(peer.connected() && h.find<QWidget>("cmdCommand1")->isEnabled(), Timeout);
    auto* state = h.find<QLabel>("labState");
    QTRY_COMPARE_WITH_TIMEOUT(state->palette().color(QPalette::WindowText),
                              StatusStrip::stateColour(TargetLink::Connected), Timeout);
    QVERIFY(state->toolTip().isEmpty());
    auto* text = h.find<QLineEdit>("txtSend");
    MessageLog* log = h.window->session()->log();
    // Progress bar, cancel button and notice shown, the rows of the log, the notice's text.
    auto strip = [&]() -> QString {
        QString shown;
        for (const char* name : {"prgProgress", "cmdCancelCommandScript", "labCommandScriptCompleted"})
            shown += h.find<QWidget>(name)->isVisible() ? u'1' : u'0';
        return shown + u' ' + QString::number(log->size()) + u' ' + h.text("labCommandScriptCompleted");
    };
    auto enabled = [&](const char* name) { return h.find<QWidget>(name)->isEnabled(); };

    // The assistant's command goes into the line, to be sent by the user. An empty line cannot be sent, not
    // even with Enter; the newest row is shown; the log empties.
    ModalHandler assistant([](QWidget* d) { QTest::keyClick(d->findChild<QComboBox*>(), Qt::Key_Return); });
    h.click("cmdCreateCommand1");
    QCOMPARE(text->text() + QString::number(log->size()), u"SM 00"_s);
    text->clear();
    QTest::keyClick(text, Qt::Key_Return);
    QVERIFY(!enabled("cmdSend") && !enabled("cmdDeleteList"));
    QTest::keyClicks(text, u"SM 1"_s);
    QTest::keyClick(text, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(peer.received, QByteArray("SM 1"), Timeout);
    peer.reply("SM 1: OK\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(log->rowCount(), 2, Timeout);
    QCOMPARE(h.find<QTableView>("lsvMsg")->currentIndex().row(), 1);
    h.click("cmdDeleteList");
    QVERIFY(log->rowCount() == 0 && !enabled("cmdDeleteList"));

    // The editor's test run shows each command in the command line as it goes out, and its progress; a
    // notice from before goes with the first command.
    h.showTab(2);
    h.dialogs.inputAnswers = {u"XC 1 a"_s, u"GM"_s};
    h.click("cmdCreateManualCommand");
    h.click("cmdCreateManualCommand");
    h.find<QLabel>("labCommandScriptCompleted")->show();
    h.click("cmdCommandTest");
    QCOMPARE(text->text() + u' ' + strip(), u"XC 1 a 110 1 "_s);
    auto* progress = h.find<QProgressBar>("prgProgress");
    QCOMPARE(progress->value() * 10 + progress->maximum(), 12);
    // While it waits nothing else runs; a slot button only takes the notice away.
    h.showTab(3);
    h.find<QLabel>("labCommandScriptCompleted")->show();
    h.click("cmdCommand1");
    QTest::keyClick(h.window.get(), Qt::Key_F4);
    QCOMPARE(strip(), u"110 1 "_s);
    peer.reply("XC: OK\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(text->text() + u' ' + strip(),
                              u"GM 001 3 Command script processed, 2 commands."_s, Timeout);
    // The log, out of sight during the run, shows its newest row when it is shown.
    h.showTab(1);
    QTRY_COMPARE_WITH_TIMEOUT(h.find<QTableView>("lsvMsg")->currentIndex().row(), 2, Timeout);

    // Cancelled while waiting: the strip is cleared, and the notice says how far the run came.
    h.showTab(3);
    h.click("cmdCommand1");
    QCOMPARE(strip(), u"110 4 Command script processed, 2 commands."_s);
    h.click("cmdCancelCommandScript");
    QCOMPARE(strip(), u"001 4 Cancelled after 1 of 2 commands."_s);

    // Unticked: closed in black, the command line off, the run buttons still on. A run stops at its first
    // command, with a notice that follows the language.
    h.find<QCheckBox>("chkConnect")->setChecked(false);
    h.window->link()->TryConnect();
    QTRY_COMPARE_WITH_TIMEOUT(h.text("labState"), u"State: Port closed."_s, Timeout);
    QCOMPARE(state->palette().color(QPalette::WindowText), QColor(Qt::black));
    QVERIFY(!enabled("cmdSend"));
    h.click("cmdCommand1");
    QCOMPARE(strip(), u"001 5 Stopped: command not sent."_s);
    QTest::keyClick(h.find<QComboBox>("cboLanguage"), Qt::Key_Up);
    QCOMPARE(strip(), u"001 5 Abbruch: Befehl nicht gesendet."_s);

    // Refused: red, with the reason as the state line's tooltip.
    h.find<QLineEdit>("txtPort")->setText(QString::number(refusingPort()));
    h.find<QCheckBox>("chkConnect")->setChecked(true);
    QTRY_COMPARE_WITH_TIMEOUT(h.text("labState"), u"Zustand: Fehler beim Verbinden."_s, Timeout);
    QCOMPARE(state->palette().color(QPalette::WindowText), StatusStrip::stateColour(TargetLink::Failed));
    QVERIFY(!state->toolTip().isEmpty() && state->toolTip() == h.window->link()->lastErrorText());

    // Quitting while a run waits for its reply runs the exit as ever (the tab is stored), with no question; a
    // late reply finds no window.
    h.find<QLineEdit>("txtPort")->setText(peer.portText());
    QTRY_VERIFY_WITH_TIMEOUT(enabled("cmdSend"), Timeout);
    h.click("cmdCommand1");
    QCOMPARE(strip().left(3), u"110"_s);
    const qsizetype asked = h.dialogs.calls.size();
    h.click("cmdQuit");
    QVERIFY(!h.window->isVisible());
    h.close();
    QCOMPARE(ReadProfileValue(Settings::Section, u"SelTab"_s, {}, 9, h.folders.setupIni()), u"3"_s);
    QVERIFY(loadQuickDialFile(h.folders.defaultConfig()) == sampleSlots() && h.dialogs.calls.size() == asked);
    peer.reply("SM 1: OK\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!peer.connected(), Timeout);
}

void WindowTest::editing_data() {
    // The script; the answers to "Enter command", in turn, Cancel after them; the steps: a digit clicks that
    // row, e below the rows, a the "above" box, n manual entry, s the assistant (which gives "S", then "TA"),
    // u, d and x up, down and delete; the rows, the current row, whether it is selected, and whether test,
    // delete, up and down are on.
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("rows");
    const QString abc = u"A|a;B|b;C|c"_s;
    QTest::newRow("into an empty list") << QString() << u"N"_s << u"an"_s << u"N| 0 0 1000"_s;
    QTest::newRow("as typed, or nothing")
        << QString() << u"| S 1  3#<b>x</b> "_s << u"nnnss"_s << u" S 1  3#<b>x</b> |;TA|ta 1 1 1110"_s;
    QTest::newRow("below a fresh script's first") << abc << u"N"_s << u"n"_s << u"A|a;N|;B|b;C|c 1 1 1111"_s;
    QTest::newRow("above the first") << abc << u"N"_s << u"0an"_s << u"N|;A|a;B|b;C|c 0 1 1101"_s;
    QTest::newRow("above the middle") << abc << u"N"_s << u"1an"_s << u"A|a;N|;B|b;C|c 1 1 1111"_s;
    QTest::newRow("below the last") << abc << u"N"_s << u"2n"_s << u"A|a;B|b;C|c;N| 3 1 1110"_s;
    QTest::newRow("below the current, unselected")
        << abc << u"N"_s << u"1en"_s << u"A|a;B|b;N|;C|c 2 1 1111"_s;
    QTest::newRow("up, with its description") << abc << QString() << u"1u"_s << u"B|b;A|a;C|c 0 1 1101"_s;
    QTest::newRow("down to the bottom") << abc << QString() << u"0dd"_s << u"B|b;C|c;A|a 2 1 1110"_s;
    QTest::newRow("no move unselected") << abc << QString() << u"1eud"_s << abc + u" 1 0 1000"_s;
    QTest::newRow("delete the middle") << abc << QString() << u"1x"_s << u"A|a;C|c 1 1 1110"_s;
    QTest::newRow("delete the last") << abc << QString() << u"2x"_s << u"A|a;B|b 1 1 1110"_s;
    QTest::newRow("delete the only row") << u"A|a"_s << QString() << u"0x"_s << u" -1 0 0000"_s;
}

void WindowTest::editing() {
    QFETCH(QString, script);
    QFETCH(QString, typed);
    QFETCH(QString, steps);
    QFETCH(QString, rows);
    WindowHarness h({{u"SelTab"_s, u"2"_s}});
    h.open();
    auto* page = h.window->findChild<ScriptEditorPage*>();
    page->setLinkUsable(true);
    page->setScript(lines(script));
    Script fromAssistant = lines(u"S|s;TA|ta"_s);
    page->setAssistant([&] { return fromAssistant.takeFirst(); });
    for (const QString& answer : typed.split(u'|'))
        h.dialogs.inputAnswers << answer;
    auto* list = h.find<QTreeWidget>("lstCommands");
    const QHash<QChar, const char*> buttons{{u'a', "chkAbove"},          {u'n', "cmdCreateManualCommand"},
                                            {u's', "cmdCreateCommand2"}, {u'u', "cmdCommandUp"},
                                            {u'd', "cmdCommandDown"},    {u'x', "cmdDeleteCommand"}};
    for (const QChar step : steps) {
        const int row = step == u'e' ? list->topLevelItemCount() - 1 : step.digitValue();
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        if (row >= 0)
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              step == u'e' ? rect.bottomLeft() + QPoint(5, 5) : rect.center());
        else
            h.click(buttons.value(step));
    }
    QStringList shown;
    for (const ScriptLine& line : page->script())
        shown << line.command + u'|' + line.description;
    QString state = u" %1 %2 "_s.arg(list->indexOfTopLevelItem(list->currentItem()))
                        .arg(list->currentItem() && list->currentItem()->isSelected());
    for (const char* name : {"cmdCommandTest", "cmdDeleteCommand", "cmdCommandUp", "cmdCommandDown"})
        state += h.find<QPushButton>(name)->isEnabled() ? u'1' : u'0';
    QCOMPARE(shown.join(u';') + state, rows);
    // Without a usable link there is no test run.
    page->setLinkUsable(false);
    QVERIFY(!h.find<QPushButton>("cmdCommandTest")->isEnabled());
}

void WindowTest::typing() {
    WindowHarness h({{u"SelTab"_s, u"2"_s}});
    QuickDialSlots fromFile{};
    fromFile[0] = {QString(50, u'L'), QString(200, u'n'), lines(u"GM"_s)};
    QVERIFY(saveQuickDialFile(h.folders.defaultConfig(), fromFile));
    h.open();
    auto* label = h.find<QLineEdit>("txtLabel");
    QTest::keyClicks(label, QString(45, u'x'));
    QCOMPARE(label->text(), QString(40, u'x'));

    // The description takes no line break: pasted ones become blanks, CR LF one blank, typed ones nothing. It
    // stops at 128 characters, where the text was put in.
    auto* note = h.find<QPlainTextEdit>("txtNote");
    QApplication::clipboard()->setText(u"1\n2\r\n3\r4\u20285\u20296"_s);
    QTest::keyClick(note, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(note->toPlainText() + QString::number(note->document()->blockCount()), u"1 2 3 4 5 61"_s);
    note->clear();
    QTest::keyClicks(note, QString(126, u'z'));
    QTest::keyClick(note, Qt::Key_Return);
    QTest::keyClick(note, Qt::Key_Enter);
    QTest::keyClick(note, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(note, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(note->toPlainText(), u"1 "_s + QString(126, u'z'));

    // What a slot from a file brings is kept whole, longer than typing allows or not; typing then adds
    // nothing, and a store takes it whole. Once shortened to the limit, the caption is held to it again.
    h.click("cmdGetCommand");
    QTRY_VERIFY_WITH_TIMEOUT(h.find<QPushButton>("cmdF1")->isEnabled(), Timeout);
    h.click("cmdF1");
    QTest::keyClick(note, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(note, u"x"_s);
    QCOMPARE(label->text() + note->toPlainText(), QString(50, u'L') + QString(200, u'n'));
    h.click("cmdSave");
    QTRY_VERIFY_WITH_TIMEOUT(h.find<QPushButton>("cmdF2")->isEnabled(), Timeout);
    h.click("cmdF2");
    QCOMPARE(h.window->memory()->slotAt(2), fromFile[0]);
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(label, Qt::Key_Backspace);
    QTest::keyClicks(label, u"yy"_s);
    QCOMPARE(label->text(), QString(40, u'L'));
}

void WindowTest::storeRefusals_data() {
    // The editor's script, caption and description; a command typed after "Save", before the slot is chosen;
    // the refusal's title, a part of its message, the field to fix and the row selected.
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("late");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("no description") << u"GM"_s << QString() << QString() << QString()
                                    << u"Missing description text |description|txtNote|-1"_s;
    QTest::newRow("no caption") << u"GM"_s << QString() << u"n"_s << QString()
                                << u"Missing caption|caption|txtLabel|-1"_s;
    QTest::newRow("separator") << u"SM 1|start;SP 1|Nr. #3"_s << u"#1"_s << u"#2"_s << QString()
                               << u"Invalid character|\"#\"|lstCommands|1"_s;
    // A line break would end the value in the file; 0x14 is taken out on loading.
    QTest::newRow("LF in the caption")
        << u"GM"_s << u"a\nb"_s << u"n"_s << QString() << u"Invalid character|LF (0x0A)|txtLabel|-1"_s;
    QTest::newRow("0x14 in a description")
        << u"SM 1|s;GM|a\x14"_s << u"L"_s << u"n"_s << QString() << u"Invalid character|0x14|lstCommands|1"_s;
    QTest::newRow("typed after Save")
        << u"GM"_s << u"L"_s << u"N"_s << u"XC 1 Ω"_s << u"Invalid character|Windows-1252|lstCommands|1"_s;
}

void WindowTest::storeRefusals() {
    QFETCH(QString, script);
    QFETCH(QString, caption);
    QFETCH(QString, note);
    QFETCH(QString, late);
    QFETCH(QString, refusal);
    WindowHarness h({{u"SelTab"_s, u"2"_s}});
    h.open();
    h.window->findChild<ScriptEditorPage*>()->setScript(lines(script));
    h.find<QLineEdit>("txtLabel")->setText(caption);
    h.find<QPlainTextEdit>("txtNote")->setPlainText(note);
    h.find<QPushButton>("cmdSave")->setFocus();
    h.click("cmdSave");
    if (!late.isEmpty()) {
        h.dialogs.inputAnswers = {late};
        h.click("cmdCreateManualCommand");
        QTRY_VERIFY_WITH_TIMEOUT(h.find<QPushButton>("cmdF2")->isEnabled(), Timeout);
        h.click("cmdF2");
    }
    const QStringList expected = refusal.split(u'|');
    const ScriptedDialogs::Call told = h.dialogs.calls.value(h.dialogs.calls.size() - 1);
    QCOMPARE(told.kind + u'|' + told.title, u"warning|"_s + expected[0]);
    QVERIFY2(told.text.contains(expected[1]), qPrintable(told.text));
    QVERIFY(!h.window->memory()->anyModePending() && h.window->memory()->slotAt(2).lines.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget()->objectName(), expected[2], Timeout);
    auto* list = h.find<QTreeWidget>("lstCommands");
    QCOMPARE(list->indexOfTopLevelItem(list->selectedItems().value(0)), expected[3].toInt());
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
