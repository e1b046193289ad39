#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include "GyroInfo.h"
#include "GyroInfoList.h"
#include "ui_MapView.h"

class QResizeEvent;
class QWebEngineView;
class RavlixPlayer;

// The GPS route of the open recording on the web map page: every record's
// position when a file opens, the current record's index as the clip plays.
// Talks to the page only by script calls, sent once the page has loaded.
//
// Main thread only; the panel holds the list of the open file.
class MapView : public QWidget, public Ui::MapView {
    Q_OBJECT

  public:
    explicit MapView(QWidget* parent = nullptr);

    // The page address for a system locale name: "?region=JP&language=ja"
    // appended when the name holds "ja" or "jp" in any letter case.
    static QString pageAddress(const QString& localeName);
    // The maps script's address: RV_MAPS_SCRIPT_URL from the environment when acceptable
    // (`ServiceAddress`), else the build's.
    static QString scriptAddress();
    // The maps script's key: RV_MAPS_API_KEY from the environment when not empty, else the
    // build's (empty unless given). Without a key the page requests nothing.
    static QString apiKey();
    // The setMarkers call for `records`: "%f,%f" per record joined by ";".
    static QString markersCall(const GyroInfoList& records);

    void setGeometry(int x, int y, int w, int h);
    void relayoutUi();

  public slots:
    void mapLoaded();
    void updateAllGyroList();
    // Clears the route: no file is open (a folder change, or a file that fails to open).
    void resetRoute();
    // Moves the route to `index` when `gyroInfo` is that record of the panel's list; a record of
    // another file is ignored.
    void gyroInfoUpdated(int index, SharedGyroInfo gyroInfo);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void runScript(const QString& call);
    void installMapsConfig();

    QWebEngineView* webView;  // child, outside the layout
    bool pageLoaded = false;
    RavlixPlayer* player;
    GyroInfoList gyroInfoList;
};
