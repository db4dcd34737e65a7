#pragma once

// The keyboard focus as the window marks it on the controls that draw their own: a dotted
// one-pixel frame, drawn whenever the control has the focus, however the focus came.
// Qt's styles leave the focus unmarked until a Tab has been pressed in the window, and on
// an item view they draw it in the selection's own colour, where it cannot be seen.

#include <QAbstractItemView>
#include <QPainter>
#include <QRect>
#include <QStyledItemDelegate>

namespace ui {

// Every other pixel of `frame`'s one-pixel border, the corner first.
inline void drawFocusFrame(QPainter& painter, const QRect& frame, const QColor& colour) {
    QPen dots(colour, 0);
    dots.setDashPattern({1, 1});
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(dots);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    painter.restore();
}

// Draws the rows without the style's own mark of the focus.
class UnmarkedRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
    }
};

// An item view with the focus frame around its current row; in an empty list, around
// where the first row would be.
template <typename View> class FocusFramed : public View {
public:
    explicit FocusFramed(QWidget* parent = nullptr) : View(parent) {
        this->setItemDelegate(new UnmarkedRows(this));
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        View::paintEvent(event);
        if (!this->hasFocus())
            return;
        QModelIndex row = this->currentIndex();
        if (!row.isValid() && this->model())
            row = this->model()->index(0, 0, this->rootIndex());
        const QRect frame = row.isValid() ? this->visualRect(row)
                                          : QRect(0, 0, this->viewport()->width(),
                                                  this->fontMetrics().height() + 2);
        const bool onSelection = row.isValid() && this->selectionModel()->isSelected(row);
        QPainter painter(this->viewport());
        drawFocusFrame(
            painter, frame,
            this->palette().color(onSelection ? QPalette::HighlightedText : QPalette::Text));
    }

    // The frame moves with the focus and the current row; the view alone repaints only
    // the rows it changed, which the frame may overlap.
    void focusInEvent(QFocusEvent* event) override {
        View::focusInEvent(event);
        this->viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        View::focusOutEvent(event);
        this->viewport()->update();
    }
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        View::currentChanged(current, previous);
        this->viewport()->update();
    }
};

} // namespace ui
