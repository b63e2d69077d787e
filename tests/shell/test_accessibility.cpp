#include "accounts/newaccountwindow.h"
#include "accounts/openaccountwindow.h"
#include "framework/accessibility.h"
#include "framework/chartview.h"
#include "framework/textfit.h"
#include "framework/webview.h"
#include "help/aboutwindow.h"
#include "help/homepagewindow.h"
#include "help/updatewindow.h"
#include "interest/interestwindow.h"
#include "ledger/balancewindow.h"
#include "ledger/chartwindow.h"
#include "ledger/entryform.h"
#include "ledger/expensewindow.h"
#include "ledger/importwindow.h"
#include "ledger/incomewindow.h"
#include "reminders/reminderwindow.h"
#include "reminders/todaysreminderwindow.h"
#include "shell/contentswindow.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"
#include "shell/startchooser.h"
#include "shell/statuspanel.h"
#include "support/appfixture.h"
#include "support/files.h"
#include "support/focus.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTextEdit>
#include <functional>
#include <map>
#include <memory>

using namespace kesterly;
using namespace kesterly::test;

namespace {

QString accessibleText(QWidget* widget, QAccessible::Text text) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(text) : QStringLiteral("<no accessible interface>");
}

// How a control is called in a failure: its name, or its named parent and its kind.
QString describe(const QWidget* widget) {
    QString path = QString::fromLatin1(widget->metaObject()->className());
    for (const QWidget* named = widget; named; named = named->parentWidget()) {
        if (!named->objectName().isEmpty())
            return named->objectName() + QLatin1Char('/') + path;
    }
    return path;
}

bool insideChildWindow(const QWidget* widget, const QWidget* window) {
    for (const QWidget* up = widget->parentWidget(); up && up != window; up = up->parentWidget()) {
        if (qobject_cast<const QMdiSubWindow*>(up))
            return true;
    }
    return false;
}

// The controls of a window a screen reader meets: those the keyboard reaches and those
// showing a value; each must be announced by a name. The main window's child windows
// are looked at on their own.
QStringList unnamedControls(QWidget* window) {
    QStringList unnamed;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window) || insideChildWindow(widget, window))
            continue;
        const bool takesFocus =
            (widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && !widget->focusProxy();
        const bool showsValue =
            qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractItemView*>(widget) ||
            qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QTextEdit*>(widget) ||
            qobject_cast<QComboBox*>(widget);
        if ((takesFocus || showsValue) &&
            accessibleText(widget, QAccessible::Name).trimmed().isEmpty())
            unnamed << describe(widget);
    }
    return unnamed;
}

// "Text3=Amount" pairs of a control's name and what it is announced as.
using Expected = QStringList;

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void captionNamesItsControl_data();
    void captionNamesItsControl();
    void windowsNameEveryControl_data();
    void windowsNameEveryControl();
    void switchIsAnnouncedWithItsState();
    void tabFollowsEachWindowsOrder_data();
    void tabFollowsEachWindowsOrder();
    void tabEntersOptionGroupAtChosenOption_data();
    void tabEntersOptionGroupAtChosenOption();
    void everyControlShowsItsFocus_data();
    void everyControlShowsItsFocus();
    void rowsAreAnnouncedWhole_data();
    void rowsAreAnnouncedWhole();
    void windowsAreAnnouncedByTheirCaptionAlone();
    void foldersAreAnnouncedWithTheirLevel();
    void eachChartIsOneObject();
    void everyTextShowsWhole_data();
    void everyTextShowsWhole();

private:
    QWidget& open(const QString& name);
    std::unique_ptr<AppFixture> fixture_;
    std::unique_ptr<SplashWindow> splash_;
};

void AccessibilityTest::init() {
    fixture_ = std::make_unique<AppFixture>();
    // The page view without the browser engine: the same focus and names, no engine.
    fixture_->windows->setWebViewFactory(
        [](QWidget* parent) { return createWebView(parent, QStringList{}); });
}

void AccessibilityTest::cleanup() {
    splash_.reset();
    fixture_.reset();
}

