#include "app/main_window.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "app/advert_panel.h"
#include "app/application.h"
#include "app/command_link.h"
#include "app/desktop_events.h"
#include "app/tray_services.h"
#include "engine/mail_monitor.h"
#include "notify/tray_icon.h"
#include "settings/errors.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "setup/setup_window.h"
#include "state/app_state.h"
#include "widgets/help.h"
#include "widgets/message_box.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

namespace {

const QString kTitle = QStringLiteral("Tarnwick - your e-mail guard. 3.03");

// Rows of the command links from the top, by their number in LinkActions (from 1): the first
// four, the seventh, a gap, the sixth and the fifth.
constexpr int kRowLinks[] = {1, 2, 3, 4, 7, 6, 5};
constexpr int kGapAfterRow = 4;
constexpr int kGap = 15;
constexpr int kRowSpacing = 3;
constexpr int kFirstRowTop = 76;
constexpr int kButtonSize = 25;
constexpr int kRightMargin = 8;
const QString kContentColumn = QStringLiteral("content");

}  // namespace

MainWindow::MainWindow(TrayServices& services, AppState& state, MailMonitor& monitor)
    : QWidget(nullptr, Qt::FramelessWindowHint | (TrayAreaAvailable() ? Qt::Tool : Qt::Window)),
      services_(services),
      state_(state),
      monitor_(monitor) {
    setObjectName("popMainWindow");
    // A settings file that cannot be read is shown once below and never written over.
    std::string loadError;
    try {
        state_.LoadSettings();
    } catch (const TarnwickError& error) {
        loadError = error.what();
    }
    setWindowTitle(kTitle);
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    BuildPicture();
    BuildActions();
    BuildCommandRows();
    BuildPopupMenu();
    BuildTimers();
    showOnChildClose = true;
    activatedOnce = false;
    TranslateCaptions();
    services_.Tray().SetMenu(trayMenu_);
    FollowTrayArea();
    ConnectCommands();
    // What the commands need (an account) follows the account list.
    connect(&state_, &AppState::accountsChanged, this, &MainWindow::UpdateActions);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FollowRequests();
    SetUnhandledErrorHandler([this](const std::string& message) { ShowUnhandledError(message); });
    if (!loadError.empty())
        ShowMessageBox(this, Text("Error"), ToQt(loadError), QMessageBox::Critical);
    else if (state_.accounts.empty())
        ShowMessageBox(this, Text("first_run_title"), Text("first_run"), QMessageBox::Information);
    services_.Follow(monitor_);
    FollowMonitor();
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &MainWindow::OnIdle);
    monitor_.StartPush();
}

MainWindow::~MainWindow() {
    CloseHelpViewers(Text("help_window_title_bar"));
    SetUnhandledErrorHandler({});
    monitor_.SetGate({});
    monitor_.SetNewMailReaders({});
}

// The picture fills the window above the links panel; the title, the subtitle and the command
// rows stand on it.
void MainWindow::BuildPicture() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    picture_ = new QLabel(this);
    picture_->setObjectName("picture");
    picture_->setPixmap(QPixmap(QStringLiteral(":/tarnwick/main_picture.png")));
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    grid->addWidget(picture_, 0, 0);
    auto* column = new QVBoxLayout;
    column->setObjectName(kContentColumn);
    column->setContentsMargins(12, 8, kRightMargin, 0);
    column->setSpacing(0);
    grid->addLayout(column, 0, 0);
    title_ = new QLabel(this);
    title_->setObjectName("title");
    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(24);
    title.setBold(true);
    title_->setFont(title);
    title_->setMinimumHeight(32);
    column->addWidget(title_);
    subtitle_ = new QLabel(this);
    subtitle_->setObjectName("subtitle");
    QPalette grey = subtitle_->palette();
    grey.setColor(QPalette::WindowText, QColor(0x60, 0x60, 0x60));
    subtitle_->setPalette(grey);
    subtitle_->setIndent(2);
    subtitle_->setMinimumHeight(18);
    column->addWidget(subtitle_);
    column->addSpacing(kFirstRowTop - 8 - 32 - 18);
    advert_ = new AdvertPanel(this);
    grid->addWidget(advert_, 1, 0);
    grid->setRowStretch(0, 1);
}

QAction* MainWindow::AddAction(const char* name, const char* key, int image) {
    auto* action = new QAction(ToQt(key), this);
    action->setObjectName(name);
    action->setIcon(TrayServices::ButtonIcon(image));
    return action;
}

void MainWindow::BuildActions() {
    actShowMain = AddAction("actShowMain", "show_main_mm", 9);
    actContinue = AddAction("actContinue", "continue_mm", 5);
    actShowList = AddAction("actShowList", "show_list_mm", 6);
    actShowResults = AddAction("actShowResults", "show_results_mm", 7);
    actSetup = AddAction("actSetup", "setup_mm", 8);
    actSpam = AddAction("actSpam", "spam_filter_mm", 14);
    actHelp = AddAction("actHelp", "help_mm", 10);
    actClose = AddAction("actClose", "close_mm", 3);
    actOpenMail = new QAction(ToQt("open_mail_program_mm"), this);
    actOpenMail->setObjectName("actOpenMail");
    // The desktop's mail icon where its theme has one, else the program's own envelope.
    actOpenMail->setIcon(QIcon::fromTheme(QStringLiteral("internet-mail"),
                                          QIcon(QStringLiteral(":/tarnwick/tray_normal.png"))));
}

