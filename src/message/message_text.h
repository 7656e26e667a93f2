#pragma once
// The text view of a retrieved message: counts, attachment names, body, text parts with HTML
// reduced to text, and the web links found in the HTML and in plain text.

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "message/header_view.h"
#include "message/mail_entry.h"

// Distinct web links in order of first appearance (letter case ignored when comparing).
class LinkList {
public:
    void Add(const std::string& link);
    const std::vector<std::string>& Links() const { return links_; }

private:
    std::vector<std::string> links_;
    std::set<std::string> seen_;  // upper-cased, for the duplicate test
};

// 32 underscores.
std::string RuleLine();

// True when the line holds only CR, LF, blanks and full stops (an empty line included).
bool IsFillerLine(std::string_view line);

// The http link of an anchor tag; `tag` runs from its "<" to the end of the text. Empty when
// the tag is not an anchor ("<a " and more than 15 characters) with an "http://" address
// before its ">". The link ends at a quote or the end of the tag.
std::string LinkFromTag(std::string_view tag);

// The lines of a body or text part. HTML (a text holding "<BODY") is reduced to text: tags
// become full stops, "<br>" a line break, "&nbsp;" a blank, lines trimmed and filler lines
// removed; its links are added to `links`. The web addresses of a plain text ("http://",
// "https://") are added too. Parts numbered from 1 get a heading.
std::vector<std::string> BodyToText(int partNumber, std::string_view contentType,
                                    std::string_view text, LinkList& links);

struct MessageContent {
    std::vector<std::string> lines;   // the text pane, top to bottom
    std::vector<HeaderRow> partRows;  // rows added to the header view, one per part
    std::vector<std::string> links;
    std::vector<std::string> attachments;  // decoded file names
};

// What the message view shows for an entry that holds a whole message.
MessageContent ContentOf(const MailMessage& entry);
