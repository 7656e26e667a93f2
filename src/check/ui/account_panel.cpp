#include "check/ui/account_panel.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QToolButton>
#include <string>
#include <string_view>

#include "check/account_status.h"
#include "check/ui/image_list.h"
#include "platform/help.h"
#include "platform/ui_text.h"
#include "platform/window_registry.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"
#include "state/app_state.h"

namespace {

constexpr int kPanelHeight = 100;
constexpr int kResultsHelpTopic = 100;
constexpr const char* kClickable = "clickable";
// The address of the panel's account, which a click opens in the list window.
constexpr const char* kAccountProperty = "account";

const QColor kBlack(0x00, 0x00, 0x00);
const QColor kBlue(0x00, 0x00, 0xFF);
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kGreen(0x00, 0x80, 0x00);
const QColor kPurple(0x80, 0x00, 0x80);
const QColor kDarkRed(0x80, 0x00, 0x00);
const QColor kPanelColour(0xDA, 0xEA, 0xFD);

QString PanelName(int index) {
    return QStringLiteral("panel_%1").arg(index);
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void MakeClickable(QWidget* part) {
    part->setCursor(Qt::PointingHandCursor);
    part->setProperty(kClickable, true);
}

// A panel places its right-anchored parts whenever its width changes, and turns a left click
// on a clickable part into OpenListFromPanel.
class AccountPanel : public QWidget {
public:
    AccountPanel(AppState& state, const QString& name, QWidget* parent)
        : QWidget(parent), state_(state) {
        setObjectName(name);
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, kPanelColour);
        setPalette(palette);
        setFixedHeight(kPanelHeight);
    }

    void WatchClicks(QWidget* part) { part->installEventFilter(this); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        const int w = width();
        if (auto* frame = findChild<QFrame*>(QStringLiteral("frame"), Qt::FindDirectChildrenOnly))
            frame->setGeometry(4, 4, w - 8, height() - 8);
        if (auto* picture =
                findChild<QLabel*>(QStringLiteral("I") + objectName(), Qt::FindDirectChildrenOnly))
            picture->move(w - 42, 32);
        if (auto* link =
                findChild<QLabel*>(QStringLiteral("title_click"), Qt::FindDirectChildrenOnly))
            link->setFixedWidth(w - 40);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* part = qobject_cast<QWidget*>(watched);
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (part != nullptr && mouse->button() == Qt::LeftButton &&
                part->rect().contains(mouse->position().toPoint()) &&
                part->property(kClickable).toBool()) {
                OpenListFromPanel(state_, part);
                return true;
            }
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    AppState& state_;
};

QLabel* AddLabel(AccountPanel* panel, const char* key, int left, int top) {
    auto* label = new QLabel(panel);
    label->setObjectName(QString::fromLatin1(key));
    label->setTextFormat(Qt::PlainText);
    label->setText(ToQt(GetLangText(key)));
    label->move(left, top);
    label->adjustSize();
    SetTextColour(label, kBlack);
    panel->WatchClicks(label);
    return label;
}

void SetBold(QWidget* widget) {
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

void AddFrame(AccountPanel* panel) {
    auto* frame = new QFrame(panel);
    frame->setObjectName(QStringLiteral("frame"));
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Raised);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->setGeometry(4, 4, panel->width() - 8, kPanelHeight - 8);
}

void AddStatusPicture(AccountPanel* panel) {
    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("I") + panel->objectName());
    picture->setGeometry(panel->width() - 42, 32, 32, 32);
    panel->WatchClicks(picture);
}

void AddHelpButton(AccountPanel* panel) {
    auto* button = new QToolButton(panel);
    button->setObjectName(QStringLiteral("H") + panel->objectName());
    button->setAutoRaise(true);
    button->setIcon(HelpButtonPicture());
    button->setToolTip(ToQt(GetLangText("help_btn")));
    button->setAccessibleName(button->toolTip());
    button->setGeometry(8, 56, 22, 22);
    QObject::connect(button, &QToolButton::clicked, [] { ShowHelpTopic(kResultsHelpTopic); });
}

void AddSslMark(AccountPanel* panel) {
    auto* mark = new QLabel(panel);
    mark->setObjectName(QStringLiteral("issl") + panel->objectName());
    mark->setPixmap(SslMarkPicture());
    mark->setGeometry(108, 8, 16, 16);
}

void AddClickLink(AccountPanel* panel) {
    QLabel* link = AddLabel(panel, "title_click", 32, 64);
    link->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font(QStringLiteral("Arial"), 8);
    font.setStyleHint(QFont::SansSerif);
    font.setItalic(true);
    font.setUnderline(true);
    link->setFont(font);
    SetTextColour(link, kGrey);
    link->adjustSize();
    link->setFixedSize(panel->width() - 40, link->height());
    MakeClickable(link);
}

void AddLabels(AccountPanel* panel) {
    AddLabel(panel, "title_email", 8, 8);
    QLabel* email = AddLabel(panel, "value_email", 128, 8);
    SetBold(email);
    SetTextColour(email, kDarkRed);
    AddLabel(panel, "title_count", 8, 24);
    SetBold(AddLabel(panel, "value_count", 128, 24));
    AddLabel(panel, "title_last_check", 8, 40);
    AddLabel(panel, "value_last_check", 128, 40);
    AddLabel(panel, "title_status", 8, 80);
    AddLabel(panel, "value_status", 128, 80);
    AddClickLink(panel);
}

// Puts the panel below the others: into the window's panel column when it has one.
QWidget* PanelParent(QWidget* window) {
    auto* column = window->findChild<QWidget*>(QStringLiteral("panels"));
    return column != nullptr ? column : window;
}

// The colour of the status line and the status picture of each state.
QColor StatusColour(AccountState state) {
    switch (state) {
        case AccountState::NewMail:
        case AccountState::Changed:
            return kRed;
        case AccountState::Disabled:
            return kGrey;
        case AccountState::Ok:
            return kGreen;
        case AccountState::Failed:
            return kPurple;
    }
    return kBlack;
}

int StatusPicture(AccountState state) {
    switch (state) {
        case AccountState::NewMail:
            return 1;
        case AccountState::Disabled:
            return 2;
        case AccountState::Failed:
            return 3;
        case AccountState::Changed:
        case AccountState::Ok:
            return 0;
    }
    return 0;
}

void SetValueLabel(QWidget* panel, const char* name, const QColor& colour,
                   const std::string& text) {
    auto* label = panel->findChild<QLabel*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    if (label == nullptr) return;
    SetTextColour(label, colour);
    label->setText(ToQt(text));
    // Only a blue text is a link: bold, underlined and clickable. Its hint names the account.
    const bool link = colour == kBlue;
    label->setToolTip(link ? label->text() : LiteralToolTip(label->text()));
    QFont font = label->font();
    if (link) font.setBold(true);
    font.setUnderline(link);
    label->setFont(font);
    if (link)
        MakeClickable(label);
    else {
        label->unsetCursor();
        label->setProperty(kClickable, false);
    }
    label->adjustSize();
}

void SetStatusPicture(QWidget* panel, int picture) {
    auto* image = panel->findChild<QLabel*>(QStringLiteral("I") + panel->objectName(),
                                            Qt::FindDirectChildrenOnly);
    if (image == nullptr) return;
    image->setPixmap(ImageListPicture(picture));
    image->setToolTip(panel->toolTip());
    MakeClickable(image);
}

}  // namespace

