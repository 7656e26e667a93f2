#pragma once
// The help viewer: a plain window with a browser over the program's help pages.

#include <QWidget>

class QTextBrowser;

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    // Opens at the page file `path`; a missing page shows a short note instead.
    explicit HelpViewer(const QString& path);

    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};