void AccessibilityTest::rowsAreAnnouncedWhole_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("lists");
    QTest::addColumn<QStringList>("spoken");
    const QStringList ledger{"\r\n12/1/2026\r\n", "\r\nSalary\r\n", "\r\n300\r\n", "\r\n800\r\n"};
    QTest::newRow("income") << "Form5" << QStringList{"Date1", "Des1", "Amount1", "Bal1"}
                            << QStringList{"empty row", "12/1/2026, Salary, 300, 800"};
    QTest::newRow("expense") << "Form6" << QStringList{"Date1", "Des1", "Amount1", "Bal1"}
                             << QStringList{"empty row", "12/2/2026, Rent, 700, 100"};
    QTest::newRow("reminders") << "Form4" << QStringList{"Date1", "Time1", "Des1"}
                               << QStringList{"12/3/2026, 9:00:00 AM, Dentist"};
}

// A reader announces the current row of a list whole, whichever of the window's lists has
// the focus, and the blank first row of a ledger as an empty row.
void AccessibilityTest::rowsAreAnnouncedWhole() {
    QFETCH(QString, window);
    QFETCH(QStringList, lists);
    QFETCH(QStringList, spoken);
    const QString folder = fixture_->path("Household");
    writeBytes(folder + "/Name.txt", "Household\r\n");
    writeBytes(folder + "/OpeningBalance.txt", "100\r\n");
    const std::pair<const char*, const char*> files[] = {
        {"IncomeDate.txt", "\r\n12/1/2026\r\n"},
        {"IncomeDes.txt", "\r\nSalary\r\n"},
        {"IncomeAmn.txt", "\r\n300\r\n"},
        {"Incomebal.txt", "\r\n800\r\n"},
        {"ExpenseDate.txt", "\r\n12/2/2026\r\n"},
        {"ExpenseDes.txt", "\r\nRent\r\n"},
        {"ExpenseAmn.txt", "\r\n700\r\n"},
        {"Expensebal.txt", "\r\n100\r\n"},
        {"Reminders/Date.txt", "12/3/2026\r\n"},
        {"Reminders/Time.txt", "9:00:00 AM\r\n"},
        {"Reminders/Description.txt", "Dentist\r\n"}};
    for (const auto& [name, bytes] : files)
        writeBytes(folder + "/" + name, bytes);
    fixture_->windows->get<StatusPanel>().setAccountFolder(folder);
    QWidget& opened = open(window);
    for (const QString& name : lists) {
        auto* list = opened.findChild<QAbstractItemView*>(name);
        QVERIFY2(list, qPrintable(name));
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(list);
        QVERIFY(face);
        QStringList heard;
        for (int child = 0; child < face->childCount(); ++child) {
            QAccessibleInterface* item = face->child(child);
            if (item && item->role() == QAccessible::ListItem)
                heard << item->text(QAccessible::Name);
        }
        QCOMPARE(name + ": " + heard.join(" | "), name + ": " + spoken.join(" | "));
    }
}

// Captions stand where the window's design puts them, padded with blanks; a reader and a
// braille line get the caption alone.
void AccessibilityTest::windowsAreAnnouncedByTheirCaptionAlone() {
    for (const QString& name : {QStringLiteral("Form9"), QStringLiteral("Form5"),
                                QStringLiteral("Form4"), QStringLiteral("Form16")}) {
        QWidget& opened = open(name);
        auto* frame = qobject_cast<QMdiSubWindow*>(opened.parentWidget());
        QVERIFY(frame);
        const QString caption = opened.windowTitle();
        QVERIFY2(caption != caption.trimmed() || name == "Form4", qPrintable(caption));
        QCOMPARE(accessibleText(frame, QAccessible::Name), caption.trimmed());
        QCOMPARE(accessibleText(&opened, QAccessible::Name), caption.trimmed());
    }
}

