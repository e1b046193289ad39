#include "ModeView.h"

#include <QButtonGroup>
#include <QLocale>

#include "EmbeddedResource.h"
#include "ui_ModeView.h"

QString ModeView::ORIGINAL_STYLE = "";
QString ModeView::ORIGINAL_CHECKED_STYLE = "";
QString ModeView::PANORAMA_STYLE = "";
QString ModeView::PANORAMA_CHECKED_STYLE = "";
QString ModeView::TWO_IN_ONE_STYLE = "";
QString ModeView::TWO_IN_ONE_CHECKED_STYLE = "";
QString ModeView::FOUR_IN_ONE_STYLE = "";
QString ModeView::FOUR_IN_ONE_CHECKED_STYLE = "";
QString ModeView::ANGLE_STYLE = "";
QString ModeView::ANGLE_CHECKED_STYLE = "";

static void initModeViewResources() { RV_INIT_RESOURCE_ONCE(modeView); }

namespace {

QString picture(const QString& word, const QString& state, const QString& language) {
    return QString("url(:/image/modeView/icon_%1_%2_%3.png)").arg(word, state, language);
}

QString styleSheet(const QString& normal, const QString& pressed, const QString& hover) {
    return QString(
               "QPushButton{background-image: %1;}"
               "QPushButton:pressed{background-image: %2;}"
               "QPushButton:hover{background-image: %3;}")
        .arg(normal, pressed, hover);
}

void fillStyles(const QString& word, const QString& language, QString* plain, QString* checked) {
    const QString red = picture(word, "red", language);
    *plain =
        styleSheet(picture(word, "white", language), red, picture(word, "white_hover", language));
    *checked = styleSheet(red, red, picture(word, "red_hover", language));
}

}  // namespace

ModeView::ModeView(QWidget* parent) : QWidget(parent), ui(new Ui::ModeView) {
    initModeViewResources();
    qRegisterMetaType<PLAYBACK_MODE>("PLAYBACK_MODE");
    ui->setupUi(this);
    setupStyle();
    setMouseTracking(true);
    ui->container->setMouseTracking(true);
    for (const ButtonStyle& b : buttons()) b.button->setMouseTracking(true);
    updateStyle();
    connect(ui->buttonGroup, &QButtonGroup::idClicked, this, &ModeView::modeChange);
}

ModeView::~ModeView() { delete ui; }

void ModeView::setupStyle() {
    const QString language = QLocale::system().name() == "ja_JP" ? "jp" : "en";
    fillStyles("original", language, &ORIGINAL_STYLE, &ORIGINAL_CHECKED_STYLE);
    fillStyles("panorama", language, &PANORAMA_STYLE, &PANORAMA_CHECKED_STYLE);
    fillStyles("2in1", language, &TWO_IN_ONE_STYLE, &TWO_IN_ONE_CHECKED_STYLE);
    fillStyles("4in1", language, &FOUR_IN_ONE_STYLE, &FOUR_IN_ONE_CHECKED_STYLE);
    fillStyles("angle", language, &ANGLE_STYLE, &ANGLE_CHECKED_STYLE);
}

QList<ModeView::ButtonStyle> ModeView::buttons() const {
    return {{ui->btnOriginal, MODE_ORIGINAL, &ORIGINAL_STYLE, &ORIGINAL_CHECKED_STYLE},
            {ui->btnPanorama, MODE_PANORAMA, &PANORAMA_STYLE, &PANORAMA_CHECKED_STYLE},
            {ui->btn2in1, MODE_TWO_IN_ONE, &TWO_IN_ONE_STYLE, &TWO_IN_ONE_CHECKED_STYLE},
            {ui->btn4in1, MODE_FOUR_IN_ONE, &FOUR_IN_ONE_STYLE, &FOUR_IN_ONE_CHECKED_STYLE},
            {ui->btnAngle, MODE_ANGLE, &ANGLE_STYLE, &ANGLE_CHECKED_STYLE}};
}

void ModeView::updateStyle() {
    const QList<ButtonStyle> all = buttons();
    for (const ButtonStyle& b : all) b.button->setStyleSheet(*b.plain);
    for (const ButtonStyle& b : all) {
        if (b.button->isChecked()) {
            b.button->setStyleSheet(*b.checked);
            return;
        }
    }
}

void ModeView::modeChange() {
    // The clicked button turns red on screen first: switching the view may take a while.
    updateStyle();
    repaint();
    for (const ButtonStyle& b : buttons()) {
        if (b.button->isChecked()) {
            emit sigModeChange(b.mode);
            return;
        }
    }
}

void ModeView::mouseMoveEvent(QMouseEvent* event) {
    setCursor(Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}
