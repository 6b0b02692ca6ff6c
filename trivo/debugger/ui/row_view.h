// An owner-drawn list for the debugger windows: rows of equal height, only
// the visible ones painted, each by the window that owns the list. A list of
// 24,000 history rows or 65,536 memory bytes costs no more to show than the
// rows on screen.
#pragma once

#include <QAbstractScrollArea>
#include <functional>

namespace trivo::ui {

class RowView : public QAbstractScrollArea {
public:
    explicit RowView(QWidget* parent = nullptr);

    // Paints row `row` into `rect` (the background too).
    std::function<void(QPainter&, const QRect&, int row)> paint_row;
    // A click (`double_click` false) or a double-click on a row, with the x
    // position inside the row.
    std::function<void(int row, int x, bool double_click)> row_clicked;
    // Keys the list does not use itself; true when handled.
    std::function<bool(QKeyEvent*)> key_pressed;

    void setRowCount(int count);
    int rowCount() const { return m_rows; }
    void setRowHeight(int height);
    int rowHeight() const { return m_rowHeight; }
    // The row Up and Down move (and the owner may highlight), -1 for none.
    void setCurrentRow(int row) { m_current = row; }
    int currentRow() const { return m_current; }
    // Scrolls so that the row is on screen; `centre`: a row that was not
    // comes to the middle, with its surroundings above and below.
    void ensureVisible(int row, bool centre = false);
    int firstVisibleRow() const;
    // The rectangle of a row in the viewport's coordinates.
    QRect rowRect(int row) const;
    void redraw();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateScrollBar();
    int rowAt(int y) const;

    int m_rows = 0;
    int m_rowHeight = 16;
    int m_current = -1;
};

}  // namespace trivo::ui
