#pragma once
// The header list of the list window: one row per listed message on the controller's model,
// sorted by a click on a column caption, with the row menu on a right click.

#include <QTreeView>

#include "list/ui/list_actions.h"

class HeaderListModel;
struct MessageRow;

class HeaderList : public QTreeView {
    Q_OBJECT
public:
    HeaderList(HeaderListModel* model, const ListActions& actions, QWidget* parent = nullptr);

    // Sorts by the column in its one direction and shows that in the caption.
    void SortBy(int column);
    // The current row's index, or -1; the current row, or null.
    int ChosenIndex() const;
    MessageRow* ChosenRow() const;
    // No row is current or selected.
    void ClearChoice();

Q_SIGNALS:
    // Another row became current.
    void rowChosen();

private:
    HeaderListModel* model_;
    QMenu* rowMenu_ = nullptr;
};
