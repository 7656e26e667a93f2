#pragma once
// Drawing pieces of the alert window: its colours, the small caption buttons with their hover
// and pressed gradients, and the conversion of a message's markup for the text label.

#include <QAbstractButton>
#include <QColor>
#include <QLinearGradient>
#include <QString>

namespace alert_colors {
inline const QColor kWindowTop{0xC4, 0xDA, 0xFA};
inline const QColor kWindowBottom{0xA0, 0xBF, 0xF5};
inline const QColor kCaptionTop{0x59, 0x87, 0xD6};
inline const QColor kCaptionBottom{0x00, 0x2D, 0x96};
inline const QColor kBorder{0x00, 0x2D, 0x96};
inline const QColor kHoverTop{0xFF, 0xFF, 0xDC};
inline const QColor kHoverBottom{0xF7, 0xC0, 0x5B};
inline const QColor kPressedTop{0xE8, 0x7F, 0x08};
inline const QColor kPressedBottom{0xF7, 0xDA, 0x7C};
}  // namespace alert_colors

// A vertical gradient over the height of `rect`.
QLinearGradient VerticalGradient(const QRectF& rect, const QColor& top, const QColor& bottom);

// "<FONT size="8" ...>" gives a point size, as the messages mean it; the rest stays as it is.
QString AlertMarkupToHtml(const QString& markup);

// "%d of %d" with the message number and the count.
QString AlertPositionText(const QString& format, int number, int count);

// A flat caption button that draws a glyph and the hover and pressed gradients.
class AlertButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Glyph { Previous, Next, Close, Mail };
    AlertButton(Glyph glyph, const QString& hint, QWidget* parent);
    QSize sizeHint() const override { return {16, 14}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Glyph glyph_;
};