// The folder list shows nesting by blanks before the names; a reader hears each name and
// its level.
void AccessibilityTest::foldersAreAnnouncedWithTheirLevel() {
    QWidget& opened = open("Form12");
    auto* folders = opened.findChild<QListWidget*>("Dir1");
    QVERIFY(folders);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(folders);
    QVERIFY(face);
    // The chain from the volume's top down to the open folder, a level deeper each, and
    // the open folder's own folders one level below it.
    const int open = folders->currentRow();
    QVERIFY(open >= 1);
    QStringList heard;
    QStringList expected;
    for (int child = 0; child < face->childCount(); ++child) {
        QAccessibleInterface* item = face->child(child);
        if (!item || item->role() != QAccessible::ListItem)
            continue;
        const int row = int(heard.size());
        heard << item->text(QAccessible::Name) + " (" + item->text(QAccessible::Description) + ")";
        expected << QStringLiteral("%1 (level %2)")
                        .arg(folders->item(row)->text().trimmed())
                        .arg(row <= open ? row + 1 : open + 2);
    }
    QCOMPARE(heard.size(), folders->count());
    QCOMPARE(heard, expected);
    QCOMPARE(heard.first(), QStringLiteral("/ (level 1)"));
}

// The controls of a window whose text does not show whole in the room they have: a label
// or an option wider than its box, a box whose text runs past its edges, a list that needs
// a horizontal scroll bar for its rows.
QStringList clippedTexts(QWidget* window) {
    QStringList clipped;
    const auto note = [&clipped](QWidget* control, const QString& text, int needed, int room) {
        clipped << QStringLiteral("%1 \"%2\": %3 px in %4")
                       .arg(control->objectName(), text)
                       .arg(needed)
                       .arg(room);
    };
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!control->isVisibleTo(window) || control->objectName().startsWith("qt_"))
            continue;
        const QFontMetrics metrics = control->fontMetrics();
        if (auto* label = qobject_cast<QLabel*>(control)) {
            QString text = label->text();
            if (text.isEmpty() || label->wordWrap() || Qt::mightBeRichText(text))
                continue;
            text.remove(QLatin1Char('&'));
            const int room = label->contentsRect().width() - 2 * label->margin();
            const int needed = metrics.horizontalAdvance(text);
            if (needed > room)
                note(label, text, needed, room);
        } else if (auto* box = qobject_cast<QLineEdit*>(control)) {
            const QString text = box->displayText();
            if (text.isEmpty())
                continue;
            const int room = textRoom(box);
            const int needed = metrics.horizontalAdvance(text);
            if (needed > room)
                note(box, text, needed, room);
        } else if (auto* option = qobject_cast<QAbstractButton*>(control);
                   option && !qobject_cast<QPushButton*>(control) && !option->text().isEmpty()) {
            // The room the style paints the caption in, beside the indicator.
            QStyleOptionButton look;
            look.initFrom(option);
            look.text = option->text();
            const auto contents = qobject_cast<QCheckBox*>(option) ? QStyle::SE_CheckBoxContents
                                                                   : QStyle::SE_RadioButtonContents;
            const int room = option->style()->subElementRect(contents, &look, option).width();
            QString text = option->text();
            text.remove(QLatin1Char('&'));
            const int needed = metrics.horizontalAdvance(text);
            if (needed > room)
                note(option, text, needed, room);
        } else if (auto* list = qobject_cast<QAbstractItemView*>(control);
                   list && list->objectName() != QLatin1String("Dir1")) {
            // (The folder list shows folder names of any length, and scrolls for them.)
            if (list->horizontalScrollBar()->isVisible() ||
                list->horizontalScrollBar()->maximum() > 0)
                note(list, QStringLiteral("(rows wider than the list)"),
                     list->horizontalScrollBar()->maximum() + list->viewport()->width(),
                     list->viewport()->width());
        }
    }
    return clipped;
}

// The focusable objects of the tree under `node` that have the focus, and the charts, as
// a reader walks it. (A window whose focus passes on to a control reports the focus too,
// but is no control a reader moves to.)
void walkTree(QAccessibleInterface* node, QList<QAccessibleInterface*>& focused,
              QList<QAccessibleInterface*>& charts) {
    if (node->state().focused && node->state().focusable)
        focused << node;
    if (node->role() == QAccessible::Chart)
        charts << node;
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface* child = node->child(i))
            walkTree(child, focused, charts);
    }
}

