// Map panel in a real web engine, offline: the request log blocks every host
// but 127.0.0.1, and the maps script comes from a stub maps API served here.
// Checks the script calls sent, the "map unavailable" state, and both panels
// following a recording played through the controller.
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTranslator>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include "EventWait.h"
#include "InfoView.h"
#include "MapView.h"
#include "RavlixPlayer.h"
#include "RecordingWriter.h"
#include "RequestLog.h"
#include "TestEnv.h"

using namespace recording;
using EventWait::waitFor;

namespace {

// Root may not run the web engine's sandbox.
const bool sandboxOff = qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

// A stub of the maps API: records what the page creates and calls initMap().
const char* const kStubMaps = R"JS(
window.stubLog = {markers: [], lines: [], centred: 0};
window.google = {maps: {
  Map: function(element, options) { this.setCenter = function() { stubLog.centred++; }; },
  Marker: function(options) { var m = {position: options.position, visible: true,
      setMap: function(map) { m.map = map; }, setVisible: function(v) { m.visible = v; },
      setPosition: function(p) { m.position = p; }}; stubLog.markers.push(m); return m; },
  Polyline: function(options) { var l = {path: [], setMap: function() {},
      getPath: function() { return l.path; }}; stubLog.lines.push(l); return l; },
  LatLng: function(lat, lng) { this.lat = lat; this.lng = lng; }
}};
initMap();
)JS";

