#include "check/ui/results_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <exception>
#include <string>

#include "check/ui/account_panel.h"
#include "check/ui/notification.h"
#include "settings/errors.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "state/app_state.h"
#include "widgets/help.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

namespace {

constexpr const char* kWindowName = "popResultsWindow";
constexpr int kPanelHeight = 100;
constexpr int kDefaultWidth = 328;
constexpr int kMinimumWidth = 308;
constexpr int kMaximumWidth = 800;
constexpr int kMinimumHeight = 88;
constexpr int kBorder = 4;
constexpr double kOpacity = 208.0 / 255.0;
constexpr int kResultsHelpTopic = 100;
const QColor kWindowColour(0xDA, 0xEA, 0xFD);

QRect ScreenArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

WindowLayout ResultsLayout(int width) {
    WindowLayout layout;
    layout.window = kWindowName;
    layout.width = width;
    return layout;
}

}  // namespace

ResultsWindow::ResultsWindow(AppState& state)
    : ChildWindow(WindowKind::Results, Qt::Tool | Qt::WindowStaysOnTopHint |
                                           Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                           Qt::WindowCloseButtonHint),
      state_(state) {
    setObjectName(QString::fromLatin1(kWindowName));
    SetUpWindow();
    SetUpPanelColumn();
    BuildPanels();
}

void ResultsWindow::SetUpWindow() {
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setMaximumWidth(kMaximumWidth);
    setWindowOpacity(kOpacity);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kWindowColour);
    setPalette(palette);
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
}

// The panels stack from the top in account order; when there are more than the screen
// holds, the column scrolls.
void ResultsWindow::SetUpPanelColumn() {
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("scroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(true);
    auto* column = new QWidget;
    column->setObjectName(QStringLiteral("panels"));
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addStretch(1);
    scroll_->setWidget(column);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll_);
}

int ResultsWindow::PanelAreaHeight() const {
    long long wanted = 0;
    for (const AccountEntry& item : state_.Accounts())
        wanted += AccountPanelHeight(item.params, this);
    const long long highest = std::max(kPanelHeight, ScreenArea().height() - kPanelHeight);
    return static_cast<int>(std::clamp<long long>(wanted, kPanelHeight, highest));
}

void ResultsWindow::BuildPanels() {
    const int area = PanelAreaHeight();
    resize(kDefaultWidth, area);
    WindowLayout layout = ResultsLayout(width());
    LoadWindowLayout(layout);
    resize(std::clamp(layout.width, kMinimumWidth, kMaximumWidth), area);
    PlaceAtBottomRight();
    setWindowTitle(QStringLiteral("  ") + ToQt(GetLangText("email_results_window")));
    for (std::size_t i = 0; i < state_.Accounts().size(); ++i)
        BuildAccountPanel(state_, static_cast<int>(i), this);
}

// The window's outer size is its inside plus the caption and a border on every side.
void ResultsWindow::PlaceAtBottomRight() {
    const QRect screen = ScreenArea();
    const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int outerWidth = width() + 2 * kBorder;
    const int outerHeight = height() + caption + 2 * kBorder;
    move(screen.x() + screen.width() - outerWidth, screen.y() + screen.height() - outerHeight);
}

void ResultsWindow::RefreshPanel(int index) {
    if (index >= 0) RefreshAccountPanel(state_, index, this);
}

void ResultsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        ShowHelpTopic(kResultsHelpTopic);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    AcknowledgeNewMail();
    state_.ClearLastChanges();
    try {
        SaveWindowLayout(ResultsLayout(width()));
    } catch (const std::exception& error) {
        // The window closes all the same; the failure reaches the program's error handler
        // from the event loop once the window is gone.
        QTimer::singleShot(0, QCoreApplication::instance(),
                           [message = std::string(error.what())] { throw TarnwickError(message); });
    }
    event->accept();
}

void OpenResultsWindow(AppState& state) {
    OpenOrRaise(WindowKind::Results, [&state] { return new ResultsWindow(state); });
}