// Each chart is one focusable object with the chart's role, its name and its figures, and
// nothing inside it; it is the only focusable object in the window that has the focus.
void AccessibilityTest::eachChartIsOneObject() {
    QWidget& window = open(QStringLiteral("Form19"));
    auto* chartWindow = qobject_cast<ChartWindow*>(&window);
    QVERIFY(chartWindow);
    QVERIFY(window.parentWidget());
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture_->windows->mainWindow()));
    for (ChartView* view : {chartWindow->balanceChart(), chartWindow->monthChart()}) {
        view->drawing()->setFocus();
        QTRY_VERIFY(view->drawing()->hasFocus());
        QList<QAccessibleInterface*> focused, charts;
        walkTree(QAccessible::queryAccessibleInterface(window.parentWidget()), focused, charts);
        QCOMPARE(charts.size(), 2);
        QCOMPARE(focused.size(), 1);
        QAccessibleInterface* chart = focused.first();
        QCOMPARE(chart->role(), QAccessible::Chart);
        QCOMPARE(chart->object(), view->drawing());
        QCOMPARE(chart->text(QAccessible::Name), view->accessibleName());
        QVERIFY(!chart->text(QAccessible::Name).isEmpty());
        QVERIFY(!chart->text(QAccessible::Description).isEmpty());
        QVERIFY(chart->state().focusable);
        QCOMPARE(chart->childCount(), 0);
        // The view around it neither takes the focus nor says the name again.
        QAccessibleInterface* holder = QAccessible::queryAccessibleInterface(view);
        QVERIFY(!holder->state().focusable);
        QVERIFY(holder->text(QAccessible::Name).isEmpty());
    }
}

