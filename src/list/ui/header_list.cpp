#include "list/ui/header_list.h"

#include <QHeaderView>
#include <QMenu>

#include "list/list_window_rules.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window_parts.h"

using namespace list_window_parts;

namespace {

QMenu* RowMenu(const ListActions& actions, QWidget* parent) {
    auto* menu = Named(new QMenu(parent), "popupm2");
    menu->addActions({actions.toggleSpam, actions.toggleAllSpam, actions.toggleNoSpam});
    menu->addSeparator();
    menu->addActions({actions.spamSender, actions.spamSubject});
    menu->addSeparator();
    menu->addActions({actions.remove, actions.deleteSpam});
    menu->addSeparator();
    menu->addAction(actions.retrieve);
    return menu;
}

// The selection keeps its colour when the list loses the focus.
void KeepSelectionColour(QWidget* view) {
    QPalette palette = view->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    view->setPalette(palette);
}

}  // namespace

HeaderList::HeaderList(HeaderListModel* model, const ListActions& actions, QWidget* parent)
    : QTreeView(parent), model_(model) {
    setObjectName(QStringLiteral("headers"));
    model_->SetSpamIcon(ListImage(kSpamImage), QSize(16, 16));
    QStringList captions;
    for (const ColumnBounds& column : kHeaderColumns)
        captions << (column.captionKey[0] != '\0' ? Text(column.captionKey) : QString());
    model_->SetCaptions(captions, Text("spam_mark"));
    setModel(model_);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMinimumHeight(kHeadersMinimumHeight);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(18);
    // The other columns keep the widths they were given; the subject takes the rest.
    header()->setSectionResizeMode(kSubjectColumn, QHeaderView::Stretch);
    setAccessibleName(captions.mid(1).join(QStringLiteral(", ")));
    Colour(this, QPalette::Base, kListColour);
    KeepSelectionColour(this);
    ClampColumns(header(), kHeaderColumns);

    rowMenu_ = RowMenu(actions, this);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { rowMenu_->popup(viewport()->mapToGlobal(at)); });
    connect(header(), &QHeaderView::sectionClicked, this, &HeaderList::SortBy);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &HeaderList::rowChosen);
}

void HeaderList::SortBy(int column) {
    model_->sort(column);
    header()->setSortIndicator(column,
                               SortsDescending(column) ? Qt::DescendingOrder : Qt::AscendingOrder);
}

int HeaderList::ChosenIndex() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

MessageRow* HeaderList::ChosenRow() const {
    return model_->Row(ChosenIndex());
}

void HeaderList::ClearChoice() {
    setCurrentIndex(QModelIndex());
    clearSelection();
}
