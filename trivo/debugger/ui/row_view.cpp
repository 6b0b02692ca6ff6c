#include "debugger/ui/row_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace trivo::ui {

RowView::RowView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setRange(0, 0);
}

void RowView::setRowCount(int count) {
    m_rows = std::max(0, count);
    if (m_current >= m_rows) m_current = m_rows - 1;
    updateScrollBar();
    viewport()->update();
}

void RowView::setRowHeight(int height) {
    m_rowHeight = std::max(1, height);
    updateScrollBar();
    viewport()->update();
}

void RowView::updateScrollBar() {
    const int visible = std::max(1, viewport()->height() / m_rowHeight);
    verticalScrollBar()->setRange(0, std::max(0, m_rows - visible));
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setSingleStep(1);
}

int RowView::firstVisibleRow() const { return verticalScrollBar()->value(); }

QRect RowView::rowRect(int row) const {
    return QRect(0, (row - firstVisibleRow()) * m_rowHeight, viewport()->width(), m_rowHeight);
}

void RowView::ensureVisible(int row, bool centre) {
    if (row < 0 || row >= m_rows) return;
    const int visible = std::max(1, viewport()->height() / m_rowHeight);
    const int first = firstVisibleRow();
    if (centre && (row < first || row >= first + visible)) {
        verticalScrollBar()->setValue(std::max(0, row - visible / 2));
    } else if (row < first) verticalScrollBar()->setValue(row);
    else if (row >= first + visible) verticalScrollBar()->setValue(row - visible + 1);
}

void RowView::redraw() { viewport()->update(); }

int RowView::rowAt(int y) const {
    const int row = firstVisibleRow() + y / m_rowHeight;
    return row < m_rows ? row : -1;
}

void RowView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setFont(font());
    const QRect area = event->rect();
    const int first = firstVisibleRow() + area.top() / m_rowHeight;
    const int last = std::min(m_rows - 1, firstVisibleRow() + area.bottom() / m_rowHeight);
    for (int row = first; row <= last; ++row) {
        const QRect r = rowRect(row);
        if (paint_row) paint_row(painter, r, row);
    }
    // Below the last row.
    const int bottom = (last - firstVisibleRow() + 1) * m_rowHeight;
    if (bottom < viewport()->height()) {
        painter.fillRect(QRect(0, bottom, viewport()->width(), viewport()->height() - bottom),
                         palette().base());
    }
}

void RowView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
}

void RowView::mousePressEvent(QMouseEvent* event) {
    const int row = rowAt(event->position().toPoint().y());
    if (row < 0 || event->button() != Qt::LeftButton) return;
    m_current = row;
    if (row_clicked) row_clicked(row, event->position().toPoint().x(), false);
    viewport()->update();
}

void RowView::mouseDoubleClickEvent(QMouseEvent* event) {
    const int row = rowAt(event->position().toPoint().y());
    if (row < 0 || event->button() != Qt::LeftButton) return;
    m_current = row;
    if (row_clicked) row_clicked(row, event->position().toPoint().x(), true);
    viewport()->update();
}

void RowView::keyPressEvent(QKeyEvent* event) {
    if (key_pressed && key_pressed(event)) return;
    int row = m_current;
    switch (event->key()) {
        case Qt::Key_Up: row = std::max(0, m_current - 1); break;
        case Qt::Key_Down: row = std::min(m_rows - 1, m_current + 1); break;
        case Qt::Key_PageUp: row = std::max(0, m_current - verticalScrollBar()->pageStep()); break;
        case Qt::Key_PageDown:
            row = std::min(m_rows - 1, m_current + verticalScrollBar()->pageStep());
            break;
        case Qt::Key_Home: row = 0; break;
        case Qt::Key_End: row = m_rows - 1; break;
        default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    if (row < 0 || row == m_current) return;
    m_current = row;
    ensureVisible(row);
    if (row_clicked) row_clicked(row, -1, false);
    viewport()->update();
}

}  // namespace trivo::ui
