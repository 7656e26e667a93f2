#pragma once
// What the files that build the list window share: sizes, colours, column bounds, pictures.

#include <QColor>
#include <QHeaderView>
#include <QIcon>
#include <QPalette>
#include <QSplitter>
#include <QString>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <array>

#include "widgets/ui_text.h"

namespace list_window_parts {

constexpr int kTopPanelHeight = 80;
constexpr int kCaptionBarHeight = 28;
constexpr int kAccountBoxWidth = 250;
constexpr int kProgressBarWidth = 200;
constexpr int kHeadersMinimumHeight = 80;
constexpr int kMemoMinimumWidth = 128;
constexpr int kSpamImage = 11;
constexpr int kAccountImage = 6;
constexpr int kCloseImage = 3;
inline const QColor kWindowColour(136, 174, 228);
inline const QColor kListColour(218, 234, 253);

struct ColumnBounds {
    const char* captionKey;
    int minimum;
    int maximum;
};
inline constexpr std::array<ColumnBounds, 6> kHeaderColumns{{{"", 18, 18},
                                                             {"date", 80, 256},
                                                             {"from", 80, 512},
                                                             {"subject", 80, 512},
                                                             {"size", 64, 128},
                                                             {"message_no", 64, 128}}};
inline constexpr std::array<ColumnBounds, 2> kHeaderViewColumns{
    {{"header_key", 80, 512}, {"header_value", 80, 1024}}};

// The button pictures of the list: the program's own where it ships one, else the desktop
// style's picture of the same meaning.
QIcon ListImage(int index);

// A splitter of two parts that share a change of its length half and half (QSplitter shares it
// in proportion to their sizes, which leaves a small part small however large the window grows).
class EvenSplitter : public QSplitter {
public:
    using QSplitter::QSplitter;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// A help button: a click shows the list window's help.
QToolButton* MakeHelpButton(const char* name);

void Colour(QWidget* widget, QPalette::ColorRole role, const QColor& colour);

// A tool bar's buttons say what they do to a screen reader: their hint.
void NameToolButtons(QToolBar* bar);

// Keeps every column of the header within its bounds when it is resized.
template <std::size_t N>
void ClampColumns(QHeaderView* header, const std::array<ColumnBounds, N>& bounds) {
    QObject::connect(header, &QHeaderView::sectionResized, header,
                     [header, bounds](int section, int, int size) {
                         if (section < 0 || section >= static_cast<int>(N)) return;
                         const ColumnBounds& b = bounds[static_cast<std::size_t>(section)];
                         if (size < b.minimum || size > b.maximum)
                             header->resizeSection(section, std::clamp(size, b.minimum, b.maximum));
                     });
}

}  // namespace list_window_parts
