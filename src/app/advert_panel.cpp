#include "app/advert_panel.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <QUrl>

#include "app/command_link.h"
#include "settings/language.h"
#include "widgets/help.h"
#include "widgets/ui_text.h"

namespace {

QString HelpPageAddress(int topic) {
    return QUrl::fromLocalFile(ToQt(HelpPagePath(topic))).toString();
}

constexpr const char* kTipKeys[] = {"advert_tip_1", "advert_tip_2", "advert_tip_3"};
constexpr int kHelpTopic = 800;
constexpr int kSetupTopic = 300;

}  // namespace

AdvertPanel::AdvertPanel(QWidget* parent)
    : QFrame(parent), tip_(new QLabel(this)), tipTimer_(new QTimer(this)) {
    setObjectName("advert");
    setFixedHeight(kHeight);
    setAutoFillBackground(true);
    QPalette colors = palette();
    colors.setColor(QPalette::Window, QColor(0xE8, 0xF0, 0xFC));
    setPalette(colors);
    setFrameShape(QFrame::NoFrame);

    auto* logo = new QLabel(this);
    logo->setObjectName("ap_logo");
    logo->setPixmap(QPixmap(QStringLiteral(":/tarnwick/tray_normal.png"))
                        .scaled(40, 40, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    logo->setFixedSize(40, 40);

    tip_->setObjectName("ap_tip");
    tip_->setWordWrap(true);
    tip_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (const char* key : kTipKeys) tips_.append(ToQt(GetLangText(key)));
    tip_->setText(tips_.value(0));

    // The logo on the left; right of it the tip (two lines) above the two links.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 8, 10, 6);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    grid->addWidget(logo, 0, 0, 2, 1, Qt::AlignVCenter);
    grid->addWidget(tip_, 0, 1, 1, 2);
    grid->addWidget(AddLink("ap_help", "advert_help", HelpPageAddress(kHelpTopic)), 1, 1);
    grid->addWidget(AddLink("ap_setup", "advert_setup", HelpPageAddress(kSetupTopic)), 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(0, 1);

    tipTimer_->setInterval(kTipMs);
    connect(tipTimer_, &QTimer::timeout, this, &AdvertPanel::NextTip);
}

CommandLink* AdvertPanel::AddLink(const char* name, const char* key, const QString& address) {
    auto* link = new CommandLink(this);
    link->setObjectName(name);
    link->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    link->setText(ToQt(GetLangText(key)));
    link->setToolTip(address);
    QFont underlined = link->font();
    underlined.setUnderline(true);
    link->setFont(underlined);
    link->SetColor(Qt::blue);
    connect(link, &CommandLink::Clicked, this, [this, link] { OpenTipLink(link); });
    return link;
}

void AdvertPanel::StartAnimation() {
    if (!tipTimer_->isActive()) tipTimer_->start();
}

void AdvertPanel::StopAnimation() {
    tipTimer_->stop();
}

bool AdvertPanel::Animating() const {
    return tipTimer_->isActive();
}

QString AdvertPanel::CurrentTip() const {
    return tip_->text();
}

void AdvertPanel::NextTip() {
    if (tips_.isEmpty()) return;
    tipIndex_ = (tipIndex_ + 1) % static_cast<int>(tips_.size());
    tip_->setText(tips_.at(tipIndex_));
}

void AdvertPanel::OpenTipLink(QWidget* control) {
    QDesktopServices::openUrl(QUrl(control->toolTip()));
}
