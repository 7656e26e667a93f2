#include "list/list_row.h"

#include <algorithm>
#include <clocale>

#include "message/header_decode.h"
#include "settings/language.h"
#include "settings/text_utils.h"
#include "spam/spam_filter.h"

namespace {

// The language's decimal separator ("," in Czech), else the C library's.
std::string DecimalSeparator() {
    if (const std::optional<std::string> separator = FindLangText("decimal_separator");
        separator && !separator->empty())
        return *separator;
    const std::lconv* conv = std::localeconv();
    return conv && conv->decimal_point && *conv->decimal_point ? conv->decimal_point : ".";
}

std::string GroupedDigits(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ' ';
        grouped += digits[i];
    }
    return grouped;
}

std::time_t TodayAtMidnight() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

template <typename T>
int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Merge sort whose loops stay within bounds even for an ordering that is not transitive.
template <typename It, typename Less>
void MergeSort(It first, It last, Less less) {
    if (last - first < 2) return;
    It middle = first + (last - first) / 2;
    MergeSort(first, middle, less);
    MergeSort(middle, last, less);
    std::inplace_merge(first, middle, last, less);
}

}  // namespace

std::string SenderText(const MailMessage& entry) {
    return Trim(DecodeHeaderText(entry.from.name) + " <" + entry.from.address + ">");
}

std::string SubjectText(const MailMessage& entry) {
    return Trim(DecodeHeaderText(entry.subject));
}

std::string SizeText(std::int64_t bytes) {
    // Thousandths of a kB, rounded half away from zero.
    const std::int64_t scaled = bytes * 1000;
    const std::int64_t magnitude = (std::max(scaled, -scaled) + 512) / 1024;
    const auto value = static_cast<std::uint64_t>(magnitude);
    const std::string fraction = std::to_string(value % 1000 + 1000);  // "1" and three digits
    std::string text = bytes < 0 && magnitude > 0 ? "-" : "";
    text.append(GroupedDigits(value / 1000)).append(DecimalSeparator());
    text.append(fraction, 1).append(" kB");
    return text;
}

std::string ListDateText(MailMessage& entry) {
    if (entry.date != 0) return DateTimeText(entry.date);
    entry.date = TodayAtMidnight();
    entry.AddExtraHeader("DATE_EMPTY", "1");
    return GetLangText("date_no_present");
}

SpamFacts SpamFactsOf(const MailMessage& entry, const std::string& subjectText,
                      const std::string& senderText, std::string_view authservId) {
    SpamFacts facts;
    facts.size = entry.size;
    facts.recipientCount = entry.RecipientCount();
    facts.toText = entry.ToText();
    facts.emptyDate = entry.ExtraHeader("DATE_EMPTY").has_value();
    facts.subject = subjectText;
    facts.sender = senderText;
    facts.server = ReadServerVerdict(entry.rawHeaderLines.Text(), entry.from.address, authservId);
    return facts;
}

MessageRow MakeListRow(std::unique_ptr<MailMessage> entry, const SpamAccount& account,
                       const SpamRules& rules, const SpamCriteria& criteria) {
    MessageRow row;
    row.senderText = SenderText(*entry);
    row.subjectText = SubjectText(*entry);
    row.dateText = ListDateText(*entry);
    row.sizeText = SizeText(entry->size);
    row.numberText = entry->id.Text();
    const SpamFacts facts =
        SpamFactsOf(*entry, row.subjectText, row.senderText, account.authservId);
    row.spam = SpamVerdict(facts, account.email, rules, criteria);
    row.spamReason = ServerSpamReason(facts.server, criteria);
    row.entry = std::move(entry);
    return row;
}

int CompareRows(const MessageRow& a, const MessageRow& b, int column) {
    if (!a.entry || !b.entry) return 0;
    switch (column) {
        case kMarkColumn:
            return Order(b.spam, a.spam);
        case kDateColumn:
            return Order(b.entry->date, a.entry->date);
        case kFromColumn:
            return UpperAscii(a.senderText).compare(UpperAscii(b.senderText));
        case kSubjectColumn:
            return UpperAscii(a.subjectText).compare(UpperAscii(b.subjectText));
        case kSizeColumn:
            return Order(b.entry->size, a.entry->size);
        case kNumberColumn:
            return Order(a.entry->id, b.entry->id);
        default:
            return 0;
    }
}

bool SortsDescending(int column) {
    return column == kMarkColumn || column == kDateColumn || column == kSizeColumn;
}

void SortRows(std::vector<MessageRow>& rows, int column) {
    MergeSort(rows.begin(), rows.end(), [column](const MessageRow& a, const MessageRow& b) {
        return CompareRows(a, b, column) < 0;
    });
}
