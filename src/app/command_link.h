#pragma once
// A label that acts like a link: bold, hand cursor, and a click signal.

#include <QLabel>

class CommandLink : public QLabel {
    Q_OBJECT
public:
    explicit CommandLink(QWidget* parent);

    void SetColor(const QColor& color);
    QColor Color() const { return color_; }

Q_SIGNALS:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Enter and Space click a link that has the focus; the focus shows as a dotted frame.
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};
