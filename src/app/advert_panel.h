#pragma once
// The panel along the bottom of the main window: the program's own links (its help pages)
// and a line of tips that changes every few seconds while the main window is shown.

#include <QFrame>
#include <QStringList>

class QLabel;
class QTimer;
class CommandLink;

class AdvertPanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int kHeight = 70;
    static constexpr int kTipMs = 5000;

    explicit AdvertPanel(QWidget* parent);

    void StartAnimation();
    void StopAnimation();
    bool Animating() const;
    QString CurrentTip() const;

private:
    CommandLink* AddLink(const char* name, const char* key, const QString& address);
    void NextTip();
    void OpenTipLink(QWidget* control);

    QLabel* tip_;
    QStringList tips_;
    int tipIndex_ = 0;
    QTimer* tipTimer_;
};
