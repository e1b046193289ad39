#pragma once

#include <qcustomplot.h>
#include <QList>
#include <QPixmap>
#include <QStringList>
#include <QWidget>

#include "GyroInfo.h"
#include "GyroInfoList.h"
#include "ui_InfoView.h"

class QResizeEvent;
class RavlixPlayer;

// The trip-data strip below the player: the G-sensor graph of the whole clip
// with a cursor at the current second, the current G-sensor values, the speed
// as three digit pictures (km/h or mph) and a compass turned to the heading; a
// no-GPS picture stands in for speed and compass without a valid location.
//
// Main thread only. The panel holds the list it shows and the record it shows, so both stay
// valid after the controller has opened another file.
class InfoView : public QWidget, public Ui::InfoView {
    Q_OBJECT

  public:
    explicit InfoView(QWidget* parent = nullptr);

    // A whole number for a record field: truncated toward zero; NaN, infinity
    // and values beyond the int range give 0.
    static int wholeNumber(float value);

  public slots:
    void updateAllGyroList();
    // Back to the state without a file: empty graph, first axis labels, no-GPS page, zero
    // values and speed, the rose unturned. For a folder change or a file that fails to open.
    void resetTripData();
    // `index` is not used: the record's place in the list is found by identity. Any record is
    // shown, also one of another list; one not in the panel's list hides the play bar.
    void gyroInfoUpdated(int index, SharedGyroInfo gyroInfo);
    void updateSpeed();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    // Keeps an empty size from the graph: it redraws on every resize, and into empty
    // buffers there is nothing to paint on. The next real size redraws it.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private slots:
    // Widens the value range to whole hundreds; never narrows it within a file.
    void setRange(QCPRange range);

  private:
    void setupFont();
    void plot();
    void updateGSensorText();
    void updateDirection();
    void drawPlayBar();
    static QPixmap getNumberIcon(int digit);
    QList<QLabel*> axisLabels() const;

    RavlixPlayer* player;
    GyroInfoList gyroInfoList;
    SharedGyroInfo currentGyroInfo;  // null until the first record
    QCustomPlot* customPlot;         // child of plotWidget
    QWidget* playBar;                // child of plotWidget
    double rangeMax = 0;
    double rangeMin = 0;
    QStringList firstAxisLabels;  // the form's, top to bottom
    QCPRange firstValueRange;     // the graph's before any file
};
