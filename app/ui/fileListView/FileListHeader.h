#pragma once

#include <array>

#include <QWidget>

class QLabel;
class QScrollArea;

// The file list's column header: three titled cells (name, duration, date) whose borders the
// user drags to size the columns. A border is gripped within 5 px of it in the header band; a
// white marker, as tall as the list, follows it while it is dragged; a drag beyond the visible
// part widens the scrolled area. Presses anywhere in the band reach the list panel, so the
// header follows the panel's mouse events. Main thread.
class FileListHeader : public QWidget {
    Q_OBJECT

  public:
    explicit FileListHeader(QWidget* parent = nullptr);

    // `panel`: the widget whose mouse events carry the drags; `area`: the list's scroll area,
    // whose scrolled widget holds this header, the rows and the markers; `cells`: the three
    // cells of this header; `markers`: the markers of the first border, the second and the
    // right edge. Called once.
    void attach(QWidget* panel, QScrollArea* area, const std::array<QWidget*, 3>& cells,
                const std::array<QLabel*, 3>& markers);

    // Column widths in pixels, each at least 80; the total is their sum.
    int nameWidth() const { return widths[0]; }
    int durationWidth() const { return widths[1]; }
    int dateWidth() const { return widths[2]; }
    int totalWidth() const { return widths[0] + widths[1] + widths[2]; }

    // The header and its cells take the column widths.
    void applyWidths();
    // The markers at the borders, as tall as the scrolled widget, hidden unless dragged.
    void placeMarkers();

  signals:
    // A drag has ended: the columns have their new widths.
    void columnsResized();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum Border { NoBorder = -1, FirstBorder, SecondBorder, RightEdge };

    void press(const QPoint& pos);
    void move(const QPoint& pos);
    void release(const QPoint& pos);
    void dragTo(int x);
    Border borderAt(const QPoint& pos) const;
    int borderX(Border border) const;
    bool inBand(const QPoint& pos) const;
    QWidget* contents() const;
    void setContentWidth(int width);

    QWidget* panel = nullptr;
    QScrollArea* area = nullptr;
    std::array<QWidget*, 3> cells{};
    std::array<QLabel*, 3> markers{};
    std::array<int, 3> widths{182, 91, 182};
    Border dragged = NoBorder;
};
