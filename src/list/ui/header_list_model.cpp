#include "list/ui/header_list_model.h"

#include <QPixmap>
#include <unordered_map>

#include "widgets/ui_text.h"

namespace {
constexpr int kColumns = 6;
}  // namespace

HeaderListModel::HeaderListModel(QObject* parent) : QAbstractTableModel(parent) {}

int HeaderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int HeaderListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant HeaderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const MessageRow& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case kDateColumn:
                    return ToQt(row.dateText);
                case kFromColumn:
                    return ToQt(row.senderText);
                case kSubjectColumn:
                    return ToQt(row.subjectText);
                case kSizeColumn:
                    return ToQt(row.sizeText);
                case kNumberColumn:
                    return ToQt(row.numberText);
                default:
                    return {};
            }
        case Qt::DecorationRole:
            if (index.column() == kMarkColumn) return row.spam ? spamIcon_ : blankIcon_;
            return {};
        case Qt::AccessibleTextRole:
            if (index.column() == kMarkColumn) return row.spam ? markName_ : QString();
            return {};
        case Qt::ToolTipRole:  // why the server's verdicts mark it
            return row.spamReason.empty() ? QVariant() : QVariant(ToQt(row.spamReason));
        case Qt::TextAlignmentRole:
            if (index.column() >= kSizeColumn)
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant HeaderListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= captions_.size()) return {};
    if (role == Qt::DisplayRole) return section == kMarkColumn ? QString() : captions_[section];
    if (role == Qt::AccessibleTextRole)
        return section == kMarkColumn ? markName_ : captions_[section];
    if (role == Qt::TextAlignmentRole && section >= kSizeColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

void HeaderListModel::sort(int column, Qt::SortOrder) {
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The kept indices (current row, selection) follow their rows, known by their entries.
    const QModelIndexList before = persistentIndexList();
    std::vector<const MailMessage*> entries;
    for (const QModelIndex& index : before)
        entries.push_back(rows_[static_cast<std::size_t>(index.row())].entry.get());
    SortRows(rows_, column);
    std::unordered_map<const MailMessage*, int> newRow;
    if (!before.isEmpty()) {
        for (std::size_t r = 0; r < rows_.size(); ++r)
            newRow.emplace(rows_[r].entry.get(), static_cast<int>(r));
    }
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i) {
        const auto found = newRow.find(entries[static_cast<std::size_t>(i)]);
        after.append(found == newRow.end() || found->first == nullptr
                         ? QModelIndex()
                         : index(found->second, before[i].column()));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void HeaderListModel::SetSpamIcon(const QIcon& icon, QSize size) {
    spamIcon_ = icon;
    QPixmap blank(size);
    blank.fill(Qt::transparent);
    blankIcon_ = QIcon(blank);
}

void HeaderListModel::SetCaptions(const QStringList& captions, const QString& markName) {
    captions_ = captions;
    markName_ = markName;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

void HeaderListModel::SetRows(std::vector<MessageRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void HeaderListModel::Clear() {
    SetRows({});
}

void HeaderListModel::RemoveRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void HeaderListModel::SetSpam(int row, bool spam) {
    if (row < 0 || row >= rowCount()) return;
    rows_[static_cast<std::size_t>(row)].spam = spam;
    Q_EMIT dataChanged(index(row, kMarkColumn), index(row, kMarkColumn));
}

void HeaderListModel::SetAllSpam(bool spam) {
    for (auto& row : rows_) row.spam = spam;
    if (!rows_.empty())
        Q_EMIT dataChanged(index(0, kMarkColumn), index(rowCount() - 1, kMarkColumn));
}

MessageRow* HeaderListModel::Row(int row) {
    if (row < 0 || row >= rowCount()) return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}