void AccessibilityTest::everyTextShowsWhole_data() {
    QTest::addColumn<QString>("window");
    for (const char* name :
         {"Form13", "Form3", "Form2", "Form17", "Form10", "Form12", "Form9", "Form5", "Form6",
          "Form8", "Form4", "Form14", "Form16", "FormImport", "Form19"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Whatever face fontconfig offers for the program's fonts (the test runs also with DejaVu
// alone, as where fonts-liberation was removed), every text shows whole.
void AccessibilityTest::everyTextShowsWhole() {
    QFETCH(QString, window);
    QWidget& opened = open(window);
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&fixture_->windows->mainWindow()));
    QApplication::processEvents();
    const QStringList clipped = clippedTexts(&opened);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
}

QWidget& AccessibilityTest::open(const QString& name) {
    Windows& windows = *fixture_->windows;
    if (name == QLatin1String("Form1")) {
        splash_ = std::make_unique<SplashWindow>(windows);
        splash_->show();
        return *splash_;
    }
    if (name == QLatin1String("MDIForm1"))
        return windows.mainWindow();
    const std::map<QString, std::function<QWidget&()>> openers = {
        {"Form10", [&]() -> QWidget& { return windows.show<NewAccountWindow>(); }},
        {"Form12", [&]() -> QWidget& { return windows.show<OpenAccountWindow>(); }},
        {"Form13", [&]() -> QWidget& { return windows.show<StartChooser>(); }},
        {"Form3", [&]() -> QWidget& { return windows.show<StatusPanel>(); }},
        {"Form2", [&]() -> QWidget& { return windows.show<ContentsWindow>(); }},
        {"Form17", [&]() -> QWidget& { return windows.show<AboutWindow>(); }},
        {"Form7", [&]() -> QWidget& { return windows.show<UpdateWindow>(); }},
        {"Form18", [&]() -> QWidget& { return windows.show<HomePageWindow>(); }},
        {"Form9", [&]() -> QWidget& { return windows.show<EntryForm>(); }},
        {"Form5", [&]() -> QWidget& { return windows.show<IncomeWindow>(); }},
        {"Form6", [&]() -> QWidget& { return windows.show<ExpenseWindow>(); }},
        {"Form8", [&]() -> QWidget& { return windows.show<BalanceWindow>(); }},
        {"Form4", [&]() -> QWidget& { return windows.show<ReminderWindow>(); }},
        {"Form14", [&]() -> QWidget& { return windows.show<TodaysReminderWindow>(); }},
        {"Form16", [&]() -> QWidget& { return windows.show<InterestWindow>(); }},
        {"FormImport",
         [&]() -> QWidget& {
             // The preview of a bank's statement with a money-out and a money-in column.
             ImportWindow& window = windows.show<ImportWindow>();
             const auto source = entryimport::recognise(
                 QStringLiteral("statement.csv"),
                 "Date,Description,Withdrawals,Deposits\n11/03/2026,Coffee,3.50,\n"
                 "11/15/2026,Payroll,,2500\n",
                 QLocale(QLocale::English, QLocale::UnitedStates), QDate(2026, 12, 1));
             window.begin(fixture_->root(), {*source.value}, {});
             return window;
         }},
        {"Form19",
         [&]() -> QWidget& {
             // The charts as the program draws them, with Qt Charts from the build.
             windows.setChartViewFactory(
                 [](QWidget* parent) { return createChartView(parent, {KESTERLY_CHARTS_PLUGIN}); });
             return windows.show<ChartWindow>();
         }},
    };
    return openers.at(name)();
}

void AccessibilityTest::captionNamesItsControl_data() {
    // A window's layout: "kind name caption left top width height" per control, in
    // pixels; the control "box" is the one whose name is checked.
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("buddyOf");

    QTest::newRow("label on the same row")
        << QStringList{"label l1 Amount :|10|10|60|17", "edit box |80|6|120|24"} << "Amount"
        << "l1";
    QTest::newRow("label directly above")
        << QStringList{"label l1 Opening Balance :|10|10|110|17", "edit box |40|40|200|32"}
        << "Opening Balance"
        << "l1";
    QTest::newRow("label beside wins over label above")
        << QStringList{"label above Heading :|80|10|110|17", "label beside Month:|10|34|60|17",
                       "edit box |80|32|120|24"}
        << "Month"
        << "beside";
    QTest::newRow("nearest label on the row")
        << QStringList{"label far Far :|20|10|30|17", "label near Near :|60|10|40|17",
                       "edit box |110|8|120|24"}
        << "Near"
        << "near";
    QTest::newRow("label over the box edge, blanks around it")
        << QStringList{"label l1   Account Folder :|8|150|90|17", "edit box |96|150|130|20"}
        << "Account Folder"
        << "l1";
    QTest::newRow("a label with a shown ampersand keeps it and gets no buddy")
        << QStringList{"label l1 Save & Go :|10|10|80|17", "edit box |100|8|120|24"} << "Save & Go"
        << "";
    QTest::newRow("a control between the label and the box")
        << QStringList{"label l1 Amount :|10|10|60|17", "edit other |80|8|60|24",
                       "edit box |150|8|120|24"}
        << ""
        << "";
    QTest::newRow("label too far above")
        << QStringList{"label l1 Title :|10|10|60|17", "edit box |10|120|120|24"} << ""
        << "";
    QTest::newRow("label to the right names nothing")
        << QStringList{"edit box |10|8|120|24", "label l1 Amount :|140|10|60|17"} << ""
        << "";
    QTest::newRow("a name of the window's own is kept")
        << QStringList{"label l1 Amount :|10|10|60|17", "named box Sum|80|6|120|24"} << "Sum"
        << "l1";
    QTest::newRow("picture button takes its tool tip")
        << QStringList{"label l1 Reminder is :|10|10|80|17", "picture box Reminders|100|6|60|40"}
        << "Reminders"
        << "";
    QTest::newRow("button caption is its name")
        << QStringList{"label l1 Reminder is :|10|10|80|17", "button box Off|100|6|60|24"} << "Off"
        << "";
    QTest::newRow("list below its heading")
        << QStringList{"label l1 Dates|10|10|80|17", "list box |10|30|120|200"} << "Dates"
        << "l1";
}

void AccessibilityTest::captionNamesItsControl() {
    QFETCH(QStringList, layout);
    QFETCH(QString, name);
    QFETCH(QString, buddyOf);
    QWidget window;
    window.resize(400, 300);
    for (const QString& line : layout) {
        const QStringList parts = line.split(QLatin1Char('|'));
        const QString head = parts[0];
        const QString kind = head.section(QLatin1Char(' '), 0, 0);
        const QString objectName = head.section(QLatin1Char(' '), 1, 1);
        const QString caption = head.section(QLatin1Char(' '), 2);
        QWidget* widget = nullptr;
        if (kind == QLatin1String("label"))
            widget = new QLabel(caption, &window);
        else if (kind == QLatin1String("edit"))
            widget = new QLineEdit(&window);
        else if (kind == QLatin1String("named")) {
            widget = new QLineEdit(&window);
            widget->setAccessibleName(caption);
        } else if (kind == QLatin1String("picture")) {
            widget = new QPushButton(&window);
            widget->setToolTip(caption);
        } else if (kind == QLatin1String("button"))
            widget = new QPushButton(caption, &window);
        else if (kind == QLatin1String("list"))
            widget = new QListWidget(&window);
        QVERIFY2(widget, qPrintable(line));
        widget->setObjectName(objectName);
        widget->setGeometry(parts[1].toInt(), parts[2].toInt(), parts[3].toInt(), parts[4].toInt());
    }
    nameUnnamedControls(&window);

    auto* box = window.findChild<QWidget*>(QStringLiteral("box"));
    QCOMPARE(box->accessibleName().isEmpty() ? accessibleText(box, QAccessible::Name).trimmed()
                                             : box->accessibleName(),
             name);
    for (QLabel* label : window.findChildren<QLabel*>()) {
        QCOMPARE(label->buddy() == box, label->objectName() == buddyOf);
        // A caption never changes by being made a buddy.
        QVERIFY(!label->text().isEmpty());
    }
}

void AccessibilityTest::windowsNameEveryControl_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<Expected>("names");
    QTest::addColumn<Expected>("descriptions");

    QTest::newRow("splash") << "Form1" << Expected{"Image1=Kesterly: click to load"} << Expected{};
    QTest::newRow("main window") << "MDIForm1" << Expected{} << Expected{};
    QTest::newRow("start chooser")
        << "Form13" << Expected{"Command1=New Account", "Command2=Open Account"} << Expected{};
    QTest::newRow("status panel") << "Form3"
                                  << Expected{"Command1=Reminder is Off", "Text1=Account Folder",
                                              "Text2=Account Name"}
                                  << Expected{"Label1=Date", "Label2=Time"};
    QTest::newRow("contents") << "Form2"
                              << Expected{"Command8=New Account", "Command9=Open Account",
                                          "Command1=Entry Form",  "Command4=Interest",
                                          "Command2=Income",      "Command3=Expense",
                                          "Command5=Reminders",   "Command7=Balance",
                                          "com1=Update",          "Command10=About"}
                              << Expected{};
    QTest::newRow("about") << "Form17" << Expected{"Command1=Close"} << Expected{};
    QTest::newRow("update") << "Form7"
                            << Expected{"Command1=Check For Update", "wb1=Update page",
                                        "Label1=Home page"}
                            << Expected{};
    QTest::newRow("home page") << "Form18" << Expected{"wb1=Home page"} << Expected{};
    QTest::newRow("new account") << "Form10"
                                 << Expected{"Text1=Opening Balance", "Text2=Your Name",
                                             "Command1=Enter"}
                                 << Expected{"Label3=Account folder", "Label4=Reminders folder"};
    QTest::newRow("open account") << "Form12"
                                  << Expected{"Drive1=Drive", "Dir1=Select your account folder",
                                              "Command1=Ok"}
                                  << Expected{"Label2=Chosen folder"};
    QTest::newRow("entry form") << "Form9" << Expected{"Text1=Date",           "Text2=Description",
                                                       "Text3=Amount",         "Option1=Income",
                                                       "Option2=Expense",      "Command1=Submit",
                                                       "Command2=Save to File"}
                                << Expected{"Label4=Your Balance"};
    QTest::newRow("income") << "Form5"
                            << Expected{"Date1=Income dates", "Des1=Income descriptions",
                                        "Amount1=Income amounts", "Bal1=Income balances",
                                        "Command1=Remove Selected"}
                            << Expected{};
    QTest::newRow("expense") << "Form6"
                             << Expected{"Date1=Expense dates", "Des1=Expense descriptions",
                                         "Amount1=Expense amounts", "Bal1=Expense balances"}
                             << Expected{};
    QTest::newRow("balance") << "Form8" << Expected{} << Expected{"Label1=Your Balance"};
    QTest::newRow("reminders") << "Form4"
                               << Expected{"Text1=Date",
                                           "Text2=Time",
                                           "Text3=Description",
                                           "Date1=Reminder dates",
                                           "Time1=Reminder times",
                                           "Des1=Reminder descriptions",
                                           "Text5=Announced reminder",
                                           "Option1=On",
                                           "Option2=Off",
                                           "Command1=Add",
                                           "Command3=Show in Small Window"}
                               << Expected{};
    QTest::newRow("today's reminder")
        << "Form14" << Expected{"Text1=Today's Reminder", "Command1=Return to Original Winow"}
        << Expected{};
    QTest::newRow("interest") << "Form16" << Expected{"Text4=Amount",       "Text1=Month",
                                                      "Text2=% / Paise",    "Text3=Due Amount",
                                                      "Option1=Percentage", "Option2=Paise",
                                                      "Command1=Calc"}
                              << Expected{};
    QTest::newRow("import") << "FormImport"
                            << Expected{"FileBox=File",
                                        "DelimiterBox=Delimiter",
                                        "DateColumnBox=Date column",
                                        "DateOrderBox=Date order",
                                        "DecimalBox=Decimal separator",
                                        "ListBox=Rows go to",
                                        "AmountColumnBox=Amount column",
                                        "DebitColumnBox=Money out column",
                                        "CreditColumnBox=Money in column",
                                        "DescriptionList=Description columns",
                                        "DuplicatesCheck=Import duplicates too",
                                        "RowsView=Rows to import",
                                        "UnreadableList=Rows that cannot be read",
                                        "ImportButton=Import",
                                        "CancelButton=Cancel"}
                            << Expected{};
}

