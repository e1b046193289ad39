#include "InfoView.h"

#include <cmath>
#include <limits>

#include <QImage>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QVector>

#include "EmbeddedResource.h"
#include "FontStyle.h"
#include "RavlixPlayer.h"

static void initInfoViewResources() { RV_INIT_RESOURCE_ONCE(infoView); }

namespace {

const QColor kAxisColors[3] = {QColor(253, 240, 80), QColor(106, 155, 231), QColor(164, 227, 144)};
const char* const kCompass = ":/image/infoView/icon_compass.png";

// int(value / 100) x 100 moved one hundred outward, truncating toward zero.
double widenedBound(double value, int outward) {
    return double(int(value / 100) * 100 + outward * 100);
}

}  // namespace

InfoView::InfoView(QWidget* parent) : QWidget(parent) {
    initInfoViewResources();
    setupUi(this);
    setupFont();
    for (const QLabel* text : axisLabels()) firstAxisLabels << text->text();

    player = RavlixPlayer::currentPlayer();
    connect(player, &RavlixPlayer::sigVideoChanged, this, &InfoView::updateAllGyroList);
    connect(player, &RavlixPlayer::sigGyroInfoUpdated, this, &InfoView::gyroInfoUpdated,
            Qt::QueuedConnection);
    connect(player, &RavlixPlayer::sigOpenFailed, this, &InfoView::resetTripData);

    customPlot = new QCustomPlot(plotWidget);
    customPlot->installEventFilter(this);
    connect(customPlot->yAxis, QOverload<const QCPRange&>::of(&QCPAxis::rangeChanged), this,
            &InfoView::setRange);
    plotLayout->addWidget(customPlot);
    firstValueRange = customPlot->yAxis->range();
    plot();

    playBar = new QWidget(plotWidget);
    playBar->setStyleSheet("background: rgb(141, 217, 182);");

    stackedWidget->setCurrentIndex(1);
    connect(buttonGroup, &QButtonGroup::idClicked, this, &InfoView::updateSpeed);
}

int InfoView::wholeNumber(float value) {
    const double v = double(value);
    if (!std::isfinite(v) || v >= double(std::numeric_limits<int>::max()) + 1.0 ||
        v <= double(std::numeric_limits<int>::min()) - 1.0)
        return 0;
    return int(v);
}

void InfoView::setupFont() {
    const QFont font = FontStyle::font(label->font(), 14, 12);
    for (QLabel* text : {label, label_2, label_3, lblGSensorX, lblGSensorY, lblGSensorZ, label_4,
                         label_5, label_6, label_7, label_8})
        text->setFont(font);
}

// 1. arrays of keys and values, 2. fresh graphs and range, 3. one graph per
// axis (each rescale widens the stored range), 4.-5. layout and axes, 6. draw.
void InfoView::plot() {
    const int n = gyroInfoList.size();
    QVector<double> keys(n), values[3];
    for (auto& axis : values) axis.resize(n);
    for (int i = 0; i < n; ++i) {
        const GyroInfo& info = gyroInfoList[i];
        keys[i] = i;
        values[0][i] = info.gSensorX;
        values[1][i] = info.gSensorY;
        values[2][i] = info.gSensorZ;
    }

    customPlot->clearGraphs();
    rangeMax = 0;
    rangeMin = 0;
    for (int axis = 0; axis < 3; ++axis) {
        QCPGraph* graph = customPlot->addGraph();
        graph->setPen(QPen(kAxisColors[axis], 1));
        graph->setData(keys, values[axis], true);
        graph->rescaleAxes(false);
    }

    QCPAxisRect* rect = customPlot->axisRect(0);
    rect->setAutoMargins(QCP::msNone);
    rect->setMargins(QMargins(0, 5, 0, 5));
    rect->setBackground(QBrush(QColor(51, 51, 51)));

    customPlot->xAxis->setRange(0, n);
    for (QCPAxis* axis : {customPlot->xAxis, customPlot->yAxis}) {
        axis->setBasePen(QPen(Qt::white, 1));
        axis->setTicks(false);
    }
    customPlot->xAxis->grid()->setVisible(false);
    customPlot->yAxis->grid()->setPen(QPen(Qt::black, 0.5));
    customPlot->yAxis->grid()->setZeroLinePen(QPen(Qt::black, 0.5));
    customPlot->replot();
}