void BuildAccountPanel(AppState& state, int index, QWidget* window) {
    if (index < 0 || static_cast<std::size_t>(index) >= state.accounts.size()) return;
    QWidget* parent = PanelParent(window);
    auto* panel = new AccountPanel(state, PanelName(index), parent);
    if (parent->layout() != nullptr) {
        auto* column = qobject_cast<QBoxLayout*>(parent->layout());
        if (column != nullptr)
            column->insertWidget(column->count() - 1, panel);
        else
            parent->layout()->addWidget(panel);
    }
    panel->resize(parent->width(), kPanelHeight);
    AddFrame(panel);
    AddStatusPicture(panel);
    AddHelpButton(panel);
    const AccountSettings& shown = state.accounts[static_cast<std::size_t>(index)].params;
    if (shown.ssl || shown.startTls) AddSslMark(panel);
    AddLabels(panel);
    RefreshAccountPanel(state, index, window);
}

void RefreshAccountPanel(const AppState& state, int index, QWidget* window) {
    if (index < 0 || static_cast<std::size_t>(index) >= state.accounts.size()) return;
    auto* panel = window->findChild<QWidget*>(PanelName(index));
    if (panel == nullptr) return;
    const AccountEntry& item = state.accounts[static_cast<std::size_t>(index)];
    panel->setToolTip(
        ToQt(item.params.email + " - " + std::string(ProtocolName(item.params.protocol))));

    panel->setProperty(kAccountProperty, ToQt(item.params.email));

    const AccountStatus status = StatusOf(item, *OpenSettings());
    SetValueLabel(panel, "value_email", status.enabled ? kBlue : kGrey, status.email);
    SetValueLabel(panel, "value_count", kBlack, status.count);
    SetValueLabel(panel, "value_last_check", kBlack, status.lastCheck);
    const auto note = state.commandFailures.find(item.params.email);  // the command on new mail
    SetValueLabel(
        panel, "value_status", StatusColour(status.state),
        note == state.commandFailures.end() ? status.status : status.status + " - " + note->second);
    SetStatusPicture(panel, StatusPicture(status.state));
}

void OpenListFromPanel(AppState& state, QWidget* part) {
    QWidget* panel = part;
    while (panel != nullptr && !panel->property(kAccountProperty).isValid())
        panel = panel->parentWidget();
    state.pendingAccount =
        panel != nullptr ? FromQt(panel->property(kAccountProperty).toString()) : "";
    Q_EMIT Requests().listWanted();
}