void MainWindow::BuildCommandRows() {
    const std::array<QAction*, 7> actionOf = LinkActions();
    auto* column = findChild<QVBoxLayout*>(kContentColumn);
    int row = 0;
    for (const int number : kRowLinks) {
        const std::size_t i = static_cast<std::size_t>(number - 1);
        // The link takes the keyboard's focus; its button beside it is for the mouse.
        auto* link = new CommandLink(this);
        link->setObjectName(QStringLiteral("l%1").arg(number));
        link->setFixedHeight(kButtonSize);
        links[i] = link;
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("b%1").arg(number));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
        button->setFixedSize(kButtonSize, kButtonSize);
        button->setIconSize(QSize(16, 16));
        button->setDefaultAction(actionOf[i]);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        buttons[i] = button;
        auto* line = new QHBoxLayout;
        line->setSpacing(6);
        line->addStretch();
        line->addWidget(link);
        line->addWidget(button);
        if (row > 0) column->addSpacing(row == kGapAfterRow + 1 ? kRowSpacing + kGap : kRowSpacing);
        column->addLayout(line);
        ++row;
    }
    column->addStretch();
    links[4]->SetColor(Qt::black);
    links[5]->SetColor(Qt::black);
}

void MainWindow::BuildPopupMenu() {
    trayMenu_ = new QMenu(this);
    trayMenu_->setObjectName("popupm");
    trayMenu_->addAction(actShowMain);
    trayMenu_->addSeparator();
    trayMenu_->addAction(actShowList);
    trayMenu_->addAction(actShowResults);
    trayMenu_->addAction(actOpenMail);
    trayMenu_->addSeparator();
    trayMenu_->addAction(actSetup);
    trayMenu_->addAction(actSpam);
    trayMenu_->addSeparator();
    trayMenu_->addAction(actHelp);
    trayMenu_->addAction(actClose);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& where) { trayMenu_->popup(mapToGlobal(where)); });
}

void MainWindow::BuildTimers() {
    continueTimer_ = new QTimer(this);
    continueTimer_->setObjectName("runtim");
    continueTimer_->setInterval(0);
    connect(continueTimer_, &QTimer::timeout, this, &MainWindow::onContinueTimer);
}

void MainWindow::TranslateCaptions() {
    title_->setText(Text("tray_first_hint"));
    subtitle_->setText(Text("prog_subtitle"));
    for (QAction* action : {actShowMain, actContinue, actShowList, actShowResults, actSetup,
                            actSpam, actHelp, actClose, actOpenMail}) {
        action->setText(ToQt(GetLangText(FromQt(action->text()))));
        action->setToolTip(action->text());
    }
    services_.Tray().SetHint(GetLangText(services_.Tray().Hint()));
    const std::array<QAction*, 7> actionOf = LinkActions();
    for (std::size_t i = 0; i < links.size(); ++i) links[i]->setText(actionOf[i]->text());
}

bool MainWindow::IsShownToUser() const {
    return isVisible() && !isMinimized();
}

void MainWindow::HideMainWindow() {
    if (TrayAreaAvailable()) {
        hide();
    } else {
        showMinimized();
    }
}

void MainWindow::FollowTrayArea() {
    connect(&services_.Tray(), &TrayIcon::AreaAppeared, this, &MainWindow::MoveIntoTrayArea);
    services_.Tray().WatchForArea();
}

void MainWindow::MoveIntoTrayArea() {
    // Minimised stood for hidden while there was no notification area.
    const bool hidden = !isVisible() || isMinimized();
    setWindowFlag(Qt::Window, false);
    setWindowFlag(Qt::Tool, true);  // out of the taskbar
    if (hidden) {
        hide();
    } else {
        showNormal();
    }
}

void MainWindow::ShowMainWindow() {
    if (IsShownToUser()) return;
    showNormal();
    raise();
    activateWindow();
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) OnActivated();
    return QWidget::event(event);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    OnShown();
    if (!activatedOnce)
        QTimer::singleShot(0, this, [this] {
            if (!activatedOnce) OnActivated();
        });
}

void MainWindow::OnShown() {
    QWidget* const order[] = {OpenWindow(WindowKind::Setup) != nullptr
                                  ? OpenWindow(WindowKind::Setup)
                                  : OpenWindow(WindowKind::Filter),
                              OpenWindow(WindowKind::Results), OpenWindow(WindowKind::List)};
    for (QWidget* window : order) {
        if (!window) continue;
        window->raise();
        window->activateWindow();
    }
}

void MainWindow::OnActivated() {
    if (!activatedOnce && state_.accounts.empty()) ShowSetupWindow(state_);
    activatedOnce = true;
    UpdateActions();
    OnShown();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closeRequested && !state_.accounts.empty()) {
        closeRequested = false;
        ShowMainWindow();
        const auto answer = ShowMessageBox(this, Text("close_main_dialog_title"),
                                           Text("close_main_dialog"), QMessageBox::Warning,
                                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    event->accept();
    Q_EMIT closing();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        actContinue->trigger();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        OpenHelp(kHelpTopic);
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    // The right button opens the popup menu; the others drag the borderless window.
    if (event->button() == Qt::RightButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (windowHandle() != nullptr) windowHandle()->startSystemMove();
    event->accept();
}