void AccessibilityTest::windowsNameEveryControl() {
    QFETCH(QString, window);
    QFETCH(Expected, names);
    QFETCH(Expected, descriptions);
    QWidget& opened = open(window);
    QCOMPARE(opened.objectName(), window);

    QCOMPARE(unnamedControls(&opened), QStringList{});
    const auto check = [&opened](const Expected& pairs, QAccessible::Text text) {
        for (const QString& pair : pairs) {
            const QString control = pair.section(QLatin1Char('='), 0, 0);
            auto* widget = opened.findChild<QWidget*>(control);
            QVERIFY2(widget, qPrintable(control));
            // Readers on this platform announce a drop-down list by its current entry and
            // its label; elsewhere by its name.
            const QString announced = qobject_cast<QComboBox*>(widget) && text == QAccessible::Name
                                          ? widget->accessibleName()
                                          : accessibleText(widget, text);
            QCOMPARE(control + QLatin1Char('=') + announced, pair);
            // The reader meets the part that takes the focus, which says the same.
            if (QWidget* focusPart = widget->focusProxy())
                QCOMPARE(control + QLatin1Char('=') + accessibleText(focusPart, text), pair);
        }
    };
    check(names, QAccessible::Name);
    check(descriptions, QAccessible::Description);
}

void AccessibilityTest::switchIsAnnouncedWithItsState() {
    auto& panel = fixture_->windows->show<StatusPanel>();
    auto* button = panel.findChild<QPushButton*>(QStringLiteral("Command1"));
    panel.setSwitchCaption(QStringLiteral("On"));
    QCOMPARE(accessibleText(button, QAccessible::Name), QStringLiteral("Reminder is On"));
    panel.setSwitchCaption(QStringLiteral("Off"));
    QCOMPARE(accessibleText(button, QAccessible::Name), QStringLiteral("Reminder is Off"));
}

