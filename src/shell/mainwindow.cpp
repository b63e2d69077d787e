#include "shell/mainwindow.h"

#include "accounts/newaccountwindow.h"
#include "accounts/openaccountwindow.h"
#include "framework/pictures.h"
#include "framework/twips.h"
#include "framework/windows.h"
#include "help/aboutwindow.h"
#include "help/homepagewindow.h"
#include "help/updatewindow.h"
#include "interest/interestwindow.h"
#include "ledger/chartwindow.h"
#include "ledger/entryform.h"
#include "ledger/entryimport.h"
#include "ledger/expensewindow.h"
#include "ledger/incomewindow.h"
#include "ledger/listexport.h"
#include "reminders/reminderwindow.h"
#include "reminders/todaysreminderwindow.h"
#include "shell/contentswindow.h"
#include "shell/startchooser.h"
#include "shell/statuspanel.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <cmath>

namespace kesterly {

namespace {

// The client area: white, with the program's picture in its middle, drawn from the
// rendering made for the screen's density, so it is as sharp as the text at 2x.
class BackdropArea : public QMdiArea {
public:
    explicit BackdropArea(QWidget* parent) : QMdiArea(parent) {
        setBackground(Qt::white);
        viewport()->setCursor(QCursor(QPixmap(QStringLiteral(":/pictures/pointer.png")), 0, 0));
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QMdiArea::paintEvent(event);
        const qreal ratio = viewport()->devicePixelRatioF();
        if (ratio != pictureRatio_) {
            picture_ = pictures::forPixelRatio(QStringLiteral(":/pictures/background.jpg"), ratio);
            pictureRatio_ = ratio;
        }
        const QSizeF size = picture_.deviceIndependentSize();
        // Whole device-independent pixels, so that at 1x and 2x every pixel of the
        // picture lands on one pixel of the screen.
        const QPointF topLeft(std::floor((viewport()->width() - size.width()) / 2),
                              std::floor((viewport()->height() - size.height()) / 2));
        QPainter painter(viewport());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRectF(topLeft, size), picture_, QRectF(picture_.rect()));
    }

private:
    QPixmap picture_;
    qreal pictureRatio_ = 0;
};

} // namespace

QIcon MainWindow::programIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/kesterly-%1.png").arg(size), QSize(size, size));
    return icon;
}

