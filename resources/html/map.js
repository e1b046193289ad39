// The map page's script. The panel calls setToDefault(), setMarkers(text) and
// moveTo(index) once the page has loaded; the Maps JavaScript API arrives
// later (or never, offline). Until the map exists the calls only keep state,
// and initMap() replays the last point list and positions onto the new map.
//
// The settings come in window.mapsConfig = {scriptUrl, key, unavailableText},
// set by the panel before this script runs; without a script address or a key
// the map is unavailable (the note shows unavailableText, in the program's
// language) and nothing is requested.

var marker = null;        // position marker
var polyLineList = [];    // route lines on the map
var curPolyline = null;   // route line being extended
var latlngList = [];      // points of the current file, point n = record n
var lastLineNdx = -1;     // highest index drawn so far
var map = null;           // the map, once the API has called initMap()

// State kept for the replay when the map arrives.
var pendingMarkers = null;  // last setMarkers text, null after setToDefault
var pendingFarthest = -1;   // highest index moved to since then
var pendingLast = -1;       // last index moved to

function getUrlParameter(name) {
    var escaped = name.replace(/[\[\]]/g, '\\$&');
    var match = new RegExp('[?&]' + escaped + '=([^&#]*)').exec(location.search);
    if (!match)
        return '';
    return decodeURIComponent(match[1].replace(/\+/g, ' '));
}

function mapsScriptAddress(config) {
    var address = config.scriptUrl + '?key=' + encodeURIComponent(config.key || '') +
        '&callback=initMap&libraries=&v=weekly';
    var language = getUrlParameter('language');
    if (language.length === 2)
        language = language.toLowerCase();
    if (language !== '')
        address += '&language=' + encodeURIComponent(language);
    var region = getUrlParameter('region').toUpperCase();
    if (region !== '')
        address += '&region=' + encodeURIComponent(region);
    return address;
}

function showUnavailable() {
    var note = document.getElementById('unavailable');
    if (!note)
        return;
    var text = (window.mapsConfig || {}).unavailableText;
    if (text)
        note.textContent = text;
    note.style.display = 'flex';
}

function loadMapsApi() {
    var config = window.mapsConfig || {};
    if (!config.scriptUrl || !config.key) {
        showUnavailable();
        return;
    }
    var script = document.createElement('script');
    script.src = mapsScriptAddress(config);
    script.async = true;
    script.defer = true;
    script.onerror = showUnavailable;
    document.head.appendChild(script);
}

// The API reports a refused key here.
function gm_authFailure() {
    showUnavailable();
}

function initMap() {
    map = new google.maps.Map(document.getElementById('map'), {
        center: {lat: 35.681932, lng: 139.766915},
        zoom: 15,
        disableDefaultUI: true,
        mapTypeControl: false,
        streetViewControl: false,
        panControl: true,
        scaleControl: true,
        zoomControl: true
    });
    window.map = map;
    replay();
}

function replay() {
    var farthest = pendingFarthest, last = pendingLast;
    if (pendingMarkers === null)
        return;
    setMarkers(pendingMarkers);
    if (farthest >= 0)
        moveTo(farthest);
    if (last >= 0 && last !== farthest)
        moveTo(last);
}

function isInvalid(point) {
    return Math.abs(point.lat) < 0.01 && Math.abs(point.lng) < 0.01;
}

function clearMap() {
    lastLineNdx = -1;
    if (marker)
        marker.setMap(null);
    for (var i = 0; i < polyLineList.length; i++)
        polyLineList[i].setMap(null);
    polyLineList = [];
    curPolyline = null;
}

function setToDefault() {
    pendingMarkers = null;
    pendingFarthest = pendingLast = -1;
    clearMap();
}

function parsePoints(locationList) {
    return String(locationList).split(';').map(function (item) {
        var fields = item.split(',');
        return {lat: parseFloat(fields[0]), lng: parseFloat(fields[1])};
    });
}

function setMarkers(locationList) {
    pendingMarkers = locationList;
    pendingFarthest = pendingLast = -1;
    clearMap();
    var points = parsePoints(locationList);
    latlngList = points.some(function (p) { return !isInvalid(p); }) ? points : [];
    if (latlngList.length === 0 || !map)
        return;
    marker = new google.maps.Marker({position: latlngList[0], map: map});
    if (isInvalid(latlngList[0]))
        marker.setVisible(false);
    else
        map.setCenter(latlngList[0]);
}

function extendRoute(ndx) {
    for (var i = lastLineNdx + 1; i <= ndx; i++) {
        var point = latlngList[i];
        if (isInvalid(point)) {
            curPolyline = null;
            continue;
        }
        if (!curPolyline) {
            curPolyline = new google.maps.Polyline({
                path: [], strokeColor: '#FF0000', strokeOpacity: 1.0, strokeWeight: 3});
            curPolyline.setMap(map);
            polyLineList.push(curPolyline);
        }
        curPolyline.getPath().push(new google.maps.LatLng(point.lat, point.lng));
    }
    lastLineNdx = ndx;
}

function moveTo(ndx) {
    if (!(ndx >= 0 && ndx < latlngList.length))
        return;
    pendingLast = ndx;
    pendingFarthest = Math.max(pendingFarthest, ndx);
    if (!map)
        return;
    if (ndx > lastLineNdx)
        extendRoute(ndx);
    var point = latlngList[ndx];
    if (isInvalid(point)) {
        marker.setVisible(false);
        return;
    }
    map.setCenter(point);
    marker.setPosition(point);
    marker.setVisible(true);
}

window.setToDefault = setToDefault;
window.setMarkers = setMarkers;
window.moveTo = moveTo;
window.clearMap = clearMap;
window.initMap = initMap;
window.getUrlParameter = getUrlParameter;
window.gm_authFailure = gm_authFailure;

loadMapsApi();
