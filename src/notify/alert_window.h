#pragma once
// The desktop alert: a small frameless window that stays on top, fades in at the bottom-right
// corner of the screen, shows one of its messages (markup text and a 32 x 32 picture) for a
// while, and fades out again. Its caption holds the message position and the navigation and
// close buttons.

#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QTimer;
class AlertButton;

struct AlertMessage {
    QString text;  // simple markup
    int imageIndex = 0;
};

class AlertWindow : public QWidget {
    Q_OBJECT
public:
    enum class Phase { Hidden, FadingIn, Displayed, FadingOut };

    static constexpr int kWidth = 288;
    static constexpr int kHeight = 64;
    static constexpr int kAlphaStart = 64;
    static constexpr int kAlphaEnd = 188;
    static constexpr int kFadeStepMs = 8;
    static constexpr int kDisplayMs = 8000;

    // `image` gives the picture of an image index.
    explicit AlertWindow(std::function<QPixmap(int)> image);

    void ClearMessages();
    void AddMessage(const QString& text, int imageIndex);
    const QList<AlertMessage>& Messages() const { return messages_; }
    int CurrentMessage() const { return current_; }

    // Fades in with the newest content; when already shown (and not fading out) only the
    // content and size are renewed and the running display time goes on.
    void ShowAlert();
    // Stops any fade, hides the window and reports Closed.
    void HideAlert();

    Phase CurrentPhase() const { return phase_; }
    int Alpha() const { return alpha_; }

Q_SIGNALS:
    // A click on the message area.
    void PopupClicked();
    // A click on the "Open mail program" button of the caption.
    void OpenMailClicked();
    // Closed by its close button or by HideAlert (not by fading out after the display time).
    void Closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildParts();
    void Rebuild();
    void PlaceBottomRight();
    void FadeStep();
    void StartFadeOut();
    void SetAlpha(int alpha);
    void Navigate(int step);

    std::function<QPixmap(int)> image_;
    QList<AlertMessage> messages_;
    int current_ = 0;
    Phase phase_ = Phase::Hidden;
    int alpha_ = 0;
    QTimer* fadeTimer_;
    QTimer* displayTimer_;
    QWidget* caption_ = nullptr;
    QWidget* body_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* picture_ = nullptr;
    QLabel* text_ = nullptr;
    AlertButton* previous_ = nullptr;
    AlertButton* next_ = nullptr;
    AlertButton* close_ = nullptr;
    AlertButton* openMail_ = nullptr;
};
