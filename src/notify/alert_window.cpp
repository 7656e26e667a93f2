#include "notify/alert_window.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "notify/alert_parts.h"
#include "settings/language.h"
#include "widgets/ui_text.h"

namespace {
constexpr int kCaptionHeight = 16;
const QString kPositionFormat = QStringLiteral("%d of %d");
}  // namespace

AlertWindow::AlertWindow(std::function<QPixmap(int)> image)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      image_(std::move(image)),
      fadeTimer_(new QTimer(this)),
      displayTimer_(new QTimer(this)) {
    setObjectName("alert");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    resize(kWidth, kHeight);
    fadeTimer_->setInterval(kFadeStepMs);
    connect(fadeTimer_, &QTimer::timeout, this, &AlertWindow::FadeStep);
    displayTimer_->setSingleShot(true);
    displayTimer_->setInterval(kDisplayMs);
    connect(displayTimer_, &QTimer::timeout, this, &AlertWindow::StartFadeOut);
    BuildParts();
}

void AlertWindow::BuildParts() {
    caption_ = new QWidget(this);
    caption_->setFixedHeight(kCaptionHeight);
    position_ = new QLabel(caption_);
    position_->setObjectName("alertPosition");
    QPalette captionText = position_->palette();
    captionText.setColor(QPalette::WindowText, Qt::white);
    position_->setPalette(captionText);
    previous_ = new AlertButton(AlertButton::Glyph::Previous, QStringLiteral("Previous"), caption_);
    previous_->setObjectName("alertPrevious");
    next_ = new AlertButton(AlertButton::Glyph::Next, QStringLiteral("Next"), caption_);
    next_->setObjectName("alertNext");
    close_ = new AlertButton(AlertButton::Glyph::Close, QStringLiteral("OK"), caption_);
    close_->setObjectName("alertClose");
    openMail_ = new AlertButton(AlertButton::Glyph::Mail, ToQt(GetLangText("open_mail_program_mm")),
                                caption_);
    openMail_->setObjectName("alertOpenMail");
    auto* captionRow = new QHBoxLayout(caption_);
    captionRow->setContentsMargins(4, 1, 2, 1);
    captionRow->setSpacing(1);
    captionRow->addWidget(position_);
    captionRow->addStretch();
    captionRow->addWidget(openMail_);
    captionRow->addWidget(previous_);
    captionRow->addWidget(next_);
    captionRow->addWidget(close_);
    connect(previous_, &QAbstractButton::clicked, this, [this] { Navigate(-1); });
    connect(next_, &QAbstractButton::clicked, this, [this] { Navigate(1); });
    connect(close_, &QAbstractButton::clicked, this, &AlertWindow::HideAlert);
    connect(openMail_, &QAbstractButton::clicked, this, &AlertWindow::OpenMailClicked);

    body_ = new QWidget(this);
    body_->setObjectName("alertBody");
    body_->setCursor(Qt::PointingHandCursor);
    body_->installEventFilter(this);
    picture_ = new QLabel(body_);
    picture_->setObjectName("alertImage");
    picture_->setFixedSize(32, 32);
    text_ = new QLabel(body_);
    text_->setObjectName("alertText");
    text_->setTextFormat(Qt::RichText);
    text_->setTextInteractionFlags(Qt::NoTextInteraction);
    for (QLabel* label : {picture_, text_}) label->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* bodyRow = new QHBoxLayout(body_);
    bodyRow->setContentsMargins(4, 1, 4, 1);
    bodyRow->setSpacing(6);
    bodyRow->addWidget(picture_, 0, Qt::AlignVCenter);
    bodyRow->addWidget(text_, 1, Qt::AlignVCenter);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(1, 1, 1, 1);
    column->setSpacing(0);
    column->addWidget(caption_);
    column->addWidget(body_, 1);
}

void AlertWindow::ClearMessages() {
    messages_.clear();
    current_ = 0;
}

void AlertWindow::AddMessage(const QString& text, int imageIndex) {
    messages_.append({text, imageIndex});
    current_ = static_cast<int>(messages_.size()) - 1;
}

void AlertWindow::Rebuild() {
    if (messages_.isEmpty()) {
        text_->clear();
        picture_->clear();
        position_->clear();
    } else {
        current_ = std::clamp(current_, 0, static_cast<int>(messages_.size()) - 1);
        const AlertMessage& message = messages_.at(current_);
        text_->setText(AlertMarkupToHtml(message.text));
        picture_->setPixmap(image_ ? image_(message.imageIndex) : QPixmap());
        position_->setText(
            AlertPositionText(kPositionFormat, current_ + 1, static_cast<int>(messages_.size())));
    }
    previous_->setEnabled(current_ > 0);
    next_->setEnabled(current_ + 1 < messages_.size());
    layout()->activate();
    const QSize wanted = layout()->totalSizeHint();
    resize(std::max(kWidth, wanted.width()), std::max(kHeight, wanted.height()));
}

void AlertWindow::PlaceBottomRight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    move(area.right() + 1 - width(), area.bottom() + 1 - height());
}

void AlertWindow::ShowAlert() {
    if (phase_ == Phase::Hidden || phase_ == Phase::FadingOut || !isVisible()) {
        displayTimer_->stop();
        Rebuild();
        SetAlpha(kAlphaStart);
        PlaceBottomRight();
        show();
        raise();
        phase_ = Phase::FadingIn;
        fadeTimer_->start();
        return;
    }
    Rebuild();
    PlaceBottomRight();
}

void AlertWindow::HideAlert() {
    fadeTimer_->stop();
    displayTimer_->stop();
    const bool wasShown = isVisible();
    hide();
    phase_ = Phase::Hidden;
    if (wasShown) Q_EMIT Closed();
}

void AlertWindow::FadeStep() {
    if (phase_ == Phase::FadingIn) {
        SetAlpha(alpha_ + 1);
        if (alpha_ < kAlphaEnd) return;
        fadeTimer_->stop();
        phase_ = Phase::Displayed;
        displayTimer_->start();
    } else if (phase_ == Phase::FadingOut) {
        SetAlpha(alpha_ - 1);
        if (alpha_ > 0) return;
        fadeTimer_->stop();
        hide();
        phase_ = Phase::Hidden;
    } else {
        fadeTimer_->stop();
    }
}

void AlertWindow::StartFadeOut() {
    phase_ = Phase::FadingOut;
    fadeTimer_->start();
}

void AlertWindow::SetAlpha(int alpha) {
    alpha_ = std::clamp(alpha, 0, 255);
    setWindowOpacity(alpha_ / 255.0);
}

void AlertWindow::Navigate(int step) {
    current_ += step;
    Rebuild();
    PlaceBottomRight();
}

bool AlertWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == body_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Q_EMIT PopupClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AlertWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRectF whole = rect();
    painter.fillRect(
        whole, VerticalGradient(whole, alert_colors::kWindowTop, alert_colors::kWindowBottom));
    const QRectF caption = caption_->geometry();
    painter.fillRect(caption, VerticalGradient(caption, alert_colors::kCaptionTop,
                                               alert_colors::kCaptionBottom));
    painter.setPen(alert_colors::kBorder);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
