// Sorting, the header view and the message view of the list window against the test Dovecot.

#include <fstream>
#include <sstream>

#include "list/ui/list_window_fixture.h"
#include "message/message_text.h"

namespace {

std::string Message(const std::string& from, const std::string& subject, const std::string& date,
                    std::size_t bodySize) {
    return "From: " + from + "\r\nTo: me@test.example\r\nSubject: " + subject +
           "\r\nDate: " + date + "\r\n\r\n" + std::string(bodySize, 'x') + "\r\n";
}

class ListWindowViewTest : public ListWindowTest {
protected:
    // Lists the account's mailbox in a new window.
    void ListAccount(const MailUser& user) {
        AccountEntry item;
        item.enabled = true;
        item.params = AccountFor(user);
        ProgramState().accounts.push_back(item);
        ProgramState().pendingAccount = item.params.email;
        Open();
    }

    void ClickColumn(int column) {
        QHeaderView* header = Headers()->header();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
        Settle();
    }

    std::vector<std::string> Column(int column) {
        std::vector<std::string> cells;
        for (int row = 0; row < Model()->rowCount(); ++row) cells.push_back(Cell(row, column));
        return cells;
    }

    std::vector<std::pair<std::string, std::string>> HeaderViewRows() {
        std::vector<std::pair<std::string, std::string>> rows;
        auto* view = Control<QTreeWidget>("header_list");
        for (int i = 0; i < view->topLevelItemCount(); ++i)
            rows.emplace_back(view->topLevelItem(i)->text(0).toStdString(),
                              view->topLevelItem(i)->text(1).toStdString());
        return rows;
    }

    QColor HeaderViewColour(const std::string& name) {
        auto* view = Control<QTreeWidget>("header_list");
        for (int i = 0; i < view->topLevelItemCount(); ++i)
            if (view->topLevelItem(i)->text(0).toStdString() == name)
                return view->topLevelItem(i)->foreground(1).color();
        return {};
    }

