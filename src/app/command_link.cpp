#include "app/command_link.h"

#include <QMouseEvent>

CommandLink::CommandLink(QWidget* parent) : QLabel(parent) {
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setCursor(Qt::PointingHandCursor);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void CommandLink::SetColor(const QColor& color) {
    color_ = color;
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, color);
    setPalette(colors);
}

void CommandLink::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CommandLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked();
    event->accept();
}