// Serves kStubMaps for every request on 127.0.0.1.
class StubServer : public QTcpServer {
  public:
    StubServer() {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->readAll().contains("\r\n\r\n")) return;
                    ++requests;
                    const QByteArray body(kStubMaps);
                    socket->write(
                        "HTTP/1.1 200 OK\r\nContent-Type: application/javascript\r\n"
                        "Content-Length: " +
                        QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    int requests = 0;
};

// The page's maps script comes from `script` with a key, or, with an empty `script`, from
// the closed port the test environment sets, without a key. Read when a panel is built.
void useScript(const QUrl& script) {
    if (script.isEmpty()) {
        qputenv("RV_MAPS_SCRIPT_URL", "http://127.0.0.1:9/maps/api/js");
        qunsetenv("RV_MAPS_API_KEY");
    } else {
        qputenv("RV_MAPS_SCRIPT_URL", script.toEncoded());
        qputenv("RV_MAPS_API_KEY", "test-key");
    }
    RequestLog::instance()->clear();
}

QUrl stubAddress(const StubServer& server) {
    return QUrl(QString("http://127.0.0.1:%1/maps/api/js").arg(server.serverPort()));
}

void failOnConnectWarnings(QtMsgType, const QMessageLogContext&, const QString& text) {
    if (text.contains("QObject::connect")) ADD_FAILURE() << text.toStdString();
}

RavlixPlayer* player() {
    static RavlixPlayer* made = [] {
        qInstallMessageHandler(failOnConnectWarnings);
        return RavlixPlayer::newPlayer(nullptr);
    }();
    return made;
}

QString recordingOf(const std::string& name, int seconds, int records) {
    const std::string path = TestEnv::makeDir("mapView") + "/" + name + ".MOV";
    ClipOptions options;
    options.width = options.height = 64;
    options.seconds = seconds;
    std::string error;
    EXPECT_TRUE(encodeClip(path, options, &error) &&
                (records == 0 || addTripData(path, makeTrip(records), 4096, &error)))
        << error;
    return QString::fromStdString(path);
}

// A recording with `records` trip records whose video no decoder reads (its codec tag changed).
QString brokenRecordingOf(const std::string& name, int records) {
    const QString path = recordingOf(name, 1, records);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    bytes.replace("avc1", "zzz1");
    file.seek(0);
    file.write(bytes);
    return path;
}

// Opens `path` and waits until the controller has announced it (the panels have its records).
void openAndWait(const QString& path) {
    bool announced = false;
    const QMetaObject::Connection connection =
        QObject::connect(player(), &RavlixPlayer::sigVideoChanged, [&] { announced = true; });
    player()->open(path);
    EXPECT_TRUE(waitFor([&] { return announced; }, 10000)) << path.toStdString();
    QObject::disconnect(connection);
}

QWebEngineView* webOf(MapView& view) { return view.findChild<QWebEngineView*>(); }

// Records, in the page, the text of every panel call as it arrives.
void recordCalls(MapView& view) {
    QWebEngineScript script;
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setSourceCode(R"JS(
window.sentCalls = [];
['setToDefault', 'setMarkers', 'moveTo'].forEach(function (name) {
  var real = window[name];
  window[name] = function (arg) {
    sentCalls.push(arg === undefined ? name + '()'
        : typeof arg === 'string' ? name + '("' + arg + '")' : name + '(' + arg + ')');
    return real(arg);
  };
});)JS");
    webOf(view)->page()->scripts().insert(script);
}

QVariant evaluate(MapView& view, const QString& script) {
    QVariant result;
    bool done = false;
    webOf(view)->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    waitFor([&] { return done; }, 10000);
    return result;
}

QStringList sentCalls(MapView& view) {
    return evaluate(view, "window.sentCalls || []").toStringList();
}

bool waitForCalls(MapView& view, int count) {
    return waitFor([&] { return sentCalls(view).size() >= count; }, 15000);
}

// Records at the given (latitude, longitude) points.
GyroInfoList recordsAt(const std::vector<std::pair<float, float>>& points) {
    std::vector<std::unique_ptr<GyroInfo>> records;
    for (const auto& point : points) {
        records.push_back(std::make_unique<GyroInfo>());
        records.back()->latitude = point.first;
        records.back()->longitude = point.second;
    }
    return GyroInfoList(std::move(records));
}

TEST(MapView, MarkersCallText) {
    EXPECT_EQ(MapView::markersCall(recordsAt({{35.5f, 139.25f}})),
              "setMarkers(\"35.500000,139.250000\")");
    EXPECT_EQ(MapView::markersCall(recordsAt({{35.5f, 139.25f}, {0, 0}, {-1.125f, 0.0000004f}})),
              "setMarkers(\"35.500000,139.250000;0.000000,0.000000;-1.125000,0.000000\")");
}

TEST(MapView, PageAddressFollowsTheLocaleName) {
    const QString plain = "qrc:/html/map.html";
    const QString japan = plain + "?region=JP&language=ja";
    const struct {
        const char* locale;
        QString address;
    } cases[] = {{"ja_JP", japan}, {"en_JP", japan}, {"JA", japan},   {"de_jP", japan},
                 {"en_US", plain}, {"C", plain},     {"fr_FR", plain}};
    for (const auto& c : cases) EXPECT_EQ(MapView::pageAddress(c.locale), c.address) << c.locale;
}

bool showsUnavailable(MapView& view) {
    return evaluate(view, "document.getElementById('unavailable').style.display") == "flex";
}

// The note is the page's text translated by the program: in Japanese with the Japanese
// translations installed.
TEST(MapView, UnavailableNoteIsInTheProgramsLanguage) {
    player();
    useScript(QUrl());
    if (!MapView::apiKey().isEmpty()) GTEST_SKIP() << "the build has a maps key";
    QTranslator japanese;
    ASSERT_TRUE(japanese.load(QString(RV_LANGUAGES_DIR) + "Ravlix360Player_ja_JP.qm"));
    QCoreApplication::installTranslator(&japanese);
    MapView view;
    QCoreApplication::removeTranslator(&japanese);
    view.resize(400, 300);
    view.show();
    EXPECT_TRUE(waitFor([&] { return showsUnavailable(view); }, 15000));
    EXPECT_EQ(evaluate(view, "document.getElementById('unavailable').textContent").toString(),
              QString::fromUtf8("\u5730\u56f3\u3092\u8868\u793a\u3067\u304d\u307e\u305b\u3093"));
}

// Without a key the page asks for nothing; with one, an unreachable script address leaves the
// note too, after one request for the script at that address.
TEST(MapView, WithoutAKeyOrAReachableScriptShowsMapUnavailable) {
    player();
    const QString closed = "http://127.0.0.1:9/maps/api/js";
    for (const bool withKey : {false, true}) {
        useScript(QUrl());
        if (withKey) qputenv("RV_MAPS_API_KEY", "test-key");
        if (!withKey && !MapView::apiKey().isEmpty()) GTEST_SKIP() << "the build has a maps key";
        MapView view;
        view.resize(400, 300);
        view.show();
        EXPECT_TRUE(waitFor([&] { return showsUnavailable(view); }, 15000)) << withKey;
        EXPECT_EQ(evaluate(view, "document.getElementById('unavailable').textContent").toString(),
                  "Map unavailable");
        EventWait::settle(300);
        const QList<QUrl> requests = RequestLog::instance()->requests();
        if (!withKey) {
            EXPECT_TRUE(requests.isEmpty()) << requests[0].toString().toStdString();
            continue;
        }
        ASSERT_EQ(requests.size(), 1);
        EXPECT_EQ(requests[0].toString(QUrl::RemoveQuery), closed);
        EXPECT_EQ(QUrlQuery(requests[0]).queryItemValue("key"), "test-key");
    }
}

TEST(MapView, SendsCallsOnlyAfterLoadingAndOnlyForTheCurrentList) {
    StubServer server;
    useScript(stubAddress(server));
    RavlixPlayer* controller = player();
    const QString trip = recordingOf("TRIP30", 1, 30);
    const QString bare = recordingOf("BARE", 1, 0);

    MapView view;
    recordCalls(view);
    view.setGeometry(0, 0, 400, 300);
    view.show();
    // Connected after the panel: set once the panel has had the first still frame's record.
    bool firstRecord = false;
    QObject::connect(
        controller, &RavlixPlayer::sigGyroInfoUpdated, &view, [&] { firstRecord = true; },
        Qt::QueuedConnection);
    openAndWait(trip);  // during loading
    const GyroInfoList list = controller->getAllGyroInfo();
    ASSERT_EQ(list.size(), 30);
    ASSERT_TRUE(waitForCalls(view, 1));
    EXPECT_TRUE(waitFor([&] { return evaluate(view, "!!window.map").toBool(); }, 15000));
    ASSERT_TRUE(waitFor([&] { return firstRecord; }, 15000));
    // The record of second 0 moves the marker only when the page had loaded before it came.
    const QStringList first = sentCalls(view);
    EXPECT_EQ(first.first(), MapView::markersCall(list));
    EXPECT_TRUE(first.mid(1).isEmpty() || first.mid(1) == QStringList({"moveTo(0)"}))
        << first.mid(1).join(' ').toStdString();
    EXPECT_EQ(webOf(view)->geometry(), QRect(0, 0, 400, 300));
    EXPECT_EQ(evaluate(view, "stubLog.markers.length").toInt(), 1);

    view.gyroInfoUpdated(25, list.at(25));
    ASSERT_TRUE(waitForCalls(view, first.size() + 1));
    EXPECT_EQ(sentCalls(view).last(), "moveTo(25)");
    EXPECT_EQ(evaluate(view, "stubLog.lines[0].path.length").toInt(), 26);

    // A record of another file, queued before the open, and a record under another index.
    view.gyroInfoUpdated(3, std::make_shared<GyroInfo>());
    view.gyroInfoUpdated(30, list.at(0));
    controller->open(bare);
    ASSERT_TRUE(waitForCalls(view, first.size() + 2));
    EventWait::settle(300);
    EXPECT_EQ(sentCalls(view).mid(first.size() + 1), QStringList({"setToDefault()"}));
    EXPECT_EQ(server.requests, 1);
    EXPECT_TRUE(RequestLog::instance()->elsewhere().isEmpty());
}

TEST(Panels, FollowAPlayingRecordingSecondBySecond) {
    StubServer server;
    useScript(stubAddress(server));
    RavlixPlayer* controller = player();
    const QString trip = recordingOf("PLAY", 3, 3);
    MapView map;
    recordCalls(map);
    bool loaded = false;
    QObject::connect(webOf(map), &QWebEngineView::loadFinished, [&] { loaded = true; });
    InfoView info;
    map.resize(400, 300);
    info.resize(680, 130);
    map.show();
    info.show();
    ASSERT_TRUE(waitFor([&] { return loaded; }, 15000));
    ASSERT_TRUE(waitFor([&] { return evaluate(map, "!!window.map").toBool(); }, 15000))
        << server.requests << " " << RequestLog::instance()->requests().size() << " "
        << evaluate(map, "document.readyState + typeof window.stubLog").toString().toStdString();
    openAndWait(trip);
    const GyroInfoList list = controller->getAllGyroInfo();
    ASSERT_EQ(list.size(), 3);

    // Connected after the panels, so it runs after their slots for each record.
    std::vector<int> seen;
    QObject::connect(
        controller, &RavlixPlayer::sigGyroInfoUpdated, &info,
        [&](int index, SharedGyroInfo record) {
            seen.push_back(index);
            EXPECT_EQ(info.lblGSensorX->text(), QString::number(record->gSensorX));
            EXPECT_EQ(info.lblGSensorZ->text(), QString::number(record->gSensorZ));
            const int kmh = int(record->speed);
            const QImage ones(QString(":/image/infoView/icon_%1.png").arg(kmh % 10));
            EXPECT_EQ(info.lblNum->pixmap(Qt::ReturnByValue).toImage(),
                      ones.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        },
        Qt::QueuedConnection);
    controller->play();
    ASSERT_TRUE(waitFor([&] { return seen.size() >= 3; }, 15000)) << seen.size();
    controller->stop();
    EXPECT_EQ(std::vector<int>(seen.begin(), seen.begin() + 3), std::vector<int>({0, 1, 2}));
    ASSERT_TRUE(waitForCalls(map, 5)) << sentCalls(map).join(' ').left(200).toStdString();
    // The list open at load time (if any) comes first, then this file's.
    const QStringList all = sentCalls(map);
    const int from = all.indexOf(MapView::markersCall(list));
    ASSERT_GE(from, 0);
    EXPECT_EQ(all.mid(from + 1, 3).join(' ').toStdString(), "moveTo(0) moveTo(1) moveTo(2)");
    EXPECT_EQ(evaluate(map, "stubLog.lines[0].path.length").toInt(), 3);
    EXPECT_EQ(info.stackedWidget->currentIndex(), 0);
}

// The speed digits show `value`.
bool showsSpeed(InfoView& info, int value) {
    int place = 100;
    for (QLabel* digit : {info.lblHundredNum, info.lblTenNum, info.lblNum}) {
        const QImage expected(QString(":/image/infoView/icon_%1.png").arg(value / place % 10));
        if (digit->pixmap(Qt::ReturnByValue).toImage() !=
            expected.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            return false;
        place /= 10;
    }
    return true;
}

// A record of the earlier file reaches the panels after a file without records has been
// announced, held only by its queued delivery as a queued signal holds it (the controller drops
// what an earlier open left queued; the panels do not rely on that order). The map ignores it;
// the trip panel shows it, and it stays readable there after the switch has let the earlier file
// go: the unit buttons redraw from it.
TEST(Panels, ALateRecordAfterASwitchToAFileWithoutRecords) {
    StubServer server;
    useScript(stubAddress(server));
    RavlixPlayer* controller = player();
    const QString trip = recordingOf("LATE", 3, 3);
    const QString bare = recordingOf("NONE", 1, 0);
    const TripRecord late = makeTrip(3)[2];
    MapView map;
    recordCalls(map);
    bool loaded = false;
    QObject::connect(webOf(map), &QWebEngineView::loadFinished, [&] { loaded = true; });
    InfoView info;
    map.show();
    info.show();
    ASSERT_TRUE(waitFor([&] { return loaded; }, 15000));
    ASSERT_TRUE(waitFor([&] { return evaluate(map, "!!window.map").toBool(); }, 15000));
    openAndWait(trip);
    const QString markers = MapView::markersCall(controller->getAllGyroInfo());
    // The first still frame sends record 0.
    ASSERT_TRUE(waitFor([&] { return sentCalls(map).contains("moveTo(0)"); }, 15000));

    // Record 2 as the controller sends it for a frame at 2.5 s; a second delivery is kept back.
    std::function<void()> lateDelivery;
    QObject::connect(
        controller, &RavlixPlayer::sigGyroInfoUpdated, &info,
        [&](int index, SharedGyroInfo record) {
            if (index != 2) return;
            lateDelivery = [&info, &map, record] {
                info.gyroInfoUpdated(2, record);
                map.gyroInfoUpdated(2, record);
            };
        },
        Qt::DirectConnection);
    std::thread videoThread([controller] {
        QtAV::VideoFrame frame(4, 4, QtAV::VideoFormat::Format_BGRA32);
        frame.setTimestamp(2.5);
        controller->receive(frame);
    });
    videoThread.join();
    ASSERT_TRUE(waitFor([&] { return bool(lateDelivery); }, 5000));
    openAndWait(bare);
    ASSERT_TRUE(controller->getAllGyroInfo().isEmpty());
    ASSERT_EQ(info.stackedWidget->currentIndex(), 1) << "no records: the no-GPS page";

    QMetaObject::invokeMethod(&info, std::move(lateDelivery), Qt::QueuedConnection);
    lateDelivery = nullptr;
    EXPECT_TRUE(waitFor([&] { return info.stackedWidget->currentIndex() == 0; }, 5000));
    EventWait::settle(300);  // all that the switch queued has run
    info.btnMph->click();
    const float kmh = float(double(late.speedKnots) * 1.852);
    EXPECT_TRUE(showsSpeed(info, int(kmh * 0.62f)));
    info.btnKmh->click();
    EXPECT_TRUE(showsSpeed(info, int(kmh)));
    EXPECT_EQ(info.lblGSensorZ->text(), QString::number(late.gZ));
    const QStringList calls = sentCalls(map);
    EXPECT_EQ(calls.mid(calls.lastIndexOf(markers)).join(' ').toStdString(),
              (markers + " moveTo(0) moveTo(2) setToDefault()").toStdString());
}

// A file whose trip records read but whose video does not play leaves no route behind.
TEST(MapView, FileThatFailsToOpenClearsTheRoute) {
    StubServer server;
    useScript(stubAddress(server));
    RavlixPlayer* controller = player();
    MapView view;
    recordCalls(view);
    bool loaded = false;
    QObject::connect(webOf(view), &QWebEngineView::loadFinished, [&] { loaded = true; });
    view.show();
    ASSERT_TRUE(waitFor([&] { return loaded; }, 15000));
    ASSERT_TRUE(waitFor([&] { return evaluate(view, "!!window.map").toBool(); }, 15000));
    bool failed = false;
    QObject::connect(controller, &RavlixPlayer::sigOpenFailed, &view, [&] { failed = true; });
    const int before = sentCalls(view).size();
    openAndWait(brokenRecordingOf("BROKEN", 5));
    const QString markers = MapView::markersCall(controller->getAllGyroInfo());
    ASSERT_EQ(controller->getAllGyroInfo().size(), 5);
    ASSERT_TRUE(waitFor([&] { return failed; }, 15000));
    ASSERT_TRUE(waitFor([&] { return sentCalls(view).size() >= before + 2; }, 15000));
    EventWait::settle(200);
    EXPECT_EQ(sentCalls(view).mid(before), QStringList({markers, "setToDefault()"}));
    view.gyroInfoUpdated(2, controller->getAllGyroInfo().at(2));
    EventWait::settle(200);
    EXPECT_EQ(sentCalls(view).last(), "setToDefault()")
        << "records of the failed file move nothing";
}

}  // namespace
