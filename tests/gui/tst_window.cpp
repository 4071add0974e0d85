// The main window as the user meets it: captions and notices that fit, the language switch, start-up and exit
// through real files, the layout at its default size and as the window grows, the tab rules with the
// function keys and the help, the slot buttons, configuration files through their dialogs, the script
// editor and what a store refuses; the command line, the state line and runs against a peer; the log as a
// tool: following new rows, find, copy, the detail view and saving; the command assistant; the flows a user
// goes through by keys alone; and a run against the device simulator whose error reply the network cuts.

#include "support/GuiSupport.h"

#include "core/files/Platform.h"
#include "core/link/CommandHistory.h"
#include "core/link/LogCapture.h"
#include "core/link/LogExport.h"
#include "core/link/LogFilter.h"
#include "core/link/LogReader.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/texts/Texts.h"
#include "gui/Access.h"
#include "gui/CommandLinePage.h"
#include "gui/Help.h"
#include "gui/QuickDialPage.h"
#include "gui/RunReportDialog.h"
#include "gui/ScriptEditorPage.h"
#include "gui/ScriptViewer.h"
#include "gui/StatusStrip.h"
#include "gui/WrappingButton.h"
#include "gui/log/LogFileWindow.h"
#include "gui/log/LogView.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

const QSize DefaultSize(651, 445);

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
        return Access::withoutMnemonic(tabs->tabText(index));
    if (const auto* combo = qobject_cast<const QComboBox*>(o))
        return combo->itemText(index);
    if (const auto* view = qobject_cast<const QAbstractItemView*>(o))
        return view->model()->headerData(index, Qt::Horizontal).toString();
    const QString caption =
        o ? o->property(o->inherits("QGroupBox") ? "title" : "text").toString() : QString();
    // A caption reads as it did before its Alt key was marked.
    return o ? (o->inherits("QGroupBox") ? caption : Access::withoutMnemonic(caption)) : window.windowTitle();
}

// Every caption that does not fit its widget, measured in the widget's own font and style.
QStringList captionsThatDoNotFit(const QWidget& window) {
    QStringList failures;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        const QFontMetrics fm(w->font());
        const QString raw = w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
        const QString text = w->inherits("QGroupBox") ? raw : Access::withoutMnemonic(raw);
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
        if (tab.width() <
                bar->fontMetrics().horizontalAdvance(Access::withoutMnemonic(bar->tabText(i))) + space ||
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

// The log's rows as the view draws them: 'b' for a row in bold (an error reply), '-' for any other.
QString boldRows(const WindowHarness& h) {
    const MessageLog* log = h.window->session()->log();
    auto* delegate = static_cast<LogItemDelegate*>(h.find<QTableView>("lsvMsg")->itemDelegate());
    QString shown;
    for (int row = 0; row < log->rowCount(); ++row) {
        QStyleOptionViewItem option;
        delegate->initStyleOption(&option, log->index(row, 0));
        shown += option.font.bold() ? u'b' : u'-';
    }
    return shown;
}

QPoint inWindow(const WindowHarness& h, const char* name) {
    return h.find<QWidget>(name)->mapTo(h.window.get(), QPoint(0, 0));
}

// Every named widget's place in its parent; the pages are left out, as a hidden page keeps a stale size.
QHash<QString, QRect> places(const QWidget& window) {
    QHash<QString, QRect> all;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(u"SSTab1Page"_s))
            all.insert(w->objectName() + u'/' + w->parentWidget()->objectName(), w->geometry());
    }
    return all;
}

// The window on the command-line tab with the sample slots, set to link to a peer (or to the port given) as
// device type 1 or 0, on a history file holding what is given; a run waits a minute at most for a reply, and
// one holding "ERROR" stops it.
struct PeerWindow {
    explicit PeerWindow(const QString& port = {}, const QByteArray& history = {}, int device = 0)
        : h({{u"Connect"_s, u"1"_s},
             {u"SelTab"_s, u"1"_s},
             {u"Device"_s, QString::number(device)},
             {u"Name"_s, u"127.0.0.1"_s},
             {u"Port"_s, port.isEmpty() ? peer.portText() : port},
             {u"ReplyTimeout"_s, u"60"_s},
             {u"ErrorText"_s, u"ERROR"_s}},
            sampleSlots(), false) {
        if (!history.isEmpty() && !writeBytes(h.folders.settings() + CommandHistory::fileName(), history))
            qFatal("the history could not be written");
        h.open();
    }

    // Connects now rather than on the next tick: true once the peer has the link and the run buttons are on.
    bool linked() {
        h.window->link()->TryConnect();
        return QTest::qWaitFor([this] { return peer.connected() && enabled("cmdCommand1"); }, Timeout);
    }
    bool enabled(const char* name) const { return h.find<QWidget>(name)->isEnabled(); }
    MessageLog* log() const { return h.window->session()->log(); }
    // Progress bar, cancel button and notice shown, the rows of the log, the notice's text.
    QString strip() const {
        QString shown;
        for (const char* name : {"prgProgress", "cmdCancelCommandScript", "labCommandScriptCompleted"})
            shown += h.find<QWidget>(name)->isVisible() ? u'1' : u'0';
        return shown + u' ' + QString::number(log()->size()) + u' ' + h.text("labCommandScriptCompleted");
    }
    // Where the user's keys go: the offers while they are shown, else the command line.
    QWidget* keys() const {
        QWidget* popup = QApplication::activePopupWidget();
        return popup ? popup : h.find<QLineEdit>("txtSend");
    }

    LoopbackPeer peer; // first: the window is set to its port
    WindowHarness h;
};

// The faults of every control a user reaches in the window, as the accessibility interface shows them: one
// without a name, one named after the frame around it, a description in markup.
QStringList namingFaults(QWidget* window) {
    QStringList faults;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* parent) {
        for (int i = 0; i < parent->childCount(); ++i) {
            QAccessibleInterface* child = parent->child(i);
            if (!child || child->state().invisible)
                continue;
            const QAccessible::Role role = child->role();
            const bool interactive = child->state().focusable || role == QAccessible::PushButton ||
                                     role == QAccessible::CheckBox || role == QAccessible::ComboBox ||
                                     role == QAccessible::PageTab || role == QAccessible::SpinBox;
            const QWidget* widget = qobject_cast<const QWidget*>(child->object());
            if (interactive && widget) {
                const QString where =
                    widget->objectName() + u'(' + QLatin1String(widget->metaObject()->className()) + u")"_s;
                const QString name = child->text(QAccessible::Name).trimmed();
                QStringList frames;
                for (const QWidget* w = widget; w; w = w->parentWidget()) {
                    if (const auto* box = qobject_cast<const QGroupBox*>(w))
                        frames << box->title();
                }
                const QString caption = Access::withoutMnemonic(widget->property("text").toString());
                if (name.isEmpty())
                    faults << where + u": no name"_s;
                else if (frames.contains(name) && name != caption)
                    faults << where + u": named after its frame: "_s + name;
                if (Qt::mightBeRichText(child->text(QAccessible::Description)))
                    faults << where + u": markup in its description"_s;
            }
            // The cells of a list and the rows of a drop-down are the list's business.
            if (!qobject_cast<const QAbstractItemView*>(widget) && !qobject_cast<const QComboBox*>(widget))
                walk(child);
        }
    };
    walk(QAccessible::queryAccessibleInterface(window));
    return faults;
}

// The accessibility events the window sends, as "objectName:event".
QStringList g_accessEvents;
void recordAccessEvent(QAccessibleEvent* event) {
    if (event->object())
        g_accessEvents << event->object()->objectName() + u':' + QString::number(int(event->type()));
}
bool announced(const char* name, QAccessible::Event type) {
    return g_accessEvents.contains(QLatin1String(name) + u':' + QString::number(int(type)));
}

// The focus chain as Tab (or Shift+Tab) walks it from the focused widget until it comes back.
QStringList tabWalk(bool forward) {
    QStringList names;
    QWidget* start = QApplication::focusWidget();
    for (int step = 0; step < 80; ++step) {
        QTest::keyClick(QApplication::focusWidget(), forward ? Qt::Key_Tab : Qt::Key_Backtab,
                        forward ? Qt::NoModifier : Qt::ShiftModifier);
        QWidget* now = QApplication::focusWidget();
        if (!now || now == start)
            return names;
        names << (now->objectName().isEmpty() ? QLatin1String(now->metaObject()->className())
                                              : now->objectName());
    }
    return names << u"(no way back)"_s;
}

// A palette like the dark themes of the desktops (Adwaita dark): light text on dark grey.
QPalette darkPalette() {
    QPalette p(QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::Base, QColor(0x2d, 0x2d, 0x2d));
    p.setColor(QPalette::Highlight, QColor(0x15, 0x53, 0x9e));
    return p;
}

