#include "notify/alert_parts.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegularExpression>

namespace {
const QColor kFaintWhite(255, 255, 255, 80);
}  // namespace

QLinearGradient VerticalGradient(const QRectF& rect, const QColor& top, const QColor& bottom) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

QString AlertMarkupToHtml(const QString& markup) {
    static const QRegularExpression fontSize(
        QStringLiteral(R"re((<font\b[^>]*?)\bsize\s*=\s*"?(\d{1,3})"?)re"),
        QRegularExpression::CaseInsensitiveOption);
    QString html = markup;
    html.replace(fontSize, QStringLiteral(R"re(\1style="font-size:\2pt")re"));
    return html;
}

QString AlertPositionText(const QString& format, int number, int count) {
    QString text = format;
    const qsizetype first = text.indexOf(QStringLiteral("%d"));
    if (first >= 0) text.replace(first, 2, QString::number(number));
    const qsizetype second = text.indexOf(QStringLiteral("%d"));
    if (second >= 0) text.replace(second, 2, QString::number(count));
    return text;
}

AlertButton::AlertButton(Glyph glyph, const QString& hint, QWidget* parent)
    : QAbstractButton(parent), glyph_(glyph) {
    setToolTip(hint);
    setAccessibleName(hint);  // a button drawn without text is known by its hint
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void AlertButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // A disabled button (Previous on the first message, Next on the last) is drawn faint and
    // does not light up under the mouse.
    const bool lit = isEnabled() && (isDown() || underMouse());
    if (lit) {
        painter.setPen(alert_colors::kBorder);
        painter.setBrush(
            isDown()
                ? VerticalGradient(box, alert_colors::kPressedTop, alert_colors::kPressedBottom)
                : VerticalGradient(box, alert_colors::kHoverTop, alert_colors::kHoverBottom));
        painter.drawRect(box);
    }
    const QColor ink = lit ? alert_colors::kBorder : isEnabled() ? QColor(Qt::white) : kFaintWhite;
    painter.setPen(QPen(ink, 1.6));
    painter.setBrush(ink);
    const QPointF c = box.center();
    QPainterPath path;
    switch (glyph_) {
        case Glyph::Previous:
            path.moveTo(c.x() + 2, c.y() - 4);
            path.lineTo(c.x() - 2.5, c.y());
            path.lineTo(c.x() + 2, c.y() + 4);
            path.closeSubpath();
            painter.drawPath(path);
            break;
        case Glyph::Next:
            path.moveTo(c.x() - 2, c.y() - 4);
            path.lineTo(c.x() + 2.5, c.y());
            path.lineTo(c.x() - 2, c.y() + 4);
            path.closeSubpath();
            painter.drawPath(path);
            break;
        case Glyph::Close:
            painter.drawLine(QPointF(c.x() - 3, c.y() - 3), QPointF(c.x() + 3, c.y() + 3));
            painter.drawLine(QPointF(c.x() + 3, c.y() - 3), QPointF(c.x() - 3, c.y() + 3));
            break;
        case Glyph::Mail:  // an envelope
            painter.setPen(QPen(ink, 1.2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(c.x() - 4.5, c.y() - 3.5, 9, 7));
            painter.drawPolyline(QPolygonF{QPointF(c.x() - 4.5, c.y() - 3.5), QPointF(c.x(), c.y()),
                                           QPointF(c.x() + 4.5, c.y() - 3.5)});
            break;
    }
}