void AccessibilityTest::tabFollowsEachWindowsOrder_data() {
    // The windows whose order is not checked with the rest of their behaviour; the last
    // name shows that Tab goes round within the window. Labels take no focus, and an
    // option group is one stop (the arrow keys move within it).
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("status panel") << "Form3"
                                  << QStringList{"Command1", "Text1", "Text2", "Command1"};
    QTest::newRow("about") << "Form17" << QStringList{"Command1", "Command1"};
    QTest::newRow("update") << "Form7" << QStringList{"Command1", "wb1", "Label1", "Command1"};
    QTest::newRow("home page") << "Form18" << QStringList{"wb1", "wb1"};
    QTest::newRow("reminders") << "Form4"
                               << QStringList{"Date1",   "Des1",     "Time1",    "Text1",
                                              "Text2",   "Text3",    "Command1", "Command2",
                                              "Option2", "Command3", "Text5",    "Date1"};
    QTest::newRow("today's reminder") << "Form14" << QStringList{"Text1", "Command1", "Text1"};
    QTest::newRow("entry form") << "Form9"
                                << QStringList{"Text1",    "Text2",    "Text3", "Option1",
                                               "Command1", "Command2", "Text1"};
}

void AccessibilityTest::tabFollowsEachWindowsOrder() {
    QFETCH(QString, window);
    QFETCH(QStringList, order);
    auto* child = qobject_cast<ChildWindow*>(&open(window));
    QVERIFY(child);
    QCOMPARE(focusOrder(*fixture_->windows, *child, order.size()), order);
}