    std::string Pane() { return Control<QPlainTextEdit>("memo")->toPlainText().toStdString(); }
};

TEST_F(ListWindowViewTest, EachColumnSortsOneWayAndASecondClickSortsAlike) {
    const MailUser user = AddMailUser("sort");
    AddMessage(user, Message("b@x.example", "beta", "Mon, 7 Dec 2026 08:00:00 +0000", 10));
    AddMessage(user, Message("C@x.example", "Alpha", "Tue, 8 Dec 2026 08:00:00 +0000", 3000));
    AddMessage(user, Message("a@x.example", "gamma", "Sun, 6 Dec 2026 08:00:00 +0000", 500));
    ListAccount(user);
    ASSERT_EQ(Model()->rowCount(), 3);
    // After the listing: by date, newest first.
    EXPECT_EQ(Column(kSubjectColumn), (std::vector<std::string>{"Alpha", "beta", "gamma"}));

    ClickColumn(kFromColumn);
    EXPECT_EQ(Column(kSubjectColumn), (std::vector<std::string>{"gamma", "beta", "Alpha"}));
    ClickColumn(kSizeColumn);
    EXPECT_EQ(Column(kSubjectColumn), (std::vector<std::string>{"Alpha", "gamma", "beta"}));
    ClickColumn(kNumberColumn);
    EXPECT_EQ(Column(kNumberColumn), (std::vector<std::string>{"1", "2", "3"}));
    ClickColumn(kSubjectColumn);
    EXPECT_EQ(Column(kSubjectColumn), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
    ClickColumn(kSubjectColumn);
    EXPECT_EQ(Column(kSubjectColumn), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
    ClickColumn(kDateColumn);
    EXPECT_EQ(Column(kSubjectColumn), (std::vector<std::string>{"Alpha", "beta", "gamma"}));

    // Marked rows first; the selection follows its row.
    SelectRow(2);
    PressOnHeaders(Qt::Key_Insert);
    ClickColumn(kMarkColumn);
    EXPECT_EQ(Cell(0, kSubjectColumn), "gamma");
    EXPECT_EQ(Headers()->currentIndex().row(), 0);
}

TEST_F(ListWindowViewTest, HeaderViewShowsFoldedLinesNamelessLinesAndColonsInValues) {
    const MailUser user = AddMailUser("header");
    AddMessage(user,
               "From: Ann <ann@x.example>\r\nTo: Bob <bob@x.example>, carl@x.example\r\n"
               "Subject: Re: a colon: here\r\nX-Folded: first\r\n\tsecond part\r\n"
               "no colon in this line\r\nDate: Mon, 7 Dec 2026 08:00:00 +0000\r\n\r\nbody\r\n");
    ListAccount(user);
    SelectRow(0);
    const auto rows = HeaderViewRows();
    using Row = std::pair<std::string, std::string>;
    EXPECT_NE(std::find(rows.begin(), rows.end(), Row{"Subject", "Re: a colon: here"}), rows.end());
    EXPECT_NE(std::find(rows.begin(), rows.end(), Row{" ", "second part"}), rows.end());
    EXPECT_NE(std::find(rows.begin(), rows.end(), Row{"?", "no colon in this line"}), rows.end());
    EXPECT_EQ(HeaderViewColour("Subject"), QColor(255, 0, 0));
    EXPECT_EQ(HeaderViewColour("X-Folded"), QColor(0, 0, 255));
    EXPECT_EQ(HeaderViewColour("?"), QColor(0, 0, 255));
    // Not retrieved: the recipients (last first) and the raw header.
    EXPECT_EQ(Pane().rfind("list_of_recipients\n" + std::string(47, '-') +
                               "\ncarl@x.example\nbob@x.example <Bob>\n",
                           0),
              0u);
    EXPECT_NE(Pane().find("header_start\n \nFrom: Ann <ann@x.example>"), std::string::npos);
    EXPECT_EQ(Window()->PaneStateNow(), PaneState::Header);
    EXPECT_FALSE(Action("actSaveMessage")->isEnabled());
    EXPECT_EQ(Control<QLabel>("Panel3")->text(), QStringLiteral("message_header              "));
}

TEST_F(ListWindowViewTest, TheServersVerdictMarksTheRowAndSaysWhyInTheTooltipAndHeaderView) {
    const MailUser user = AddMailUser("verdict");
    AddMessage(
        user,
        "Authentication-Results: mx.test.example; dmarc=fail header.from=bank.example\r\n" +
            Message("alerts@bank.example", "Your account", "Mon, 7 Dec 2026 08:00:00 +0000", 10));
    AddMessage(user, Message("ann@x.example", "Lunch", "Sun, 6 Dec 2026 08:00:00 +0000", 10));
    ListAccount(user);
    ASSERT_EQ(Model()->rowCount(), 2);
    EXPECT_TRUE(Model()->Rows()[0].spam);
    EXPECT_EQ(Model()->index(0, kSubjectColumn).data(Qt::ToolTipRole).toString(),
              QStringLiteral("spam_reason_dmarc bank.example"));
    EXPECT_FALSE(Model()->index(1, kSubjectColumn).data(Qt::ToolTipRole).isValid());
    SelectRow(0);
    EXPECT_EQ(HeaderViewRows().front(), (std::pair<std::string, std::string>{
                                            "server_verdict", "spam_reason_dmarc bank.example"}));
    EXPECT_EQ(HeaderViewColour("server_verdict"), QColor(255, 0, 0));
    SelectRow(1);
    EXPECT_EQ(HeaderViewRows().front().first, "From");
}

TEST_F(ListWindowViewTest, RetrievedMultipartMessageIsShownAndSaved) {
    const MailUser user = AddMailUser("retrieve");
    AddMessage(user, ReadTestFile("list/multipart.eml"));
    ListAccount(user);
    SelectRow(0);
    answer = QMessageBox::No;
    Run("actRetrieve");
    EXPECT_EQ(asked, std::vector<std::string>{"retrieve_mail_dialog_title"});
    EXPECT_EQ(Window()->PaneStateNow(), PaneState::Header);

    answer = QMessageBox::Yes;
    Run("actRetrieve");
    EXPECT_EQ(Window()->PaneStateNow(), PaneState::Message);
    EXPECT_TRUE(Action("actSaveMessage")->isEnabled());
    EXPECT_TRUE(Control<QProgressBar>("ProgressBar")->isHidden());
    EXPECT_TRUE(Window()->findChild<QTimer*>(QStringLiteral("keept"))->isActive());
    const std::string pane = Pane();
    EXPECT_EQ(pane.rfind(" \nmessage_content\n \natt_count: 2\nlink_count: 1 list_is_on_end\n", 0),
              0u);
    EXPECT_NE(pane.find("   - report.pdf"), std::string::npos);
    EXPECT_NE(pane.find("Report is ...attached...."), std::string::npos);
    EXPECT_NE(pane.find("has_links\nhttp://example.com/report\n"), std::string::npos);
    const auto rows = HeaderViewRows();
    using Row = std::pair<std::string, std::string>;
    EXPECT_NE(
        std::find(rows.begin(), rows.end(), Row{"attachment", "report.pdf (application/pdf)"}),
        rows.end());
    EXPECT_EQ(HeaderViewColour("attachment"), QColor(255, 0, 0));
    EXPECT_EQ(Control<QLabel>("Panel3")->text(),
              QStringLiteral("content_of_message              "));

    // Selecting the row again shows the message without a new fetch.
    asked.clear();
    SelectRow(0);
    EXPECT_EQ(Window()->PaneStateNow(), PaneState::Message);
    EXPECT_EQ(Pane(), pane);
    EXPECT_TRUE(asked.empty());

    // Saving: the header as written for saving, an empty line, the pane's lines with CR LF.
    const std::string path = folder.File("saved.eml");
    SetSaveFileChooser([&](const QString& title, const QStringList& filters) {
        EXPECT_EQ(title, QStringLiteral("save_message_title"));
        EXPECT_EQ(filters, (QStringList{"text_files_filter", "all_files_filter"}));
        return QString::fromStdString(path);
    });
    Action("actSaveMessage")->trigger();
    std::ifstream in(path, std::ios::binary);
    std::stringstream saved;
    saved << in.rdbuf();
    std::string expected = "From: \"Office\" <office@example.com>\r\n";
    EXPECT_EQ(saved.str().rfind(expected, 0), 0u);
    std::string body = "\r\n";
    std::istringstream lines(pane);
    for (std::string line; std::getline(lines, line);) body += line + "\r\n";
    EXPECT_EQ(saved.str().substr(saved.str().find("\r\n\r\n") + 2), body);
    EXPECT_EQ(saved.str().find("multipart/mixed"), std::string::npos);
}

TEST_F(ListWindowViewTest, CancelledFetchEndsWithEmptyViewsAndNoSession) {
    const MailUser user = AddMailUser("cancelfetch");
    std::string big = Message("a@x.example", "big", "Mon, 7 Dec 2026 08:00:00 +0000", 0);
    for (int i = 0; i < 20000; ++i) big += "line " + std::to_string(i) + " of a long message\r\n";
    AddMessage(user, big);
    ListAccount(user);
    SelectRow(0);
    AtProgress(1, [this] { Control<QToolButton>("bcancel")->click(); });
    Run("actRetrieve");
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_TRUE(Pane().empty());
    EXPECT_FALSE(Window()->Controller().Connected());
    EXPECT_FALSE(Window()->Controller().Busy());
    EXPECT_TRUE(Action("actHeaders")->isEnabled());
}

}  // namespace