void InfoView::setRange(QCPRange range) {
    if (range.lower < rangeMin) rangeMin = widenedBound(range.lower, -1);
    if (range.upper > rangeMax) rangeMax = widenedBound(range.upper, 1);
    customPlot->yAxis->setRange(rangeMin, rangeMax);

    label_4->setText(QString::number(rangeMax, 'g', 6));
    label_5->setText(QString::number(int((3 * rangeMax + rangeMin) * 0.25)));
    label_6->setText(QString::number(int((rangeMax + rangeMin) * 0.5)));
    label_7->setText(QString::number(int((3 * rangeMin + rangeMax) * 0.25)));
    label_8->setText(QString::number(rangeMin, 'g', 6));
}

void InfoView::updateAllGyroList() {
    currentGyroInfo = nullptr;
    gyroInfoList = player->getAllGyroInfo();
    plot();
    stackedWidget->setCurrentIndex(gyroInfoList.isEmpty() ? 1 : 0);
}

void InfoView::resetTripData() {
    gyroInfoList = GyroInfoList();
    currentGyroInfo = nullptr;
    {
        const QSignalBlocker keepLabels(customPlot->yAxis);
        customPlot->yAxis->setRange(firstValueRange);
    }
    plot();
    const QList<QLabel*> labels = axisLabels();
    for (int i = 0; i < labels.size(); ++i) labels[i]->setText(firstAxisLabels.value(i));
    for (QLabel* value : {lblGSensorX, lblGSensorY, lblGSensorZ}) value->setText("0");
    for (QLabel* digit : {lblHundredNum, lblTenNum, lblNum}) digit->setPixmap(getNumberIcon(0));
    lblCompass->setPixmap(QPixmap(kCompass));
    playBar->hide();
    stackedWidget->setCurrentIndex(1);
}

QList<QLabel*> InfoView::axisLabels() const {
    return {label_4, label_5, label_6, label_7, label_8};
}

void InfoView::gyroInfoUpdated(int, SharedGyroInfo gyroInfo) {
    if (!gyroInfo) return;
    currentGyroInfo = std::move(gyroInfo);
    stackedWidget->setCurrentIndex(currentGyroInfo->isLocationValid() ? 0 : 1);
    updateGSensorText();
    updateSpeed();
    updateDirection();
    drawPlayBar();
}

void InfoView::updateGSensorText() {
    lblGSensorX->setText(QString::number(currentGyroInfo->gSensorX));
    lblGSensorY->setText(QString::number(currentGyroInfo->gSensorY));
    lblGSensorZ->setText(QString::number(currentGyroInfo->gSensorZ));
}

void InfoView::updateSpeed() {
    if (!currentGyroInfo) return;
    const float speed = currentGyroInfo->speed;
    const int v = wholeNumber(btnKmh->isChecked() ? speed : speed * 0.62f);
    lblHundredNum->setPixmap(getNumberIcon(v / 100 % 10));
    lblTenNum->setPixmap(getNumberIcon(v / 10 % 10));
    lblNum->setPixmap(getNumberIcon(v % 10));
}

QPixmap InfoView::getNumberIcon(int digit) {
    static const QVector<QPixmap> icons = [] {
        QVector<QPixmap> loaded;
        for (int d = 0; d <= 9; ++d)
            loaded.append(QPixmap(QString(":/image/infoView/icon_%1.png").arg(d)));
        return loaded;
    }();
    return icons[digit >= 1 && digit <= 9 ? digit : 0];
}

void InfoView::updateDirection() {
    // Any whole number a file gives, brought within one turn before the arithmetic.
    const int heading = wholeNumber(currentGyroInfo->direction) % 360;
    const QImage rose(kCompass);
    QTransform turn;
    turn.rotate(360 - heading);
    const QImage turned = rose.transformed(turn, Qt::FastTransformation);
    const QRect cut((turned.width() - rose.width()) / 2, (turned.height() - rose.height()) / 2,
                    rose.width(), rose.height());
    lblCompass->setPixmap(QPixmap::fromImage(turned.copy(cut)));
}

void InfoView::drawPlayBar() {
    const int n = gyroInfoList.size();
    if (!currentGyroInfo || n < 2) {
        playBar->hide();
        return;
    }
    const int i = gyroInfoList.indexOf(currentGyroInfo.get());
    const int x = int(double(i) / n * customPlot->width() - 1);
    if (x <= 0) {
        playBar->hide();
        return;
    }
    playBar->setGeometry(x, 5, 1, customPlot->height() - 10);
    playBar->show();
    playBar->raise();
}

void InfoView::resizeEvent(QResizeEvent*) { drawPlayBar(); }

bool InfoView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == customPlot && event->type() == QEvent::Resize)
        return static_cast<QResizeEvent*>(event)->size().isEmpty();
    return QWidget::eventFilter(watched, event);
}