// The command assistant on its own folders.
struct Assistant {
    // Opens the dialog in a language on a Setup.ini whose Command key holds stored.
    QComboBox* open(int type, bool queries, const QString& stored, int en = 0) {
        setLanguageOffset(en * EnglishOffset);
        setLastAssistantPath(QString());
        dialogs = ScriptedDialogs{};
        WriteProfileValue(Settings::Section, Key, stored, folders.setupIni());
        AssistantContext context{nullptr, type, queries, folders.setupIni(), folders.program(), &dialogs, {}};
        context.showHelp = [this](QWidget* w, int topic) { help = w->objectName() + QString::number(topic); };
        dialog = std::make_unique<AssistantDialog>(context);
        dialog->show();
        return child<QComboBox>("cboCommand");
    }
    template <typename W> W* child(const char* name) { return dialog->findChild<W*>(QLatin1String(name)); }
    QString storedKey() { return ReadProfileValue(Settings::Section, Key, {}, 9, folders.setupIni()); }
    // Types a page's value as the user does and presses Enter; "^" picks the next entry, "=" the same one
    // again. Returns what the page said: its hint and the caption of its button.
    QString enter(const QString& value) {
        auto* list = child<QComboBox>("cboCommand");
        auto* number = child<QSpinBox>("cwnValue");
        QWidget* field = number->isVisible() ? static_cast<QWidget*>(number) : child<QLineEdit>("txtText");
        if (value == u"^"_s || value == u"="_s) {
            field = list;
            if (value == u"^"_s)
                QTest::keyClick(list, Qt::Key_Down);
            else
                emit list->activated(list->currentIndex());
        }
        number->selectAll();
        // keyClicks takes ASCII only.
        for (const QChar c : field == list ? QString() : value)
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key(c.unicode()), QString(c), Qt::NoModifier);
        const QString said = child<QLabel>("labMaxTextLen")->text() + u'|' +
                             child<QWidget>("cmdNext")->property("text").toString();
        QTest::keyClick(field, Qt::Key_Return);
        return said;
    }

    const QString Key = u"Command"_s;
    TestFolders folders;
    ScriptedDialogs dialogs;
    QString help;
    std::unique_ptr<AssistantDialog> dialog;
};

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { setLanguageOffset(0); }

    void captionsAndLanguages() {
        WindowHarness h({{u"Language"_s, u"0"_s}, {u"Device"_s, u"1"_s}, {u"SelTab"_s, u"3"_s}});
        QWidget& window = *h.window;
        // Switched at run time, every fixed text is in the new language and fits; the tab and the device row
        // the user picked stay.
        QTest::keyClick(h.find<QComboBox>("cboDevice"), Qt::Key_Up);
        // Qt's own texts follow, in windows already open; without Qt's German the check is English only.
        const QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        const bool qtGerman =
            QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + u"/qtbase_de.qm"_s);
        const QStringList fixedTexts = QString::fromLatin1(FixedTexts).split(u' ');
        auto* strip = h.find<StatusStrip>("statusStrip");
        auto* notice = h.find<QLabel>("labCommandScriptCompleted");
        const QRect usual = notice->geometry();
        const QFont usualFont = notice->font();
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
            const QStringList failures = captionsThatDoNotFit(window);
            QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
            // On every tab each Alt key is taken once, and each button and tab has one.
            auto* tabs = h.find<QTabWidget>("SSTab1");
            for (int tab = 0; tab < 4; ++tab) {
                h.showTab(tab);
                QHash<QChar, QString> taken;
                QStringList faults;
                // A fault names the widget, its key and the widget that took that key before.
                auto take = [&](const QString& who, const QString& caption, bool needed) {
                    const QChar key = Access::mnemonicOf(caption);
                    if (key.isNull() ? needed : taken.contains(key))
                        faults << u"%1: Alt+%2 %3"_s.arg(who, key.isNull() ? u"none"_s : QString(key),
                                                         taken.value(key));
                    if (!key.isNull())
                        taken.insert(key, who);
                };
                for (int i = 0; i < tabs->count(); ++i)
                    take(u"tab %1"_s.arg(i), tabs->tabText(i), true);
                for (QWidget* widget : Access::mnemonicWidgets(&window)) {
                    if (widget->isVisible())
                        take(widget->objectName(), widget->property("text").toString(),
                             qobject_cast<QPushButton*>(widget) != nullptr);
                }
                QVERIFY2(faults.isEmpty(), qPrintable(u"tab %1: "_s.arg(tab) + faults.join(u", "_s)));
            }
            h.showTab(3);
            // So does every notice a run can leave, at its longest: clear of the help button, never smaller
            // than the window's text, in its usual place and look where it fits there; a command of any
            // length is cut in the middle, whole in the tooltip.
            for (int outcome = 0; outcome <= int(RunReport::Outcome::ErrorReply); ++outcome) {
                const RunReport report{RunReport::Outcome(outcome),
                                       99999,
                                       99999,
                                       u"CA 12 "_s + QString(200, u'x'),
                                       u"SP: ERROR production mode is not running\r\n"_s,
                                       3600000,
                                       {}};
                strip->runFinished(report);
                const QString whole = runNotice(report);
                QVERIFY2(notice->fontMetrics().horizontalAdvance(notice->text()) <= notice->width() &&
                             notice->geometry().right() < h.find<QWidget>("cmdHelp")->geometry().left() &&
                             notice->font().pointSizeF() >= Layout::windowFont().pointSizeF(),
                         qPrintable(notice->text()));
                if (QFontMetrics(usualFont).horizontalAdvance(whole) <= usual.width())
                    QVERIFY(notice->geometry() == usual && notice->font() == usualFont);
                const bool cut = outcome >= int(RunReport::Outcome::TimedOut);
                QCOMPARE(notice->text() != whole, cut);
                QCOMPARE(notice->toolTip(), cut ? whole : QString());
            }
            // So does every state the link can report (contrastInLightAndDark sees it readable). A failed
            // attempt names where it went and why on a line of its own, a long host name cut.
            auto* state = h.find<QLabel>("labState");
            strip->setLinkError(u"messplatz-7.fertigung.werk-nord.example.com"_s, u"6060"_s,
                                u"Connection refused"_s);
            for (int number = 0; number < TargetLink::StateCount; ++number) {
                strip->RefreshLinkState(number);
                QVERIFY2(state->heightForWidth(state->width()) <= state->height(), qPrintable(state->text()));
                QCOMPARE(state->text().section(u'\n', 1).endsWith(u":6060 – Connection refused"_s),
                         number == TargetLink::Failed);
            }
        }
    }

    void startAndExit_data() {
        // Setup.ini in the program folder (with a DefaultCommandSet.cfg beside it) and in the settings
        // folder; what the first start shows: port, name (empty: this computer's), device, connect box,
        // language, tab.
        QTest::addColumn<QByteArray>("templateIni");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("desktop"); // the desktop's locale
        QTest::addColumn<QString>("shown");
        QTest::newRow("first start copies the templates")
            << QByteArray("[SETTINGS]\nPort=7000\nName=plant\nDevice=1\nConnect=0\nLanguage=1\nSelTab=2")
            << QByteArray() << u"de_DE"_s << u"7000|plant|1|0|1|2"_s;
        // A first start speaks the desktop's language (tst_files readSetup has the other desktops).
        QTest::newRow("no files, English desktop")
            << QByteArray() << QByteArray() << u"en_US"_s << u"6060||0|2|1|0"_s;
        QTest::newRow("greyed box, SETUP.INI of any case, English desktop")
            << QByteArray("[SETTINGS]\nPort=1111") << QByteArray("[SETTINGS]\nPort=2222\nConnect=2\nSelTab=3")
            << u"en_US"_s << u"2222||0|1|0|3"_s;
    }

    void startAndExit() {
        QFETCH(QByteArray, templateIni);
        QFETCH(QByteArray, ini);
        QFETCH(QString, desktop);
        QFETCH(QString, shown);
        WindowHarness h({}, {}, false);
        QLocale::setDefault(QLocale(desktop));
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
        QCOMPARE(h.texts({"cmdCommand4", "cmdF4"}), !templateIni.isEmpty() ? u"Four|Four..."_s
                                                    : before[4] == u"1"_s  ? u"[Empty]|[Empty]"_s
                                                                           : u"[Leer]|[Leer]"_s);

        // What the user changes is what the next start shows; a click never greys the box (a greyed one,
        // which counts as ticked, is unticked).
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
        h.close();
        QCOMPARE(QDir(h.folders.settings()).entryList({u"*.ini"_s}, QDir::Files).size(), 1);
        // The configuration is written back (as it was read: tst_quickdial save).
        QVERIFY(!readBytes(h.folders.defaultConfig()).isEmpty());
        h.open();
        QCOMPARE(settings(), changed);
        for (int i = 0; i < 6; ++i)
            QVERIFY2((changed.section(u'|', i, i) == before[i]) == (i == 1 && before[1].isEmpty()),
                     qPrintable(changed));
    }

    void layoutFollowsTheWindow() {
        WindowHarness h({{u"SelTab"_s, u"1"_s}});
        MainWindow& w = *h.window;
        // The designed places, in twips.
        QCOMPARE(h.find<QWidget>("lsvMsg")->geometry(), twipsRect(240, 360, 8715, 2595));
        QCOMPARE(inWindow(h, "cmdQuit"), twipsRect(8400, 6240, 0, 0).topLeft());
        const QHash<QString, QRect> before = places(w);
        const QPoint quit = inWindow(h, "cmdQuit");
        const QPoint state = inWindow(h, "labState");
        // A larger window gives the log and the lists the room; the strip keeps to the bottom, quit to the
        // right.
        const QSize g(240, 160);
        w.resize(DefaultSize + g);
        QTRY_COMPARE_WITH_TIMEOUT(w.size(), DefaultSize + g, Timeout);
        QCOMPARE(h.find<QWidget>("lsvMsg")->size(), before.value(u"lsvMsg/fraReceive"_s).size() + g);
        QCOMPARE(h.find<QWidget>("lstCommands")->size(),
                 before.value(u"lstCommands/fraEditScript"_s).size() + g);
        QCOMPARE(inWindow(h, "cmdQuit"), quit + QPoint(g.width(), g.height()));
        QCOMPARE(inWindow(h, "labState"), state + QPoint(0, g.height()));
        // Back at the default size every widget is where it was.
        w.resize(DefaultSize);
        QTRY_COMPARE_WITH_TIMEOUT(w.size(), DefaultSize, Timeout);
        QCOMPARE(places(w), before);
    }

    void restartKeepsThePlacement_data() {
        QTest::addColumn<QString>("keys");   // stored before the start, key=value
        QTest::addColumn<QString>("action"); // then, before the exit
        QTest::addColumn<QRect>("place");    // after the restart; an empty place: only this size
        QTest::addColumn<bool>("maximized");
        auto row = [](const char* name, const char* keys, const char* action, QRect place, bool maximized) {
            QTest::newRow(name) << QString::fromLatin1(keys) << QString::fromLatin1(action) << place
                                << maximized;
        };
        row("moved and resized", "", "resize", QRect(10, 20, 700, 500), false);
        row("maximised", "", "maximise", QRect(), true);
        row("not numbers", "WindowLeft=x WindowTop=6 WindowWidth=700 WindowHeight=500 WindowMaximized=yes",
            "", QRect(QPoint(), DefaultSize), false);
        row("off every screen", "WindowLeft=-9000 WindowTop=-9000 WindowWidth=700 WindowHeight=500", "",
            QRect(QPoint(), QSize(700, 500)), false);
    }

    void restartKeepsThePlacement() {
        QFETCH(QString, keys);
        QFETCH(QString, action);
        QFETCH(QRect, place);
        QFETCH(bool, maximized);
        WindowHarness h({}, {}, false);
        for (const QString& pair : keys.split(u' ', Qt::SkipEmptyParts))
            h.folders.writeSetup({{pair.section(u'=', 0, 0), pair.section(u'=', 1)}});
        MainWindow* w = &h.open();
        if (action == u"resize")
            w->setGeometry(place);
        else if (action == u"maximise")
            w->showMaximized();
        QTRY_VERIFY_WITH_TIMEOUT(w->isMaximized() == maximized, Timeout);
        if (!action.isEmpty()) {
            h.close();
            w = &h.open();
        }
        QTRY_COMPARE_WITH_TIMEOUT(w->isMaximized(), maximized, Timeout);
        if (!place.isEmpty())
            QCOMPARE(w->size(), place.size());
        if (!place.topLeft().isNull())
            QCOMPARE(w->geometry().topLeft(), place.topLeft());
        else
            QVERIFY(w->geometry().top() > -9000);
    }

    void tabsKeysAndHelp_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        // Each tab is left once and shown once; one stays.
        for (const auto& [from, to] : {std::pair{0, 3}, {1, 1}, {2, 0}, {3, 2}})
            QTest::addRow("%d to %d", from, to) << from << to;
    }

    void tabsKeysAndHelp() {
        QFETCH(int, from);
        QFETCH(int, to);
        WindowHarness h({{u"SelTab"_s, QString::number(from)}}, sampleSlots());
        h.click("cmdHelp");
        auto* notice = h.find<QLabel>("labCommandScriptCompleted");
        notice->show();
        h.window->memory()->toggleFetch();

        // A change hides the notice; one to any tab but the quick-dial tab ends a pending slot mode.
        h.showTab(to);
        QCOMPARE(notice->isHidden(), from != to);
        QCOMPARE(h.window->memory()->FetchPending(), from == to || to == MainWindow::QuickDialTab);
        // F1 acts only on the quick-dial tab once its run buttons are on: the pending fetch shows slot 1 in
        // the editor. Held Shift, Ctrl or Alt change nothing.
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
        // Esc closes it.
        QTest::keyClick(help->browser(), Qt::Key_Escape);
        QVERIFY(!help->isVisible());
    }

    void slotButtons_data() {
        // The mode's button and the answer to a question; the editor's caption; then what shows: the run
        // button, the choice button, the description box, the editor's caption, the choice button's tooltip,
        // the editor's and the slot's first command. A fetch is typing's.
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");
        QTest::newRow("store shows user text as typed")
            << u"cmdSave"_s << u"<b>Production</b>"_s
            << u"<b>Production</b>|<b>Product...|Note|<b>Production</b>|Caption: <b>Production</b>|GM|GM"_s;
        QTest::newRow("delete, Yes") << u"cmdDeleteScript yes"_s << u"other"_s << u"|[Empty]||other||GM|"_s;
        QTest::newRow("delete, No") << u"cmdDeleteScript"_s << u"other"_s
                                    << u"Four|Four...|Note|other|Caption: Four|GM|SM 1"_s;
    }

    void slotButtons() {
        QFETCH(QString, mode);
        QFETCH(QString, caption);
        WindowHarness h({{u"SelTab"_s, u"2"_s}}, sampleSlots());
        h.dialogs.inputAnswers = {u"GM"_s};
        h.click("cmdCreateManualCommand");
        h.find<QLineEdit>("txtLabel")->setText(caption);
        h.find<QPlainTextEdit>("txtNote")->setPlainText(u"Note"_s);
        h.click(mode.section(u' ', 0, 0));

        // The window's timer turns the choice buttons on while the mode is pending (and lets them blink:
        // contrastInLightAndDark).
        auto* choice = h.find<QPushButton>("cmdF4");
        QTRY_VERIFY_WITH_TIMEOUT(choice->isEnabled(), Timeout);
        h.dialogs.questionAnswers = {mode.endsWith(u"yes"_s)};
        h.click("cmdF4");
        QTextDocument toolTip;
        toolTip.setHtml(choice->toolTip());
        const QString rows = h.find<QTreeWidget>("lstCommands")->topLevelItem(0)->text(0) + u'|' +
                             h.window->memory()->slotAt(4).lines.value(0).command;
        QTEST(QString(h.texts({"cmdCommand4", "cmdF4", "txtCommandDescript4", "txtLabel"}) + u'|' +
                      toolTip.toPlainText() + u'|' + rows),
              "shown");
        QTRY_VERIFY_WITH_TIMEOUT(!choice->isEnabled(), Timeout);
        const ScriptedDialogs::Call asked = h.dialogs.calls.last();
        QCOMPARE(asked.kind + u'|' + asked.title + u'|' + asked.text,
                 mode.startsWith(u"cmdDeleteScript"_s)
                     ? u"question|Delete|Do you really want to delete quick dial memory [F4] ?"_s
                     : u"input|Enter command|Please enter a complete command!"_s);
    }

    void configFiles() {
        WindowHarness h({{u"SelTab"_s, u"3"_s}}, sampleSlots());
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
        QVERIFY(h.window->memory()->allSlots() == before &&
                QDir(folder).entryList(QDir::AllEntries) == files);

        // A file that cannot be read, or one without any slot key (picked by mistake), is reported by name,
        // and the slots stay.
        const QString unreadable = folder + u"x.cfg"_s;
        const QString notes = folder + u"notes.txt"_s;
        QVERIFY(QDir().mkpath(unreadable) && writeBytes(notes, "Notes\r\n[SETTINGS]\r\nPort=6060\r\n"));
        h.dialogs.openAnswers = {unreadable, notes, h.folders.root.filePath(u"Other.cfg"_s)};
        h.click("cmdLoadConfig");
        const QString file = u"The configuration file \"%1\" could not "_s.arg(unreadable);
        QCOMPARE(last(), u"Load failed|"_s + file +
                             u"be read: it is not a regular file (a folder, a device or a pipe)"_s);
        h.click("cmdLoadConfig");
        const QString notConfig =
            u"Load failed|The file \"%1\" is not a command configuration file"_s.arg(notes);
        QVERIFY2(last().startsWith(notConfig), qPrintable(last()));
        QVERIFY(h.window->memory()->allSlots() == before);

        // Another file is shown; saved under a name without extension, it is written under that name. A
        // failed save names the file and the reason.
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

        // A DefaultCommandSet.cfg that cannot be read gives empty slots. At exit neither it nor a Setup.ini
        // that cannot be written is replaced, and each is said, with its path and why.
        h.close();
        QVERIFY(QFile::remove(h.folders.defaultConfig()) && QDir().mkpath(h.folders.defaultConfig()));
        h.open();
        QCOMPARE(h.text("cmdCommand2"), u"[Empty]"_s);
        QVERIFY2(
            last().startsWith(u"Load failed|The configuration file \"%1\""_s.arg(h.folders.defaultConfig())),
            qPrintable(last()));
        QVERIFY(QFile::remove(h.folders.setupIni()) && QDir().mkpath(h.folders.setupIni()));
        const qsizetype calls = h.dialogs.calls.size();
        h.close();
        QCOMPARE(h.dialogs.calls.size(), calls + 2);
        const auto& setupFailure = h.dialogs.calls.at(calls);
        QCOMPARE(setupFailure.title, u"Save failed"_s);
        QVERIFY2(setupFailure.text.startsWith(
                     u"The settings file \"%1\" could not be saved: it is not a regular file"_s.arg(
                         h.folders.setupIni())),
                 qPrintable(setupFailure.text));
        QVERIFY(last().startsWith(u"Save failed|"_s) && last().contains(u"DefaultCommandSet.cfg"_s));
        QVERIFY(QFileInfo(h.folders.setupIni()).isDir() && QFileInfo(h.folders.defaultConfig()).isDir());
    }

    void twoWindowsOnOneFolder() {
        WindowHarness h({}, sampleSlots());
        auto second = h.another();
        second->show();
        // The second window says once that it shares the folder; the first was alone when it started.
        auto* notice = second->findChild<QLabel*>(u"labCommandScriptCompleted"_s);
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->text(), u"Another window uses these settings."_s);
        QVERIFY(!h.find<QLabel>("labCommandScriptCompleted")->isVisible());

        // Each changes something else; after both exits the files hold both changes (in either order:
        // tst_files exitSaveKeepsOthersChanges, tst_quickdial exitSaveKeepsOtherWindowsSlots).
        h.window->memory()->storeSlot(1, {u"FROMFILE"_s, u"loaded"_s, {{u"GM"_s, QString()}}});
        h.showTab(2);
        second->findChild<QLineEdit*>(u"txtPort"_s)->setText(u"5001"_s);
        h.close();
        second->close();
        second.reset();
        const SetupSettings after = SetupSettings::read(h.folders.setupIni(), u"host"_s);
        QCOMPARE(after.port, u"5001"_s);
        QCOMPARE(after.selTab, 2);
        const QuickDialSlots saved = loadQuickDialFile(h.folders.defaultConfig());
        QCOMPARE(saved[0].caption, u"FROMFILE"_s);
        QCOMPARE(saved[3].caption, sampleSlots()[3].caption);
        QVERIFY(h.dialogs.calls.isEmpty());
    }

    void editing_data() {
        // The script; the answers to "Enter command", in turn, Cancel after them; the steps: a digit clicks
        // that row, e below the rows, a the "above" box, n manual entry, s the assistant (which gives "S",
        // then "TA"), u, d and x up, down and delete; the rows, the current row, whether it is selected, and
        // whether test, delete, up and down are on.
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("rows");
        const QString abc = u"A=a;B=b;C=c"_s;
        QTest::newRow("into an empty list") << QString() << u"N"_s << u"an"_s << u"N= 0 0 1000"_s;
        QTest::newRow("as typed, or nothing")
            << QString() << u"| S 1  3#<b>x</b> "_s << u"nnnss"_s << u" S 1  3#<b>x</b> =;TA=ta 1 1 1110"_s;
        QTest::newRow("below a fresh script's first")
            << abc << u"N"_s << u"n"_s << u"A=a;N=;B=b;C=c 1 1 1111"_s;
        QTest::newRow("above the first") << abc << u"N"_s << u"0an"_s << u"N=;A=a;B=b;C=c 0 1 1101"_s;
        QTest::newRow("below the last") << abc << u"N"_s << u"2n"_s << u"A=a;B=b;C=c;N= 3 1 1110"_s;
        QTest::newRow("below the current, unselected")
            << abc << u"N"_s << u"1en"_s << u"A=a;B=b;N=;C=c 2 1 1111"_s;
        QTest::newRow("up, with its description") << abc << QString() << u"1u"_s << u"B=b;A=a;C=c 0 1 1101"_s;
        QTest::newRow("down to the bottom") << abc << QString() << u"0dd"_s << u"B=b;C=c;A=a 2 1 1110"_s;
        QTest::newRow("no move unselected") << abc << QString() << u"1eud"_s << abc + u" 1 0 1000"_s;
        QTest::newRow("delete the middle") << abc << QString() << u"1x"_s << u"A=a;C=c 1 1 1110"_s;
        QTest::newRow("delete the last") << abc << QString() << u"2x"_s << u"A=a;B=b 1 1 1110"_s;
        QTest::newRow("delete the only row") << u"A=a"_s << QString() << u"0x"_s << u" -1 0 0000"_s;
    }

    void editing() {
        QFETCH(QString, lines);
        QFETCH(QString, typed);
        QFETCH(QString, steps);
        WindowHarness h({{u"SelTab"_s, u"2"_s}});
        auto* page = h.window->findChild<ScriptEditorPage*>();
        page->setLinkUsable(true);
        page->setScript(script(lines));
        Script fromAssistant = script(u"S=s;TA=ta"_s);
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
        // A command from the assistant takes the focus to the list it went into.
        if (steps.endsWith(u's'))
            QTRY_COMPARE_WITH_TIMEOUT(h.window->focusWidget(), list, Timeout);
        QStringList shown;
        for (const ScriptLine& line : page->script())
            shown << line.command + u'=' + line.description;
        QString state = u" %1 %2 "_s.arg(list->indexOfTopLevelItem(list->currentItem()))
                            .arg(list->currentItem() && list->currentItem()->isSelected());
        for (const char* name : {"cmdCommandTest", "cmdDeleteCommand", "cmdCommandUp", "cmdCommandDown"})
            state += h.find<QPushButton>(name)->isEnabled() ? u'1' : u'0';
        QTEST(QString(shown.join(u';') + state), "rows");
        // Without a usable link there is no test run.
        page->setLinkUsable(false);
        QVERIFY(!h.find<QPushButton>("cmdCommandTest")->isEnabled());
    }

    void typing() {
        QuickDialSlots fromFile{};
        fromFile[0] = {QString(50, u'L'), QString(200, u'n'), script(u"GM"_s)};
        WindowHarness h({{u"SelTab"_s, u"2"_s}}, fromFile);
        auto* label = h.find<QLineEdit>("txtLabel");
        QTest::keyClicks(label, QString(45, u'x'));
        QCOMPARE(label->text(), QString(40, u'x'));

        // The description takes no line break: pasted ones become blanks, CR LF one blank, typed ones
        // nothing. It stops at 128 characters, where the text was put in.
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

    void storeRefusals_data() {
        // The editor's script, caption and description; a command typed after "Save", before the slot is
        // chosen; the refusal's title, a part of its message, the field to fix and the row selected.
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("late");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("no description") << u"GM"_s << QString() << QString() << QString()
                                        << u"Missing description text |description|txtNote|-1"_s;
        QTest::newRow("no caption") << u"GM"_s << QString() << u"n"_s << QString()
                                    << u"Missing caption|caption|txtLabel|-1"_s;
        QTest::newRow("separator") << u"SM 1=start;SP 1=Nr. #3"_s << u"#1"_s << u"#2"_s << QString()
                                   << u"Invalid character|\"#\"|lstCommands|1"_s;
        QTest::newRow("typed after Save") << u"GM"_s << u"L"_s << u"N"_s << u"XC 1 Ω"_s
                                          << u"Invalid character|Windows-1252|lstCommands|1"_s;
    }

    void storeRefusals() {
        QFETCH(QString, lines);
        QFETCH(QString, caption);
        QFETCH(QString, note);
        QFETCH(QString, late);
        QFETCH(QString, refusal);
        WindowHarness h({{u"SelTab"_s, u"2"_s}});
        h.window->findChild<ScriptEditorPage*>()->setScript(script(lines));
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

    void commandLineKeys_data() {
        // Keys in txtSend of device type 1, with a history of two commands: "t:x" types x, "v:x" pastes it,
        // other tokens are keys. Then the bytes on the wire, the text left in txtSend, whether offers are
        // shown and the hint beneath: its command word, or all of it.
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("offered");
        QTest::addColumn<QString>("hint");
        auto row = [](const char* name, const char* keys, const char* sent, const char* text, bool offered,
                      const char* hint) {
            QTest::newRow(name) << QString::fromUtf8(keys) << QByteArray(sent) << QString::fromUtf8(text)
                                << offered << QString::fromUtf8(hint);
        };
        row("Enter sends what is typed", "t:S|Return", "S", "S", false, "");
        row("parameters after a whole word", "t:sp 1", "", "sp 1", false,
            "SP <Device address or the last Ethernet segment: 0 to 255> <Measurement program No.: 0 to 7>");
        row("Down and Enter take an offer", "t:S|Down|Return", "", "SM", false, "SM");
        row("back out of the list", "t:S|Down|Up|Return", "S", "S", false, "");
        row("Tab takes the first", "t:gp|Tab", "", "GP", false, "GP");
        row("offers while typing", "t:gp1", "", "gp1", true, "GP1");
        row("a command of the history", "t:gp |Down|Return", "", "GP 7", false, "GP");
        row("Ctrl+R finds an older one", "t:x|Ctrl+R|Return|Return", "SO 1 x", "SO 1 x", false, "SO");
        row("Ctrl+R again: the next match", "t: |Ctrl+R|Ctrl+R|Return", "", "GP 7", false, "GP");
        row("Esc leaves the search", "t:x|Ctrl+R|Esc|Return", "x", "x", false, "");
        row("Up and Down walk the history", "Up|Up|Down", "", "SO 1 x", false, "SO");
        // A pasted megabyte goes out whole (tst_link send: whole on the wire and in the log).
        QString pasted = u"SO 1 "_s;
        while (pasted.size() < 1024 * 1024)
            pasted += u"0123456789 abcdef\u00e4\u00df-"_s;
        QTest::newRow("any length") << u"v:"_s + pasted + u"|Return"_s << pasted.toLatin1() << pasted << false
                                    << u"SO"_s;
    }
    void commandLineKeys() {
        QFETCH(QString, keys);
        PeerWindow w({}, "GP 7\nSO 1 x\n", 1);
        QVERIFY(w.linked());
        auto* text = w.h.find<QLineEdit>("txtSend");
        text->setFocus();
        for (const QString& key : keys.split(u'|')) {
            if (key.startsWith(u"v:")) {
                QGuiApplication::clipboard()->setText(key.mid(2));
                QTest::keyClick(w.keys(), Qt::Key_V, Qt::ControlModifier);
            } else if (key.startsWith(u"t:"))
                QTest::keyClicks(w.keys(), key.mid(2));
            else
                QTest::keySequence(w.keys(), QKeySequence(key));
        }
        QFETCH(QByteArray, sent);
        QTEST(text->text(), "text");
        QFETCH(QString, hint);
        const QString shown = text->accessibleDescription();
        QCOMPARE(hint.contains(u' ') ? shown : shown.section(u' ', 0, 0), hint);
        QTEST(w.h.window->findChild<QCompleter*>()->popup()->isVisible(), "offered");
        // The wire keeps its order: whatever the keys sent arrives before this end mark.
        QVERIFY(w.h.window->session()->SendCommandLine(u"|end"_s));
        QTRY_COMPARE_WITH_TIMEOUT(w.peer.received, sent + "|end", Timeout);
        // What went out is in the history file at once, before any exit.
        if (!sent.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(readBytes(w.h.folders.settings() + CommandHistory::fileName())
                                         .endsWith(QByteArray("\n" + text->text().toUtf8() + "\n")),
                                     Timeout);
    }

    // A link refused, then the command line, the editor's test run and slot runs, on one window as a user
    // goes on, and a run without a link.
    void withoutALink() {
        PeerWindow p(QString::number(refusingPort()));
        WindowHarness& h = p.h;
        // Refused. The run buttons have never been on (that the F-keys then do nothing: tabsKeysAndHelp).
        h.window->link()->TryConnect();
        QTRY_COMPARE_WITH_TIMEOUT(h.text("labState").section(u'\n', 0, 0),
                                  u"State: Error occured while connecting."_s, Timeout);
        // Where it went and why, in the description a screen reader reads (and below the state's words, a
        // long host name cut: captionsAndLanguages).
        const QString reason = h.window->link()->lastErrorText();
        const QString where = u"127.0.0.1:"_s + h.text("txtPort") + u" \u2013 "_s + reason;
        QCOMPARE(h.find<QLabel>("labState")->accessibleDescription(), where);
        for (int n = 1; n <= QuickDialSlotCount; ++n)
            QVERIFY(!p.enabled(qPrintable(u"cmdCommand%1"_s.arg(n))));

        // Linked, then unticked: closed, the command line off (Enter keeps nothing), the run buttons still
        // on. A run stops at its first command, with a notice that follows the language.
        h.find<QLineEdit>("txtPort")->setText(p.peer.portText());
        QVERIFY(p.linked());
        h.find<QCheckBox>("chkConnect")->setChecked(false);
        h.window->link()->TryConnect();
        QTRY_COMPARE_WITH_TIMEOUT(h.text("labState"), u"State: Port closed."_s, Timeout);
        QVERIFY(!p.enabled("cmdSend"));
        auto* text = h.find<QLineEdit>("txtSend");
        text->setText(u"XX"_s);
        QTest::keyClick(text, Qt::Key_Return);
        h.click("cmdCommand1");
        QCOMPARE(p.strip(), u"001 1 Stopped: command not sent."_s);
        QTest::keyClick(h.find<QComboBox>("cboLanguage"), Qt::Key_Up);
        QCOMPARE(p.strip(), u"001 1 Abbruch: Befehl nicht gesendet."_s);
    }

    void commandLine() {
        PeerWindow p;
        QVERIFY(p.linked());
        WindowHarness& h = p.h;
        auto* text = h.find<QLineEdit>("txtSend");
        MessageLog* log = p.log();
        // The assistant's command, queries offered, goes into the line, to be sent by the user. An empty line
        // cannot be sent, not even with Enter; the newest row is shown; the log empties.
        int offered = 0;
        ModalHandler assistant([&](QWidget* d) {
            offered = d->findChild<QComboBox*>()->count();
            QTest::keyClick(d->findChild<QComboBox*>(), Qt::Key_Return);
        });
        h.click("cmdCreateCommand1");
        QCOMPARE(u"%1 %2 %3"_s.arg(text->text()).arg(log->size()).arg(offered), u"SM 0 0 11"_s);
        QTRY_COMPARE_WITH_TIMEOUT(h.window->focusWidget(), text, Timeout);
        // The editor's is offered none.
        h.showTab(2);
        h.click("cmdCreateCommand2");
        QCOMPARE(offered, 10);
        h.showTab(1);
        text->clear();
        QTest::keyClick(text, Qt::Key_Return);
        QVERIFY(!p.enabled("cmdSend") && !p.enabled("cmdDeleteList"));
        text->setText(u"GM"_s);
        QTest::keyClick(text, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(p.peer.received, QByteArray("GM"), Timeout);
        p.peer.reply("GM: 1\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(log->rowCount(), 2, Timeout);
        QCOMPARE(h.find<QTableView>("lsvMsg")->currentIndex().row(), 1);
        h.click("cmdDeleteList");
        QVERIFY(log->rowCount() == 0 && !p.enabled("cmdDeleteList"));
    }

    void editorTestRun() {
        PeerWindow p;
        QVERIFY(p.linked());
        WindowHarness& h = p.h;
        auto* notice = h.find<QLabel>("labCommandScriptCompleted");
        // The editor's test run shows each command in the command line as it goes out, and its progress with
        // the reply it waits for; a notice from before goes with the first command.
        h.showTab(2);
        h.dialogs.inputAnswers = {u"XC 1 a"_s, u"GM"_s};
        h.click("cmdCreateManualCommand");
        h.click("cmdCreateManualCommand");
        notice->show();
        h.click("cmdCommandTest");
        auto* progress = h.find<QProgressBar>("prgProgress");
        QCOMPARE(h.text("txtSend") + u' ' + p.strip() + progress->text(), u"XC 1 a 110 1 1 / 2"_s);
        QTRY_COMPARE_WITH_TIMEOUT(progress->toolTip(), u"Waiting for the reply to: XC 1 a"_s, Timeout);
        // While it waits no slot operation runs: a fetch asked for stays pending through a choice button, an
        // F-key and a run button, which only takes the notice away.
        h.click("cmdGetCommand");
        h.click("cmdF4");
        h.showTab(3);
        notice->show();
        QTest::keyClick(h.window.get(), Qt::Key_F4);
        h.click("cmdCommand1");
        QCOMPARE(p.strip() + h.text("txtLabel") + QString::number(h.tab()), u"110 1 3"_s);
        QVERIFY(h.window->memory()->FetchPending());
        // With a check on, the last reply is waited for too; the error text in it ends the run, shown whole
        // in the notice's tooltip.
        p.peer.reply("XC: OK\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(p.peer.received.endsWith("GM"), Timeout);
        p.peer.reply("GM: ERROR production mode is not running\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), Timeout);
        QCOMPARE(notice->toolTip(), u"Error reply to \"GM\": GM: ERROR production mode is not running"_s);
        // The log, out of sight during the run, shows its newest row when it is shown.
        h.showTab(1);
        QTRY_COMPARE_WITH_TIMEOUT(h.find<QTableView>("lsvMsg")->currentIndex().row(), 3, Timeout);
    }

    void slotRunsFollowTheChecks() {
        PeerWindow p;
        QVERIFY(p.linked());
        WindowHarness& h = p.h;
        auto checks = [&] {
            return u"%1 %2 %3"_s.arg(h.find<QSpinBox>("cwnReplyTimeout")->value())
                .arg(h.window->runner()->replyTimeout())
                .arg(h.window->runner()->errorText());
        };
        QCOMPARE(checks(), u"60 60000 ERROR"_s);
        // The checks follow the settings tab. A run whose replies come at once ends showing its last command.
        h.find<QLineEdit>("txtErrorText")->setText(u"not running"_s);
        h.find<QSpinBox>("cwnReplyTimeout")->setValue(30);
        QCOMPARE(checks(), u"30 30000 not running"_s);
        h.showTab(3);
        h.click("cmdCommand1");
        h.window->session()->receive("SM 1: OK\r\n");
        h.window->session()->receive("GM: 1\r\n");
        QCOMPARE(h.text("txtSend") + u' ' + p.strip(), u"GM 001 4 Command script processed, 2 commands."_s);

        // Quitting while a run waits runs the exit as ever, with no question: the tab and the checks (a
        // character the validator refuses never gets in) are kept. A late reply finds no window.
        h.click("cmdCommand1");
        QCOMPARE(p.strip().left(3), u"110"_s);
        h.find<QLineEdit>("txtErrorText")->insert(u"\u2713"_s);
        const qsizetype asked = h.dialogs.calls.size();
        h.click("cmdQuit");
        QVERIFY(!h.window->isVisible());
        h.close();
        const SetupSettings saved = SetupSettings::read(h.folders.setupIni(), QString());
        QCOMPARE(u"%1 %2 %3"_s.arg(saved.selTab).arg(saved.replyTimeout).arg(saved.errorText),
                 u"3 30 not running"_s);
        QCOMPARE(h.dialogs.calls.size(), asked);
        p.peer.reply("SM 1: OK\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(!p.peer.connected(), Timeout);
    }

    void errorReplyCutAfterTheColon() {
        // With the error text set, a reply the network cuts right after its colon still stops the run at
        // the error: the notice says so, the row is marked, and the notice opens the run's report.
        Devsim simulator({u"--cut-after-colon"_s, u"--split-pause"_s, u"100"_s});
        QuickDialSlots quickDial;
        quickDial[0] = {u"Two"_s, {}, script(u"SP 1 3;GM"_s)};
        WindowHarness h({{u"Connect"_s, u"1"_s},
                         {u"SelTab"_s, u"3"_s},
                         {u"Name"_s, u"127.0.0.1"_s},
                         {u"Port"_s, QString::number(simulator.port())},
                         {u"ErrorText"_s, u"ERROR"_s}},
                        quickDial);
        QTRY_VERIFY_WITH_TIMEOUT(h.find<QWidget>("cmdCommand1")->isEnabled(), Timeout);
        QTest::keyClick(h.window.get(), Qt::Key_F1);
        auto* notice = h.find<QLabel>("labCommandScriptCompleted");
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), Timeout);
        QCOMPARE(notice->accessibleName(),
                 u"Error reply to \"SP 1 3\": SP: ERROR production mode is not running"_s);
        // The rows reach the view with the next frame.
        QTRY_COMPARE_WITH_TIMEOUT(boldRows(h), u"--b"_s, Timeout); // SP 1 3, "SP:", " ERROR ..."

        // The report opens from the notice by keyboard: each command's verdict, readable on the table.
        const QString saved = h.folders.settings() + u"report.csv"_s;
        h.dialogs.saveAnswers = {saved};
        QStringList shown;
        ModalHandler report([&](QWidget* dialog) {
            auto* table = dialog->findChild<QTableWidget*>(u"tblRunReport"_s);
            for (int row = 0; row < table->rowCount(); ++row) {
                QTableWidgetItem* verdict = table->item(row, RunReportDialog::VerdictColumn);
                shown << table->item(row, RunReportDialog::CommandColumn)->text() + u' ' + verdict->text() +
                             u' ' + table->item(row, RunReportDialog::ReplyColumn)->text();
                QVERIFY(contrast(verdict->foreground().color(), table->palette().color(QPalette::Base)) >=
                        4.5);
            }
            QTest::mouseClick(dialog->findChild<QPushButton*>(u"cmdSaveReport"_s), Qt::LeftButton);
            dialog->close();
        });
        notice->setFocus();
        QTest::keyClick(notice, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(report.opened, 1, Timeout);
        QCOMPARE(shown, QStringList({u"SP 1 3 error reply SP: ERROR production mode is not running\\r\\n"_s,
                                     u"GM not sent "_s}));
        // The reply whole, its line end in the quotes.
        const QByteArray csv = readBytes(saved);
        QVERIFY2(
            csv.startsWith("number,command,verdict,latency_ms,sent_utc,reply\r\n1,SP 1 3,error_reply,") &&
                csv.endsWith(",\"SP: ERROR production mode is not running\r\n\"\r\n2,GM,not_sent,,,\r\n"),
            csv.constData());
    }

    void followingHoldsOrTakesTheSelection_data() {
        QTest::addColumn<QStringList>(
            "actions"); // the menu's Follow, the scroll bar paged up or to its end, keys
        QTest::addColumn<bool>("follows");
        QTest::newRow("off from the menu") << QStringList{u"menu"_s} << false;
        QTest::newRow("on again from the menu") << QStringList{u"menu"_s, u"menu"_s} << true;
        // Only the toggle stops it: a new row is selected and shown whatever the user looked at.
        QTest::newRow("scrolled up, an older row picked and clicked")
            << QStringList{u"bar up"_s, u"Up"_s, u"click"_s} << true;
        QTest::newRow("all rows selected") << QStringList{u"Ctrl+A"_s} << false;
    }

    void followingHoldsOrTakesTheSelection() {
        QFETCH(QStringList, actions);
        QFETCH(bool, follows);
        WindowHarness h({{u"SelTab"_s, u"1"_s}});
        MainWindow& w = *h.window;
        auto* view = h.find<QTableView>("lsvMsg");
        view->setFocus();
        QScrollBar* bar = view->verticalScrollBar();
        MessageLog* log = w.session()->log();
        for (int i = 0; i < 200; ++i)
            w.session()->receive("reply " + QByteArray::number(i));
        QTRY_COMPARE_WITH_TIMEOUT(log->rowCount(), 200, Timeout);
        for (const QString& action : actions) {
            if (action == u"menu")
                w.findChild<QAction*>(u"actFollow"_s)->trigger();
            else if (action == u"click")
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                                  view->visualRect(view->model()->index(view->rowAt(5), 1)).center());
            else if (action.startsWith(u"bar "))
                bar->triggerAction(action == u"bar up" ? QAbstractSlider::SliderPageStepSub
                                                       : QAbstractSlider::SliderToMaximum);
            else
                QTest::keySequence(view, QKeySequence(action));
        }
        const int current = view->currentIndex().row();
        const int scrolled = bar->value();
        const qsizetype selected = view->selectionModel()->selectedRows().size();
        for (int i = 0; i < 50; ++i)
            w.session()->receive("more " + QByteArray::number(i));
        QTRY_COMPARE_WITH_TIMEOUT(log->rowCount(), 250, Timeout);
        QCOMPARE(w.findChild<QAction*>(u"actFollow"_s)->isChecked(), follows);
        QCOMPARE(view->currentIndex().row(), follows ? 249 : current);
        QCOMPARE(view->selectionModel()->selectedRows().size(), follows ? 1 : selected);
        QCOMPARE(bar->value(), follows ? bar->maximum() : scrolled);
        QVERIFY(follows || scrolled < bar->maximum());
    }

    void findBarWalksTheMatches_data() {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QString>("keys");    // n: Enter, p: Shift+Enter
        QTest::addColumn<QList<int>>("rows"); // the current row after typing and after each key
        QTest::addColumn<QString>("result");  // after the last key
        // From the newest row on, round the end, then back round the start.
        QTest::newRow("both ways round")
            << "gp" << false << "nnp" << QList<int>{2, 3, 2, 3} << "2 of 2, wrapped round";
        QTest::newRow("match case") << "GP" << true << "np" << QList<int>{2, 2, 2} << "1 of 1, wrapped round";
        QTest::newRow("not found") << "XYZ" << false << "n" << QList<int>{4, 4} << "Not found";
    }

    void findBarWalksTheMatches() {
        QFETCH(QString, needle);
        QFETCH(bool, matchCase);
        QFETCH(QString, keys);
        QFETCH(QList<int>, rows);
        WindowHarness h({{u"SelTab"_s, u"1"_s}});
        for (const char* reply : {"SM 1", "SM: OK\r\n", "GP", "gp: 3", "SP: ERROR"})
            h.window->session()->receive(reply);
        auto* view = h.find<QTableView>("lsvMsg");
        QTRY_COMPARE_WITH_TIMEOUT(view->currentIndex().row(), 4, Timeout);
        auto* find = h.find<QLineEdit>("txtFind");
        QVERIFY(!find->isVisible());
        h.find<QLineEdit>("txtSend")->setFocus();
        QTest::keyClick(h.find<QLineEdit>("txtSend"), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(find->isVisible() && find->hasFocus());
        h.find<QAbstractButton>("chkMatchCase")->setChecked(matchCase);
        QTest::keyClicks(find, needle);
        auto* result = h.find<QLabel>("labFindResult");
        // Counted on a worker: the label says when it is done.
        QTRY_VERIFY_WITH_TIMEOUT(result->text() != GetText(TextId::FindCounting), Timeout);
        QCOMPARE(view->currentIndex().row(), rows.at(0));
        for (qsizetype i = 0; i < keys.size(); ++i) {
            QTest::keyClick(find, Qt::Key_Return, keys.at(i) == u'p' ? Qt::ShiftModifier : Qt::NoModifier);
            QCOMPARE(view->currentIndex().row(), rows.at(i + 1));
        }
        QTEST(result->text(), "result");
        auto* delegate = qobject_cast<LogItemDelegate*>(view->itemDelegate());
        QVERIFY(!delegate->mark().isEmpty());
        // A match holds the view there (it starts from the newest row, 4); Escape closes the bar and takes
        // the marks away.
        QCOMPARE(h.window->findChild<QAction*>(u"actFollow"_s)->isChecked(), rows.at(0) == 4);
        QTest::keyClick(find, Qt::Key_Escape);
        QVERIFY(!find->isVisible() && delegate->mark().isEmpty());
    }

    // The log as a tool, on one window: the capture, the filter, a log file opened, copy, the detail view and
    // saving.
    void captureInTheWindow() {
        WindowHarness h({{u"CaptureLog"_s, u"1"_s}, {u"CaptureFileMB"_s, u"5"_s}});
        // The capture on the settings page and in the strip, on from the start: it says where to and the rows
        // reach the file; a folder that cannot be written is said in both places; another folder is chosen
        // with the folder dialog; the exit keeps it.
        LogCapture* capture = h.window->capture();
        QTRY_VERIFY_WITH_TIMEOUT(capture->status().file.startsWith(h.folders.settings() + u"logs/telvane_"_s),
                                 Timeout);
        QVERIFY(h.text("labCaptureState").startsWith(u"Capturing to "_s));
        QVERIFY(h.find<QLabel>("labCapture")->isVisible());
        h.window->session()->SendCommandLine(u"SM 1"_s);
        QTRY_VERIFY_WITH_TIMEOUT(readBytes(capture->status().file).contains("\"text\":\"SM 1\""), Timeout);

        QVERIFY(writeBytes(h.folders.settings() + u"file"_s, "x"));
        h.dialogs.folderAnswers = {h.folders.settings() + u"file/logs"_s};
        h.click("cmdCaptureFolder");
        QTRY_COMPARE_WITH_TIMEOUT(capture->status().state, LogCapture::State::Failed, Timeout);
        QVERIFY2(h.text("labCaptureState").startsWith(u"Capture stopped: "_s),
                 qPrintable(h.text("labCaptureState")));
        QCOMPARE(h.text("labCapture"), u"Capture failed"_s);
        QVERIFY(h.find<QLabel>("labCapture")->isVisible());
        QTest::keyClick(h.find<QComboBox>("cboLanguage"), Qt::Key_Up);
        QCOMPARE(h.text("labCapture"), u"Mitschnitt gestört"_s);
        QVERIFY(h.text("labCaptureState").startsWith(u"Mitschnitt angehalten: "_s));
        QCOMPARE(captionsThatDoNotFit(*h.window), QStringList());
        QTest::keyClick(h.find<QComboBox>("cboLanguage"), Qt::Key_Down);

        const QString folder = h.folders.root.filePath(u"other"_s);
        h.dialogs.folderAnswers = {folder};
        h.click("cmdCaptureFolder");
        QTRY_VERIFY_WITH_TIMEOUT(capture->status().file.startsWith(folder + u"/telvane_"_s), Timeout);
        QCOMPARE(h.text("txtCaptureFolder"), folder);

        // Off: the strip has nothing to say; the exit keeps the choice.
        h.find<QCheckBox>("chkCaptureLog")->click();
        QCOMPARE(capture->status().state, LogCapture::State::Off);
        QVERIFY(!h.find<QLabel>("labCapture")->isVisible());
        QCOMPARE(h.text("labCaptureState"), u"Capture off."_s);
        h.close();
        const SetupSettings saved = SetupSettings::read(h.folders.setupIni(), QString());
        QCOMPARE(
            u"%1 %2 %3"_s.arg(int(saved.captureEnabled)).arg(saved.captureFileMb).arg(saved.captureFolder),
            u"0 5 "_s + folder);
    }

    void filterShowsTheMatchingRows() {
        WindowHarness h({{u"SelTab"_s, u"1"_s}});
        MainWindow& w = *h.window;
        // Ctrl+Shift+F filters the log to the matching rows, new ones as they come.
        auto* view = h.find<QTableView>("lsvMsg");
        QAbstractItemModelTester tester(view->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const char* reply : {"SM: OK", "GM: 1", "SM: ERROR 2", "GM: 2"})
            w.session()->receive(reply);
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(), 4, Timeout);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        auto* filter = w.findChild<QLineEdit*>(u"txtFilter"_s);
        QVERIFY(filter && filter->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(filter->hasFocus(), Timeout);
        QTest::keyClicks(filter, u"gm"_s);
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(), 2, Timeout);
        // A row that matches shows at once, followed; one that does not stays hidden.
        w.session()->receive("GM: 3");
        w.session()->receive("SM: OK");
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(), 3, Timeout);
        QCOMPARE(view->model()->index(2, MessageLog::ParameterColumn).data().toString(), u"GM: 3"_s);
        QCOMPARE(view->currentIndex().row(), 2);
        QCOMPARE(w.findChild<QLabel*>(u"labFilterStatus"_s)->text(), u"3 of 6 rows shown"_s);
        QCOMPARE(h.find<QGroupBox>("fraReceive")->title(), u"Receive (filtered)"_s);
        // Copy offers the shown rows or all of them.
        w.findChild<QAction*>(u"actCopyShownRows"_s)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text().count(u'\n'), 2);
        w.findChild<QAction*>(u"actCopyAllRows"_s)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text().count(u'\n'), 5);
        // Error replies are those holding the settings' error text.
        h.find<QLineEdit>("txtErrorText")->setText(u"ERROR"_s);
        filter->clear();
        w.findChild<QCheckBox*>(u"chkFilterErrorReplies"_s)->setChecked(true);
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(), 1, Timeout);
        QCOMPARE(view->model()->index(0, MessageLog::ParameterColumn).data().toString(), u"SM: ERROR 2"_s);
        h.click("cmdFilterClear");
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(), 6, Timeout);
        QCOMPARE(h.find<QGroupBox>("fraReceive")->title(), u"Receive"_s);
    }

    // A capture opened from the live log's menu (Ctrl+O) comes into a read-only window of its own, in the
    // background, with the log's find; a file that is not a log is named with its line that failed, and
    // leaves no window and the live log as it was.
    void logFileOpensInAWindowOfItsOwn() {
        WindowHarness h({{u"SelTab"_s, u"1"_s}});
        MainWindow& w = *h.window;
        MessageLog saved;
        const QDateTime start(QDate(2026, 12, 7), QTime(13, 5, 9, 7), Qt::UTC);
        for (int i = 0; i < 3 * LogReader::BatchRows; ++i)
            saved.append(MessageLog::Direction::Get, start.addMSecs(i),
                         QByteArray("GP: " + QByteArray::number(i)));
        const QString path = h.folders.root.filePath(u"capture.jsonl"_s);
        QVERIFY(LogExport::save(saved, path, LogExport::Format::JsonLines));

        w.session()->receive("SM: OK");
        auto* view = h.find<QTableView>("lsvMsg");
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(), 1, Timeout);

        h.dialogs.openAnswers = {path};
        view->setFocus();
        QTest::keyClick(view, Qt::Key_O, Qt::ControlModifier);
        auto* file = w.findChild<LogFileWindow*>();
        QVERIFY(file && file->isVisible());
        QSignalSpy loaded(file, &LogFileWindow::loaded);
        QVERIFY(loaded.wait(Timeout));
        QCOMPARE(file->log()->rowCount(), saved.size());
        QCOMPARE(file->findChild<QLabel*>(u"labLogFile"_s)->text(),
                 filledText(TextId::LogFileLoaded, {QLocale().toString(saved.size())}));
        auto* fileView = file->findChild<QTableView*>(u"lsvLogFile"_s);
        auto* find = file->findChild<QLineEdit*>(u"txtFind"_s);
        file->activateWindow();
        fileView->setFocus();
        QTest::keyClick(fileView, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(find->isVisible());
        QTest::keyClicks(find, u"GP: 4711"_s);
        QTRY_COMPARE_WITH_TIMEOUT(fileView->currentIndex().row(), 4711, Timeout); // found on a worker
        QVERIFY(!file->findChild<QAction*>(u"actClearLog"_s)->isVisible());
        file->close();
        QTRY_VERIFY_WITH_TIMEOUT(!w.findChild<LogFileWindow*>(), Timeout);

        const QString other = h.folders.root.filePath(u"other.txt"_s);
        QVERIFY(writeBytes(other, "[SETTINGS]\r\nPort=1\r\n"));
        h.dialogs.openAnswers = {other};
        w.findChild<QAction*>(u"actOpenLogFile"_s)->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(h.dialogs.calls.last().kind, u"warning"_s, Timeout);
        QCOMPARE(h.dialogs.calls.last().text,
                 u"\"%1\" is not a log of this program: line 1 is neither JSON Lines nor a log's CSV."_s.arg(
                     other));
        QTRY_VERIFY_WITH_TIMEOUT(!w.findChild<LogFileWindow*>(), Timeout);
        QCOMPARE(w.session()->log()->size(), 1);
    }

    void copyDetailAndSave() {
        WindowHarness h({{u"SelTab"_s, u"1"_s}});
        MainWindow& w = *h.window;
        static FixedClock clock; // outlives the window, whose exit may still log
        clock.at = QDateTime(QDate(2024, 3, 31), QTime(23, 59, 59, 500), Qt::UTC);
        w.session()->setClock(&clock);
        QVERIFY(!w.session()->SendCommandLine(u"SM 1"_s)); // no link: logged, not sent
        w.session()->receive("SM: OK\r\n\x01");
        auto* view = h.find<QTableView>("lsvMsg");
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(), 2, Timeout);
        const QString reason = GetText(TextId::NotSentNoConnection);

        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 u"23:59:59:500\tSet\tSM 1\n23:59:59:500\tGet\tSM: OK\\r\\n\\x01"_s);

        // The detail view: the text with its line break, the bytes in hex, the reason of a failed send.
        for (const int row : {1, 0}) {
            view->setCurrentIndex(view->model()->index(row, 0));
            QTest::keyClick(view, Qt::Key_Return);
            QWidget* detail = w.findChild<QWidget*>(u"frmLogRow"_s);
            QVERIFY(detail && detail->isVisible());
            const QString text = detail->findChild<QPlainTextEdit*>(u"txtLogRowText"_s)->toPlainText();
            const QString hex = detail->findChild<QPlainTextEdit*>(u"txtLogRowHex"_s)->toPlainText();
            const QString summary = detail->findChild<QLabel*>(u"labLogRowSummary"_s)->text();
            QCOMPARE(text, row ? u"SM: OK\n\\x01"_s : u"SM 1"_s);
            QVERIFY(hex.startsWith(row ? u"00000000  53 4D 3A 20 4F 4B 0D 0A  01"_s
                                       : u"00000000  53 4D 20 31"_s));
            QCOMPARE(summary.contains(reason), row == 0);
            detail->close();
            QTRY_VERIFY_WITH_TIMEOUT(!w.findChild<QWidget*>(u"frmLogRow"_s), Timeout);
        }

        // Saved whole; a file that cannot be written says where and why.
        // The type chosen in the dialog decides the format and gives a name without one its suffix.
        const QString csv = h.folders.settings() + u"log.csv"_s;
        const QString jsonl = h.folders.settings() + u"log"_s;
        h.dialogs.saveAnswers = {csv, jsonl, h.folders.settings()};
        h.dialogs.saveTypeAnswers = {0, 1, 0};
        QAction* save = w.findChild<QAction*>(u"actSaveLog"_s);
        save->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(readBytes(csv).endsWith(",Get,SM: OK\\r\\n\\x01,,,\r\n"), Timeout);
        save->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(readBytes(jsonl + u".jsonl"_s).contains("\"text\":\"SM: OK\\r\\n\\u0001\""),
                                 Timeout);
        save->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(h.dialogs.calls.last().kind, u"warning"_s, Timeout);
        QVERIFY(h.dialogs.calls.last().text.contains(QDir::toNativeSeparators(h.folders.settings())));

        // The latency column is there on request only.
        QVERIFY(view->isColumnHidden(MessageLog::LatencyColumn));
        w.findChild<QAction*>(u"actLatency"_s)->trigger();
        QVERIFY(!view->isColumnHidden(MessageLog::LatencyColumn));
        // It and the follow toggle (as the user chose it: select all turned it off, not the user) are kept
        // across starts.
        QAction* follow = w.findChild<QAction*>(u"actFollow"_s);
        QVERIFY(!follow->isChecked());
        follow->trigger();
        follow->trigger();
        h.close();
        h.open();
        QVERIFY(!h.find<QTableView>("lsvMsg")->isColumnHidden(MessageLog::LatencyColumn));
        QVERIFY(!h.window->findChild<QAction*>(u"actFollow"_s)->isChecked());
    }

    void assistant_data() {
        // Opened with a device type, with queries or not, on a Command key; then closed by Enter on a command
        // without parameters, Cancel or the close box, or given values page by page after Enter on the stored
        // entry. The result: the entries, the one selected, the page and the command word shown at opening
        // (focus in the list); the last page's hint and button; the command and the description built.
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("result");
        QTest::newRow("type 1 with queries, accepted")
            << u"1 1 19"_s << u"enter"_s << u"34 19 1 SRA|GM|Zustand des Messbetriebs abfragen (GM)"_s;
        QTest::newRow("type 1, cancelled") << u"1 0 18"_s << u"cancel"_s << u"20 18 1 SBA||"_s;
        QTest::newRow("type 0 with queries, not a number")
            << u"0 1 abc"_s << u"close"_s << u"11 0 1 SM 0||"_s;
        QTest::newRow("type 0, one past the last") << u"0 0 10"_s << u"cancel"_s << u"10 0 1 SM 0||"_s;
        QTest::newRow("two numbers, the entry picked again")
            << u"0 0 3"_s << u"9|=|3|5"_s
            << u"10 3 1 SP|Möglicher Wertebereich: 0 bis 31|Übernehmen|SP 3 5|Messprogramm einstellen (SP)"_s;
        QTest::newRow("negative minimum")
            << u"1 0 15"_s << u"-1"_s
            << u"20 15 1 SNA|Möglicher Wertebereich: -1 bis 2147483646|Übernehmen|SNA -1|"
               u"Gerätegruppe: Teile-Seriennummer einstellen (SNA)"_s;
        // Another pick starts over; a character outside the restricted set leaves the field as it was.
        QTest::newRow("restricted text after another pick")
            << u"0 0 3"_s << u"3|^|12|Ab-_ ä,.{@ß9"_s + QString(70, u'x')
            << u"10 3 1 SP|Maximale Textlänge: 63 Zeichen|Übernehmen|CA 12 Ab-_ 9"_s + QString(57, u'x') +
                   u"|Chargenbezeichnung einstellen (CA)"_s;
    }

    void assistant() {
        QFETCH(QString, opened);
        QFETCH(QString, steps);
        const QStringList setup = opened.split(u' ');
        Assistant a;
        QComboBox* list = a.open(setup[0].toInt(), setup[1] == u"1"_s, setup[2]);
        QStringList shown{
            u"%1 %2 %3 "_s.arg(list->count()).arg(list->currentIndex()).arg(a.dialog->currentPage()) +
            a.child<QLabel>("labSelCommand")->text()};
        QCOMPARE(a.dialog->focusWidget(), list);
        if (QStringList{u"enter"_s, u"cancel"_s, u"close"_s}.contains(steps)) {
            // Every way of closing remembers the entry selected last.
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(a.storedKey(), setup[2]);
            if (steps == u"enter"_s)
                QTest::keyClick(list, Qt::Key_Return);
            else if (steps == u"cancel"_s)
                QTest::mouseClick(a.child<QPushButton>("cmdCancel"), Qt::LeftButton);
            else
                a.dialog->close();
            QVERIFY(!a.dialog->isVisible());
            QCOMPARE(a.storedKey(), QString::number(list->currentIndex()));
        } else {
            QTest::keyClick(list, Qt::Key_Return);
            // Help shows the assistant's topic, owned by the dialog, and leaves the page as it is.
            QTest::mouseClick(a.child<QPushButton>("cmdHelp"), Qt::LeftButton);
            QCOMPARE(a.help + QString::number(a.dialog->currentPage()), u"frmAssistant18002"_s);
            QString said;
            for (const QString& value : steps.split(u'|'))
                said = a.enter(value);
            shown << said;
        }
        // No warning on the way (an empty value's is assistantFileDialog's).
        QCOMPARE(a.dialogs.calls.size(), 0);
        shown << a.dialog->assistantResult().command << a.dialog->assistantResult().description;
        QTEST(shown.join(u'|'), "result");
    }

    void assistantFileDialog() {
        Assistant a;
        QTest::keyClick(a.open(0, false, u"6"_s), Qt::Key_Return);
        const QString filter = GetText(TextId::AssistantFileFilter);
        QCOMPARE(qtFileFilter(filter), u"Backupdateien (*.txt);;Geräteliste Dateien (*.inf)"_s);
        QCOMPARE(qtFileFilter(u"Backup file|*.txt;*.inf"_s), u"Backup file (*.txt *.inf)"_s);
        const QStringList files{a.folders.settings() + u"backup.txt"_s, a.folders.program() + u"list.inf"_s};
        QVERIFY(writeBytes(files[0], "x") && writeBytes(files[1], "x"));
        a.enter(u"0"_s);
        auto* text = a.child<QLineEdit>("txtText");
        QCOMPARE(text->maxLength(), 256);

        // Cancelled: a path typed before is gone, and the empty field is refused. The dialog opens in the
        // program folder, then where the last file was chosen.
        QTest::keyClicks(text, u"/typed/by/hand.txt"_s);
        a.dialogs.openAnswers = {std::nullopt, files[0], files[1]};
        QTest::mouseClick(a.child<QPushButton>("cmdSelectPath"), Qt::LeftButton);
        QCOMPARE(text->text(), QString());
        QTest::keyClick(text, Qt::Key_Return);
        QTest::mouseClick(a.child<QPushButton>("cmdSelectPath"), Qt::LeftButton);
        QCOMPARE(text->text(), files[0]);
        QTest::mouseClick(a.child<QPushButton>("cmdSelectPath"), Qt::LeftButton);
        QStringList told;
        for (const ScriptedDialogs::Call& call : a.dialogs.calls)
            told << call.title + u'|' + call.text;
        const QString select = u"Backupdatei wählen...|"_s;
        QCOMPARE(told,
                 (QStringList{
                     select + a.folders.program() + u'|' + filter,
                     u"Parameterfehler|Sie haben den Parameter ' kompletter Dateipfad ' nicht eingeben!"_s,
                     select + a.folders.program() + u'|' + filter,
                     select + a.folders.settings() + u'|' + filter}));
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(a.dialog->assistantResult().command, u"UF 0 "_s + files[1]);
    }

    void everyControlHasATrueName_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("German") << 0;
        QTest::newRow("English") << 1;
    }

    void everyControlHasATrueName() {
        QFETCH(int, language);
        WindowHarness h({{u"Language"_s, QString::number(language)}, {u"SelTab"_s, u"1"_s}}, sampleSlots());
        MainWindow& w = *h.window;
        w.session()->receive("SM: OK\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(w.session()->log()->rowCount(), 1, Timeout);
        // The find bar open with a text, so that its clear button shows; a run under way, so that its
        // progress and cancel button show.
        QTest::keyClick(h.find<QLineEdit>("txtSend"), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(h.find<QLineEdit>("txtFind"), u"SM"_s);
        h.find<StatusStrip>("statusStrip")->runStarted(3);
        QStringList faults;
        for (int tab = 0; tab < 4; ++tab) {
            h.showTab(tab);
            faults << namingFaults(&w);
        }
        auto* view = h.find<QTableView>("lsvMsg");
        view->setCurrentIndex(view->model()->index(0, 0));
        QTest::keyClick(view, Qt::Key_Return);
        faults << namingFaults(w.findChild<QWidget*>(u"frmLogRow"_s));
        ScriptViewer viewer(&w);
        viewer.setScript(sampleSlots()[0].lines);
        viewer.show();
        faults << namingFaults(&viewer);
        ShowHelpTopic(&w, HelpTopics::QuickDial);
        faults << namingFaults(currentHelpWindow());
        // The assistant on its command page, a number's page and a text's page.
        Assistant a;
        for (const char* entry : {"3", "7"}) {
            QComboBox* list = a.open(0, false, QLatin1String(entry), language);
            faults << namingFaults(a.dialog.get());
            QTest::keyClick(list, Qt::Key_Return);
            faults << namingFaults(a.dialog.get());
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));

        // A slot button says its key; a drop-down list says what it is for, and its row as its value.
        auto name = [&](const char* widget, QAccessible::Text text = QAccessible::Name) {
            return QAccessible::queryAccessibleInterface(h.find<QWidget>(widget))->text(text);
        };
        QCOMPARE(name("cmdCommand4"), u"F4: Four"_s);
        QCOMPARE(name("cmdF4") + u'|' + name("cmdF4", QAccessible::Description),
                 language ? u"F4: Four...|Caption: Four"_s : u"F4: Four...|Bezeichnung: Four"_s);
        QCOMPARE(name("cboDevice") + u'|' + name("cboDevice", QAccessible::Value),
                 GetText(TextId::DeviceTypeName) + u'|' + GetText(TextId::DeviceType0));
        QCOMPARE(name("txtPort"), GetText(TextId::PortLabel));
    }

    void tabGoesRoundEachTab() {
        WindowHarness h({}, sampleSlots());
        MainWindow& w = *h.window;
        // Everything enabled that can be: a usable link, rows in the log and the editor, a command typed.
        for (const char* reply : {"SM: OK", "GM: 1", "GM: 2"})
            w.session()->receive(reply);
        QTRY_COMPARE_WITH_TIMEOUT(w.session()->log()->rowCount(), 3, Timeout);
        w.findChild<CommandLinePage*>()->setLinkUsable(true);
        h.find<QLineEdit>("txtSend")->setText(u"GM"_s);
        auto* editor = w.findChild<ScriptEditorPage*>();
        editor->setScript(script(u"A=a;B=b"_s));
        editor->setLinkUsable(true);
        w.findChild<QuickDialPage*>()->setLinkUsable(true);
        QString slotChain;
        for (int n = 1; n <= 8; ++n)
            slotChain += u"cmdCommand%1 txtCommandDescript%1 "_s.arg(n);
        // Each tab's chain from the tab strip on, to the strip's own buttons: the settings; the command line
        // with the log's rows; the editor, its test after the description; the quick dial.
        const QStringList chains{
            u"cboDevice txtPort txtPcName cmdThisSystem chkConnect cboLanguage "
            "cwnReplyTimeout txtErrorText chkCaptureLog txtCaptureFolder "
            "cmdCaptureFolder cwnCaptureFileMb cwnCaptureFiles"_s,
            u"cmdCreateCommand1 txtSend cmdSend lsvMsg cmdDeleteList"_s,
            u"cmdCreateCommand2 cmdCreateManualCommand chkAbove lstCommands txtLabel txtNote "
            "cmdCommandTest cmdSave cmdGetCommand cmdDeleteScript"_s,
            slotChain + u"cmdLoadConfig cmdSaveConfig"_s};
        QTabBar* bar = h.find<QTabWidget>("SSTab1")->tabBar();
        for (int tab = 0; tab < 4; ++tab) {
            h.showTab(tab);
            bar->setFocus(Qt::TabFocusReason);
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), bar, Timeout);
            const QString chain = chains[tab] + u" cmdHelp cmdQuit"_s;
            QCOMPARE(tabWalk(true).join(u' '), chain);
            QStringList back = chain.split(u' ');
            std::reverse(back.begin(), back.end());
            QCOMPARE(tabWalk(false).join(u' '), back.join(u' '));
        }
        // Ctrl+Tab in the log goes on to the next tab, as it does everywhere in the window.
        h.showTab(1);
        h.find<QWidget>("lsvMsg")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(h.find<QWidget>("lsvMsg"), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(h.tab(), 2);
    }

    void contrastInLightAndDark_data() {
        // The palette the window opens with; the one the desktop then switches to, which is checked.
        QTest::addColumn<QPalette>("opening");
        QTest::addColumn<QPalette>("palette");
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(u"Fusion"_s));
        QTest::newRow("Fusion, after a dark one") << darkPalette() << fusion->standardPalette();
        QTest::newRow("dark, after Fusion") << fusion->standardPalette() << darkPalette();
    }

    void contrastInLightAndDark() {
        QFETCH(QPalette, opening);
        QFETCH(QPalette, palette);
        const QPalette before = QApplication::palette();
        QApplication::setPalette(opening);
        const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
        WindowHarness h({{u"SelTab"_s, u"1"_s}, {u"ErrorText"_s, u"ERROR"_s}}, sampleSlots());
        MainWindow& w = *h.window;
        QStringList low;
        auto check = [&](const QString& what, const QColor& text, const QColor& background) {
            if (const double ratio = contrast(text, background); ratio < 4.5)
                low << u"%1: %2 on %3, %4:1"_s.arg(what, text.name(), background.name())
                           .arg(ratio, 0, 'f', 2);
        };
        auto onWindow = [&](const QString& name) {
            const QPalette& p = h.find<QWidget>(name.section(u' ', 0, 0))->palette();
            check(name, p.color(QPalette::WindowText), p.color(QPalette::Window));
        };
        auto* strip = h.find<StatusStrip>("statusStrip");
        strip->runFinished(RunReport{RunReport::Outcome::Completed, 2, 2, {}, {}, 0, {}});
        // The texts shown follow the switch.
        QApplication::setPalette(palette);
        auto shownTexts = [&] {
            low.clear();
            for (const QString& name : {u"labState"_s, u"labCommandScriptCompleted"_s, u"labInfo1"_s,
                                        u"labInfo2"_s, u"labInfo3"_s, u"labInfo4"_s})
                onWindow(name);
            return low.isEmpty();
        };
        QTRY_VERIFY2_WITH_TIMEOUT(shownTexts(), qPrintable(low.join(u'\n')), Timeout);
        for (int state = 0; state < TargetLink::StateCount; ++state) {
            strip->RefreshLinkState(state);
            onWindow(u"labState %1"_s.arg(state));
        }

        // Log rows: not sent, an error reply and a plain reply, each with and without a find mark.
        QVERIFY(!w.session()->SendCommandLine(u"SM 1"_s));
        w.session()->receive("SP: ERROR\r\n");
        w.session()->receive("GM: 1\r\n");
        auto* view = h.find<QTableView>("lsvMsg");
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(), 3, Timeout);
        auto* delegate = qobject_cast<LogItemDelegate*>(view->itemDelegate());
        for (const QString& mark : {QString(), u"M"_s}) {
            delegate->setMark(LogMatcher(mark, Qt::CaseSensitive));
            for (int row = 0; row < 3; ++row) {
                QStyleOptionViewItem option;
                option.initFrom(view);
                delegate->initStyleOption(&option, view->model()->index(row, MessageLog::ParameterColumn));
                const QColor background = option.backgroundBrush.style() == Qt::NoBrush
                                              ? option.palette.color(QPalette::Base)
                                              : option.backgroundBrush.color();
                check(u"row %1, mark '%2'"_s.arg(row).arg(mark), option.palette.color(QPalette::Text),
                      background);
            }
        }

        // The choice buttons blink in a colour their captions read on.
        h.showTab(2);
        w.memory()->toggleFetch();
        auto* f1 = h.find<QPushButton>("cmdF1");
        QTRY_VERIFY_WITH_TIMEOUT(f1->palette().color(QPalette::Button) != w.palette().color(QPalette::Button),
                                 Timeout);
        check(u"cmdF1 blinking"_s, f1->palette().color(QPalette::ButtonText),
              f1->palette().color(QPalette::Button));
        QVERIFY2(low.isEmpty(), qPrintable(low.join(u'\n')));
    }

    void changesReachTheAccessibilityInterface() {
        // Offscreen the platform's accessibility is off and no event goes out; where it is on (AT-SPI, or
        // QT_LINUX_ACCESSIBILITY_ALWAYS_ON under X) the events are checked as well.
        QAccessible::installUpdateHandler(recordAccessEvent);
        const auto restore = qScopeGuard([] {
            QAccessible::installUpdateHandler(nullptr);
            g_accessEvents.clear();
        });
        WindowHarness h({{u"SelTab"_s, u"1"_s}});
        const bool active = QAccessible::isActive();
        auto* strip = h.find<StatusStrip>("statusStrip");
        strip->RefreshLinkState(TargetLink::Failed);
        strip->runStarted(2);
        strip->runProgressed(1, 2);
        QAccessibleInterface* progress =
            QAccessible::queryAccessibleInterface(h.find<QWidget>("prgProgress"));
        QCOMPARE(progress->valueInterface()->currentValue().toInt(), 1);
        QVERIFY(!active || (announced("labState", QAccessible::NameChanged) &&
                            announced("prgProgress", QAccessible::ValueChanged)));

        // The assistant's next question, in the field that keeps the focus: it is named anew, and focused
        // anew for a reader to read it.
        Assistant a;
        QTest::keyClick(a.open(0, false, u"3"_s), Qt::Key_Return);
        auto* value = a.child<QSpinBox>("cwnValue");
        auto name = [value] { return QAccessible::queryAccessibleInterface(value)->text(QAccessible::Name); };
        const QString first = name();
        g_accessEvents.clear();
        a.enter(u"9"_s);
        QCOMPARE(a.dialog->focusWidget(), value);
        QCOMPARE(first + u'|' + name(), u"Geräteadresse|Messprogrammnummer"_s);
        QVERIFY(!active || (announced("cwnValue", QAccessible::NameChanged) &&
                            announced("cwnValue", QAccessible::Focus)));
    }

    void keyboardAlone() {
        // The flows a user goes through, by keys alone, each where the focus is: connect, send, the
        // assistant, compose, store in a slot, run with an F-key, cancel, a slot's viewer, quit. (The
        // history's keys are commandLineKeys', the configuration files are configFiles'.)
        LoopbackPeer peer;
        WindowHarness h({{u"Language"_s, u"0"_s},
                         {u"Connect"_s, u"1"_s},
                         {u"Name"_s, u"127.0.0.1"_s},
                         {u"Port"_s, peer.portText()}},
                        sampleSlots());
        MainWindow& w = *h.window;
        QTRY_VERIFY_WITH_TIMEOUT(peer.connected() && h.find<QWidget>("cmdCommand1")->isEnabled(), Timeout);
        QCOMPARE(h.text("labState"), u"Zustand: Verbunden."_s);
        auto focused = [&]() -> QWidget* { return w.focusWidget() ? w.focusWidget() : &w; };
        auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
            QTest::keyClick(focused(), k, modifiers);
        };
        auto type = [&](const QString& text) { QTest::keyClicks(focused(), text); };
        // Alt and the letter underlined in the caption.
        auto alt = [&](const char* name) {
            const QChar letter = Access::mnemonicOf(h.text(name));
            QVERIFY2(!letter.isNull(), name);
            QTest::keyClick(focused(), letter.toLatin1(), Qt::AltModifier);
        };
        auto tabTo = [&](const char* name) {
            for (int i = 0; i < 40 && focused()->objectName() != QLatin1String(name); ++i)
                key(Qt::Key_Tab);
            QCOMPARE(focused()->objectName(), QLatin1String(name));
        };

        key(Qt::Key_Tab, Qt::ControlModifier);
        tabTo("txtSend");
        type(u"GM"_s);
        key(Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(peer.received, QByteArray("GM"), Timeout);
        // The assistant's command lands in txtSend with the focus, for Enter to send.
        {
            // Each handler only as long as its dialog is wanted: two would race for the next one.
            ModalHandler assistant(
                [](QWidget* dialog) { QTest::keyClick(dialog->focusWidget(), Qt::Key_Return); });
            alt("cmdCreateCommand1");
            QTRY_COMPARE_WITH_TIMEOUT(assistant.opened, 1, Timeout);
            QTRY_COMPARE_WITH_TIMEOUT(focused()->objectName(), u"txtSend"_s, Timeout);
        }
        // The offscreen platform gives no window the focus back when a dialog closes; a desktop does.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        key(Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(peer.received, QByteArray("GMSM 0"), Timeout);

        // Compose by hand, caption and description through their labels' keys, store in slot 3.
        key(Qt::Key_Tab, Qt::ControlModifier);
        h.dialogs.inputAnswers = {u"SP 1 3"_s};
        alt("cmdCreateManualCommand");
        QTRY_COMPARE_WITH_TIMEOUT(w.findChild<ScriptEditorPage*>()->rowCount(), 1, Timeout);
        alt("labCaption");
        type(u"Programm drei"_s);
        alt("labNote");
        type(u"SP 1 3"_s);
        alt("cmdSave");
        QTRY_VERIFY_WITH_TIMEOUT(h.find<QWidget>("cmdF3")->isEnabled(), Timeout);
        tabTo("cmdF3");
        key(Qt::Key_Space);
        QCOMPARE(h.texts({"cmdF3", "cmdCommand3", "txtCommandDescript3"}),
                 u"Programm d...|Programm drei|SP 1 3"_s);

        // Run it with F3; run slot 1 and cancel it while it waits for its first reply.
        key(Qt::Key_Tab, Qt::ControlModifier);
        peer.received.clear();
        key(Qt::Key_F3);
        QTRY_COMPARE_WITH_TIMEOUT(peer.received, QByteArray("SP 1 3"), Timeout);
        // The reply must be in before the next run, or it would count as the reply to that run's command.
        const int rows = w.session()->log()->rowCount();
        peer.reply("SP: OK\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(!w.runner()->ScriptBusy() && w.session()->log()->rowCount() > rows, Timeout);
        key(Qt::Key_F1);
        QTRY_VERIFY_WITH_TIMEOUT(h.find<QWidget>("cmdCancelCommandScript")->isVisible(), Timeout);
        alt("cmdCancelCommandScript");
        QTRY_COMPARE_WITH_TIMEOUT(h.text("labCommandScriptCompleted"),
                                  u"Abgebrochen nach 1 von 2 Befehlen."_s, Timeout);

        // A slot's commands show in the viewer on a double-click on its description, which opens nothing for
        // an empty slot. Esc closes it.
        QStringList viewed;
        ModalHandler viewer([&](QWidget* dialog) {
            auto* list = dialog->findChild<QTreeWidget*>(u"lstCommands"_s);
            viewed << dialog->windowTitle() << dialog->findChild<QPushButton*>(u"cmdQuit"_s)->text();
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                viewed << list->topLevelItem(row)->text(0) << list->topLevelItem(row)->text(1);
            QTest::keyClick(list, Qt::Key_Escape);
            viewed << (dialog->isVisible() ? u"open"_s : u"closed by Esc"_s);
        });
        QTest::mouseDClick(h.find<QPlainTextEdit>("txtCommandDescript2")->viewport(), Qt::LeftButton);
        QTest::mouseDClick(h.find<QPlainTextEdit>("txtCommandDescript4")->viewport(), Qt::LeftButton);
        QCOMPARE(viewer.opened, 1);
        QCOMPARE(viewed.join(u'|'), u"Befehlsablauf anzeigen|Beenden|SM 1|start|closed by Esc"_s);
        // So do Enter and Space on the box, for the keyboard.
        auto* box = h.find<QPlainTextEdit>("txtCommandDescript1");
        for (const Qt::Key pressed : {Qt::Key_Return, Qt::Key_Space})
            QTest::keyClick(box, pressed);
        QCOMPARE(viewer.opened, 3);
        QCOMPARE(box->toPlainText(), u"two"_s);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        // A tab's key shows the tab; a button's presses it as a click would, a moment later, so that it is
        // seen pressed.
        const QChar first = Access::mnemonicOf(h.find<QTabWidget>("SSTab1")->tabText(0));
        QTest::keyClick(focused(), first.toLatin1(), Qt::AltModifier);
        QCOMPARE(h.tab(), 0);
        alt("cmdQuit");
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), Timeout);
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