MainWindow::MainWindow(Windows& windows) : windows_(windows), area_(new BackdropArea(this)) {
    setWindowIcon(programIcon());
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("Kesterly"));
    area_->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(area_);

    QMenu* account = menuBar()->addMenu(QStringLiteral("&Account"));
    account->setObjectName(QStringLiteral("cmdaccount"));
    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    viewMenu_->setObjectName(QStringLiteral("cmdview"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("cmdhelp"));

    // A command without a step belongs to a window the program does not have yet; it
    // stays disabled.
    addCommand(account, "cmdnew", QStringLiteral("New Account"), Qt::CTRL | Qt::Key_N,
               [this] { windows_.show<NewAccountWindow>(); });
    addCommand(account, "cmdopen", QStringLiteral("Open Account"), Qt::CTRL | Qt::Key_O,
               [this] { windows_.show<OpenAccountWindow>(); });
    addCommand(account, "cmdexport", QStringLiteral("Export Lists…"),
               Qt::CTRL | Qt::SHIFT | Qt::Key_S, [this] { windows_.shared<ListExport>().start(); });
    // Ctrl+Shift+I: beside the export's Ctrl+Shift+S; no command has it.
    addCommand(account, "cmdimport", QStringLiteral("Import Entries…"),
               Qt::CTRL | Qt::SHIFT | Qt::Key_I, [this] { windows_.shared<EntryImport>().start(); });
    // Until Open Account there is no account to work on.
    accountCommands_ << command(QStringLiteral("cmdexport")) << command(QStringLiteral("cmdimport"));
    for (QAction* action : std::as_const(accountCommands_))
        action->setEnabled(false);

    addCommand(viewMenu_, "cmdreminder", QStringLiteral("Reminders"), Qt::CTRL | Qt::Key_R,
               [this] { windows_.show<ReminderWindow>(); });
    addCommand(viewMenu_, "cmdinterest", QStringLiteral("Interest"), Qt::CTRL | Qt::Key_I,
               [this] { windows_.show<InterestWindow>(); });
    addCommand(viewMenu_, "cmdentry", QStringLiteral("Entry Form"), Qt::CTRL | Qt::Key_E,
               [this] { windows_.show<EntryForm>(); });
    addCommand(viewMenu_, "cmdIn", QStringLiteral("Income"), Qt::CTRL | Qt::Key_A,
               [this] { windows_.show<IncomeWindow>(); });
    addCommand(viewMenu_, "cmdex", QStringLiteral("Expense"), Qt::CTRL | Qt::Key_B,
               [this] { windows_.show<ExpenseWindow>(); });
    // Ctrl+G ("graph"): no command, and no text box, has it.
    addCommand(viewMenu_, "cmdchart", QStringLiteral("Chart"), Qt::CTRL | Qt::Key_G,
               [this] { windows_.show<ChartWindow>(); });

    addCommand(help, "cmdfhv", QStringLiteral("For Help Visit"), Qt::Key_F5,
               [this] { helpStep(); });
    addCommand(help, "cmdup", QStringLiteral("Update"), Qt::Key_F6,
               [this] { windows_.show<UpdateWindow>(); });
    addCommand(help, "cmdabout", QStringLiteral("About"), Qt::Key_F7,
               [this] { windows_.show<AboutWindow>(); });

    // Keyboard users go from child window to child window with Ctrl+Tab and
    // Ctrl+Shift+Tab (Ctrl+F6 too, as in other programs with windows inside a window),
    // always round every open window in the order they were opened.
    const auto addWindowKeys = [this](const char* name, const QList<QKeySequence>& keys,
                                      void (QMdiArea::*step)()) {
        auto* action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::ApplicationShortcut);
        connect(action, &QAction::triggered, area_, step);
        addAction(action);
    };
    addWindowKeys("nextWindow",
                  {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_F6)},
                  &QMdiArea::activateNextSubWindow);
    addWindowKeys("previousWindow",
                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6)},
                  &QMdiArea::activatePreviousSubWindow);

    // The menu's keys act from every control, text boxes included (see eventFilter).
    QCoreApplication::instance()->installEventFilter(this);

    // The client area is made for the panels the load step places at its right.
    const QSize client = twipsSize(15144, 8784);
    resize(client.width(), client.height() + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

MainWindow::~MainWindow() {
    QCoreApplication::instance()->removeEventFilter(this);
}

std::unique_ptr<MainFrame> MainWindow::make(Windows& windows) {
    return std::make_unique<MainWindow>(windows);
}

void MainWindow::addCommand(QMenu* menu, const char* name, const QString& caption,
                            const QKeySequence& shortcut, const std::function<void()>& step) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::ApplicationShortcut);
    action->setEnabled(bool(step));
    if (step) {
        connect(action, &QAction::triggered, this, step);
        available_ << action;
    }
}

void MainWindow::load() {
    windows_.show<StartChooser>();
    windows_.show<StatusPanel>().setLeft(11500);
    windows_.show<TodaysReminderWindow>().moveTo(TodaysReminderWindow::kLeft,
                                                 TodaysReminderWindow::kTop);
}

QAction* MainWindow::command(const QString& name) const {
    return findChild<QAction*>(name);
}

void MainWindow::setViewMenuEnabled(bool enabled) {
    viewMenu_->setEnabled(enabled);
    // A disabled menu still lets its shortcuts through: the commands follow the menu.
    for (QAction* action : viewMenu_->actions() + accountCommands_)
        action->setEnabled(enabled && available_.contains(action));
}

bool MainWindow::viewMenuEnabled() const {
    return viewMenu_->isEnabled();
}

void MainWindow::showAccountInCaption(const QString& folder) {
    // A caption's "[*]" marks where a changed window shows its star; a folder named so
    // keeps it as it is written.
    QString shown = folder;
    shown.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(QStringLiteral("Kesterly  (%1)").arg(shown));
}

void MainWindow::showContents() {
    windows_.show<ContentsWindow>();
}

void MainWindow::helpStep() {
    // The page starts loading before the box appears and goes on loading behind it.
    windows_.show<HomePageWindow>();
    windows_.inform(QStringLiteral("Please be patient while page is loading"),
                    QStringLiteral("Patient"), MessageIcon::Information);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A focused text box would keep Ctrl+A (select all) and Ctrl+E (end of line) for
    // itself, and a list Ctrl+A. The menu's commands come first: the control is asked
    // not to keep a key that an enabled command has. Where the command cannot act (a
    // message box is open), the control still gets the key.
    if (event->type() == QEvent::ShortcutOverride) {
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* command : std::as_const(available_)) {
            if (command->isEnabled() && command->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    return MainFrame::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The status panel closes last, showing the account to the end while the others'
    // close steps write its files; then the account is given up.
    if (windows_.closeAll(windows_.find<StatusPanel>())) {
        windows_.account().release();
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace kesterly
