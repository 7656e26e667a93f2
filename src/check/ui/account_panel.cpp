#include "check/ui/account_panel.h"

#include <qdrawutil.h>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <algorithm>
#include <string>
#include <string_view>

#include "check/account_status.h"
#include "check/folder_tally.h"
#include "check/ui/image_list.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"
#include "state/app_state.h"
#include "widgets/help.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

namespace {

constexpr int kPanelHeight = 100;
constexpr int kFrameInset = 4;
constexpr int kTitleWidth = 96;
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
    }

    void WatchClicks(QWidget* part) { part->installEventFilter(this); }

protected:
    // A raised frame inside the panel's edge.
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        QPainter painter(this);
        qDrawShadePanel(&painter,
                        rect().adjusted(kFrameInset, kFrameInset, -kFrameInset, -kFrameInset),
                        palette(), false, 1);
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

QLabel* AddLabel(AccountPanel* panel, const char* key) {
    auto* label = new QLabel(panel);
    label->setObjectName(QString::fromLatin1(key));
    label->setTextFormat(Qt::PlainText);
    label->setText(ToQt(GetLangText(key)));
    SetTextColour(label, kBlack);
    panel->WatchClicks(label);
    return label;
}

// A value may be longer than the panel is wide: it is cut at the panel's edge (its hint holds
// it whole) rather than widening the window.
QLabel* AddValue(AccountPanel* panel, const char* key) {
    QLabel* value = AddLabel(panel, key);
    value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return value;
}

void SetBold(QWidget* widget) {
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

QLabel* AddStatusPicture(AccountPanel* panel) {
    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("I") + panel->objectName());
    picture->setFixedSize(32, 32);
    panel->WatchClicks(picture);
    return picture;
}

QToolButton* AddHelpButton(AccountPanel* panel) {
    auto* button = new QToolButton(panel);
    button->setObjectName(QStringLiteral("H") + panel->objectName());
    button->setAutoRaise(true);
    button->setIcon(HelpButtonPicture());
    button->setToolTip(ToQt(GetLangText("help_btn")));
    button->setAccessibleName(button->toolTip());
    button->setFixedSize(22, 22);
    QObject::connect(button, &QToolButton::clicked, [] { ShowHelpTopic(kResultsHelpTopic); });
    return button;
}

QLabel* AddSslMark(AccountPanel* panel) {
    auto* mark = new QLabel(panel);
    mark->setObjectName(QStringLiteral("issl") + panel->objectName());
    mark->setPixmap(SslMarkPicture());
    mark->setFixedSize(16, 16);
    return mark;
}

QLabel* AddClickLink(AccountPanel* panel) {
    QLabel* link = AddLabel(panel, "title_click");
    link->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    QFont font(QStringLiteral("Arial"), 8);
    font.setStyleHint(QFont::SansSerif);
    font.setItalic(true);
    font.setUnderline(true);
    link->setFont(font);
    SetTextColour(link, kGrey);
    MakeClickable(link);
    return link;
}

