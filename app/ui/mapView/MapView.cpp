#include "MapView.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QResizeEvent>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include "EmbeddedResource.h"
#include "RavlixPlayer.h"
#include "ServiceAddress.h"

static void initMapResources() { RV_INIT_RESOURCE_ONCE(map); }

MapView::MapView(QWidget* parent) : QWidget(parent) {
    initMapResources();
    setupUi(this);
    webView = new QWebEngineView(this);
    installMapsConfig();
    webView->load(QUrl(pageAddress(QLocale::system().name())));

    connect(webView, &QWebEngineView::loadFinished, this, &MapView::mapLoaded);
    player = RavlixPlayer::currentPlayer();
    connect(player, &RavlixPlayer::sigVideoChanged, this, &MapView::updateAllGyroList);
    connect(player, &RavlixPlayer::sigGyroInfoUpdated, this, &MapView::gyroInfoUpdated,
            Qt::QueuedConnection);
    connect(player, &RavlixPlayer::sigOpenFailed, this, &MapView::resetRoute);
}

QString MapView::pageAddress(const QString& localeName) {
    QString address = "qrc:/html/map.html";
    if (localeName.contains("ja", Qt::CaseInsensitive) ||
        localeName.contains("jp", Qt::CaseInsensitive))
        address += "?region=JP&language=ja";
    return address;
}

QString MapView::markersCall(const GyroInfoList& records) {
    QStringList items;
    items.reserve(records.size());
    for (int i = 0; i < records.size(); ++i)
        items.append(
            QString::asprintf("%f,%f", double(records[i].latitude), double(records[i].longitude)));
    return "setMarkers(\"" + items.join(';') + "\")";
}

QString MapView::scriptAddress() {
    return ServiceAddress::fromEnvironment("RV_MAPS_SCRIPT_URL", RV_MAPS_SCRIPT_URL).toString();
}

QString MapView::apiKey() {
    const QString given = QString::fromLocal8Bit(qgetenv("RV_MAPS_API_KEY"));
    return given.isEmpty() ? QString(RV_MAPS_API_KEY) : given;
}

// The maps script's address and key, and the translated note shown without a map, reach the
// page script before it runs.
void MapView::installMapsConfig() {
    QJsonObject config;
    config["scriptUrl"] = scriptAddress();
    config["key"] = apiKey();
    config["unavailableText"] = tr("Map unavailable");
    QWebEngineScript script;
    script.setName("mapsConfig");
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setSourceCode("window.mapsConfig = " +
                         QString::fromUtf8(QJsonDocument(config).toJson(QJsonDocument::Compact)) +
                         ";");
    webView->page()->scripts().insert(script);
}

void MapView::setGeometry(int x, int y, int w, int h) {
    QWidget::setGeometry(x, y, w, h);
    relayoutUi();
}

void MapView::relayoutUi() { webView->setGeometry(rect()); }

void MapView::resizeEvent(QResizeEvent*) { relayoutUi(); }

void MapView::mapLoaded() {
    pageLoaded = true;
    updateAllGyroList();
}

void MapView::updateAllGyroList() {
    if (!pageLoaded) return;
    gyroInfoList = player->getAllGyroInfo();
    runScript(gyroInfoList.isEmpty() ? QString("setToDefault()") : markersCall(gyroInfoList));
}

void MapView::resetRoute() {
    gyroInfoList = GyroInfoList();
    if (pageLoaded) runScript("setToDefault()");
}

void MapView::gyroInfoUpdated(int index, SharedGyroInfo gyroInfo) {
    // A record queued for the previous file would draw the new route ahead of playback.
    if (!pageLoaded || !gyroInfo || gyroInfoList.at(index) != gyroInfo) return;
    runScript(QString::asprintf("moveTo(%d)", index));
}

// The call's result is not read: the page reports nothing back.
void MapView::runScript(const QString& call) { webView->page()->runJavaScript(call); }
