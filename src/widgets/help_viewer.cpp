#include "widgets/help_viewer.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "settings/language.h"
#include "widgets/help.h"
#include "widgets/ui_text.h"

HelpViewer::HelpViewer(const QString& path) : browser_(new QTextBrowser(this)) {
    setObjectName("helpViewer");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kHelpViewerTitle);
    browser_->setObjectName("helpBrowser");
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(640, 480);
    const QFileInfo page(path);
    if (page.isFile()) {
        browser_->setSearchPaths({page.absolutePath()});
        browser_->setSource(QUrl::fromLocalFile(page.absoluteFilePath()));
    } else {
        browser_->setPlainText(ToQt(GetLangText("help_page_missing")) + "\n" + path);
    }
}