// Titles on the left, the values beside them, the status picture on the right; below, the help
// button and the invitation to click, the status line, and for an account that watches several
// folders a line more with each folder's count.
void LayOutPanel(AccountPanel* panel, bool secure, bool folders) {
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(8, 8, 10, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    grid->setColumnMinimumWidth(0, kTitleWidth);
    grid->setColumnMinimumWidth(1, 16);
    grid->setColumnStretch(2, 1);
    const char* const rows[][2] = {{"title_email", "value_email"},
                                   {"title_count", "value_count"},
                                   {"title_last_check", "value_last_check"}};
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(AddLabel(panel, rows[row][0]), row, 0);
        QLabel* value = AddValue(panel, rows[row][1]);
        grid->addWidget(value, row, 2, 1, row == 0 ? 2 : 1);
        if (row < 2) SetBold(value);
    }
    SetTextColour(panel->findChild<QLabel*>(QStringLiteral("value_email")), kDarkRed);
    if (secure) grid->addWidget(AddSslMark(panel), 0, 1);
    grid->addWidget(AddStatusPicture(panel), 1, 3, 3, 1, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(AddHelpButton(panel), 3, 0, Qt::AlignLeft);
    grid->addWidget(AddClickLink(panel), 3, 1, 1, 3);
    grid->addWidget(AddLabel(panel, "title_status"), 4, 0);
    grid->addWidget(AddValue(panel, "value_status"), 4, 1, 1, 3);
    if (folders) {
        grid->addWidget(AddLabel(panel, "title_folders"), 5, 0, Qt::AlignTop);
        grid->addWidget(AddValue(panel, "value_folders"), 5, 1, 1, 3);
    }
    grid->setRowStretch(6, 1);
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

int AccountPanelHeight(const AccountSettings& account, const QWidget* window) {
    if (!WatchesFolders(account)) return kPanelHeight;
    const auto lines =
        std::max<std::size_t>(1, ShownFolderStates(account, *OpenSettings(), 0).size());
    return kPanelHeight + static_cast<int>(lines) * window->fontMetrics().lineSpacing();
}

void BuildAccountPanel(AppState& state, int index, QWidget* window) {
    if (index < 0 || static_cast<std::size_t>(index) >= state.Accounts().size()) return;
    QWidget* parent = PanelParent(window);
    auto* panel = new AccountPanel(state, PanelName(index), parent);
    if (parent->layout() != nullptr) {
        auto* column = qobject_cast<QBoxLayout*>(parent->layout());
        if (column != nullptr)
            column->insertWidget(column->count() - 1, panel);
        else
            parent->layout()->addWidget(panel);
    }
    const AccountSettings& shown = state.Accounts()[static_cast<std::size_t>(index)].params;
    panel->setFixedHeight(AccountPanelHeight(shown, window));
    LayOutPanel(panel, shown.ssl || shown.startTls, WatchesFolders(shown));
    RefreshAccountPanel(state, index, window);
}

void RefreshAccountPanel(const AppState& state, int index, QWidget* window) {
    if (index < 0 || static_cast<std::size_t>(index) >= state.Accounts().size()) return;
    auto* panel = window->findChild<QWidget*>(PanelName(index));
    if (panel == nullptr) return;
    const AccountEntry& item = state.Accounts()[static_cast<std::size_t>(index)];
    std::string hint = item.params.email + " - " + std::string(ProtocolName(item.params.protocol));
    if (state.PushUnused(item.params.email)) hint += "\n" + GetLangText("push_unused");
    panel->setToolTip(ToQt(hint));

    panel->setProperty(kAccountProperty, ToQt(item.params.email));

    const auto settings = OpenSettings();
    const AccountStatus status = StatusOf(item, *settings);
    SetValueLabel(panel, "value_email", status.enabled ? kBlue : kGrey, status.email);
    SetValueLabel(panel, "value_count", kBlack, status.count);
    SetValueLabel(panel, "value_last_check", kBlack, status.lastCheck);
    const std::string note = state.CommandFailure(item.params.email);  // the command on new mail
    SetValueLabel(panel, "value_status", StatusColour(status.state),
                  note.empty() ? status.status : status.status + " - " + note);
    SetStatusPicture(panel, StatusPicture(status.state));
    if (WatchesFolders(item.params)) {
        const std::vector<FolderRunState> folders =
            ShownFolderStates(item.params, *settings, item.lastChange);
        SetValueLabel(panel, "value_folders", kBlack, FolderCountsText(folders));
        panel->setFixedHeight(AccountPanelHeight(item.params, panel));
    }
}

void OpenListFromPanel(AppState& state, QWidget* part) {
    QWidget* panel = part;
    while (panel != nullptr && !panel->property(kAccountProperty).isValid())
        panel = panel->parentWidget();
    state.SetPendingAccount(panel != nullptr ? FromQt(panel->property(kAccountProperty).toString())
                                             : "");
    Q_EMIT Requests().listWanted();
}