void AccessibilityTest::tabEntersOptionGroupAtChosenOption_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("chosen"); // empty: no option chosen
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("entered");
    QTest::newRow("reminders, Off chosen") << "Form4"
                                           << "Option2"
                                           << "Command2"
                                           << "Command3"
                                           << "Option2";
    QTest::newRow("reminders, On chosen") << "Form4"
                                          << "Option1"
                                          << "Command2"
                                          << "Command3"
                                          << "Option1";
    QTest::newRow("interest, Paise chosen") << "Form16"
                                            << "Option2"
                                            << "Text4"
                                            << "Text1"
                                            << "Option2";
    QTest::newRow("entry form, none chosen") << "Form9"
                                             << ""
                                             << "Text3"
                                             << "Command1"
                                             << "Option1";
}

void AccessibilityTest::tabEntersOptionGroupAtChosenOption() {
    QFETCH(QString, window);
    QFETCH(QString, chosen);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, entered);
    QWidget& opened = open(window);
    if (!chosen.isEmpty())
        opened.findChild<QAbstractButton*>(chosen)->setChecked(true);
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture_->windows->mainWindow()));

    opened.findChild<QWidget*>(before)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), entered);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), after);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), entered);
    // Only the arrow keys change the choice; Tab passing through leaves it.
    if (!chosen.isEmpty())
        QVERIFY(opened.findChild<QAbstractButton*>(chosen)->isChecked());
}

void AccessibilityTest::everyControlShowsItsFocus_data() {
    QTest::addColumn<QString>("window");
    for (const char* name :
         {"Form13", "Form3", "Form2", "Form17", "Form7", "Form18", "Form10", "Form12", "Form9",
          "Form5", "Form6", "Form8", "Form4", "Form14", "Form16", "Form19", "FormImport"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void AccessibilityTest::everyControlShowsItsFocus() {
    // A keyboard user sees which control Space or a typed key goes to: every control the
    // Tab key reaches looks different with the focus than without it.
    QFETCH(QString, window);
    MainFrame& main = fixture_->windows->mainWindow();
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QWidget& shown = open(window);
    QApplication::processEvents();
    // As after a Tab: the style shows the focus once the keyboard has moved it.
    main.setAttribute(Qt::WA_KeyboardFocusChange);
    QStringList unmarked;
    for (QWidget* widget : shown.findChildren<QWidget*>()) {
        if (!widget->isVisible() || !(widget->focusPolicy() & Qt::TabFocus) ||
            !widget->isEnabled() || widget->focusProxy())
            continue;
        widget->clearFocus();
        QApplication::processEvents();
        const QImage without = widget->grab().toImage();
        widget->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        // An option of a group hands the focus to the chosen option.
        if (widget->hasFocus() && widget->grab().toImage() == without)
            unmarked << describe(widget);
    }
    QVERIFY2(unmarked.isEmpty(), qPrintable(unmarked.join(QStringLiteral(", "))));
}

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
