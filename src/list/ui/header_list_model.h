#pragma once
// The rows of the header list as a Qt model: the listed rows stay in one vector of the core's
// MessageRow, and the view asks for the texts of what it shows.

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>
#include <vector>

#include "list/list_row.h"

class HeaderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit HeaderListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Sorts by the column in its one direction (the order argument is ignored).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Column captions (column 0 has none on screen; its text is for screen readers only).
    void SetCaptions(const QStringList& captions, const QString& markName);
    // The mark of spam rows; every other row gets a blank picture of its size, so that every
    // row is as high as a marked one.
    void SetSpamIcon(const QIcon& icon, QSize size);

    void SetRows(std::vector<MessageRow> rows);
    void Clear();
    void RemoveRow(int row);
    void SetSpam(int row, bool spam);
    void SetAllSpam(bool spam);

    const std::vector<MessageRow>& Rows() const { return rows_; }
    // The row, or null when `row` is out of range.
    MessageRow* Row(int row);

private:
    std::vector<MessageRow> rows_;
    QStringList captions_;
    QString markName_;
    QIcon spamIcon_;
    QIcon blankIcon_;
};
