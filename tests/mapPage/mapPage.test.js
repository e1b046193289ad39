// The map page's script against a stub of the maps API: route lines broken at
// invalid points, the marker hidden and shown, seeks, ignored indexes, the
// script request built from the URL parameters, and calls made before the map
// has arrived.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');

const source = fs.readFileSync(process.env.MAP_JS ||
    path.join(__dirname, '../../resources/html/map.js'), 'utf8');

function stubMaps(log) {
    class Marker {
        constructor(options) { this.position = options.position; this.map = options.map;
            this.visible = true; log.markers.push(this); }
        setMap(map) { this.map = map; }
        setVisible(visible) { this.visible = visible; }
        setPosition(position) { this.position = position; }
    }
    class Polyline {
        constructor(options) { this.options = options; this.map = null; this.path = [];
            log.lines.push(this); }
        setMap(map) { this.map = map; }
        getPath() { return this.path; }
    }
    class LatLng {
        constructor(lat, lng) { this.lat = lat; this.lng = lng; }
    }
    class Map {
        constructor(element, options) { this.element = element; this.options = options;
            this.center = options.center; }
        setCenter(center) { this.center = center; log.centred.push(center); }
    }
    return {Map, Marker, Polyline, LatLng};
}

// A page with `search` as its query; `mapsLoaded` runs initMap() at once.
function openPage({search = '', config = {scriptUrl: 'http://127.0.0.1:1/maps/api/js', key: 'K'},
               mapsLoaded = true} = {}) {
    const log = {markers: [], lines: [], centred: [], scripts: []};
    const elements = {map: {id: 'map'},
        unavailable: {style: {display: 'none'}, textContent: 'Map unavailable'}};
    const context = {
        location: {search},
        document: {
            getElementById: (id) => elements[id] || null,
            createElement: (tag) => ({tag}),
            head: {appendChild: (element) => log.scripts.push(element)},
        },
        mapsConfig: config,
    };
    context.window = context;
    vm.createContext(context);
    vm.runInContext(source, context);
    const arrive = () => {
        context.google = {maps: stubMaps(log)};
        context.initMap();
    };
    if (mapsLoaded)
        arrive();
    return {page: context, log, elements, arrive};
}

// Points text: "v" a valid point moving north, "-" no fix.
function points(pattern) {
    return pattern.split('').map((c, i) =>
        c === 'v' ? `${(35.6 + i * 0.001).toFixed(6)},139.700000` : '0.000000,0.000000').join(';');
}

const pathOf = (line) => line.path.map((p) => p.lat.toFixed(3));

test('route is broken into lines at invalid points and the marker hides there', () => {
    const {page, log} = openPage();
    page.setMarkers(points('v'.repeat(10) + '-'.repeat(10) + 'v'.repeat(10)));
    const marker = log.markers[0];
    for (let i = 0; i < 30; i++) {
        page.moveTo(i);
        assert.strictEqual(marker.visible, i < 10 || i >= 20, `second ${i}`);
    }
    assert.strictEqual(log.lines.length, 2);
    assert.strictEqual(log.lines[0].path.length, 10);
    assert.strictEqual(log.lines[1].path.length, 10);
    const {strokeColor, strokeOpacity, strokeWeight} = log.lines[0].options;
    assert.deepStrictEqual([strokeColor, strokeOpacity, strokeWeight], ['#FF0000', 1.0, 3]);
    page.moveTo(25);
    assert.strictEqual(marker.position.lat.toFixed(3), (35.6 + 25 * 0.001).toFixed(3));
});

test('first records without fix: hidden marker, map left in place, route from first fix', () => {
    const {page, log} = openPage();
    page.setMarkers(points('---vvv'));
    assert.strictEqual(log.markers.length, 1);
    assert.strictEqual(log.markers[0].visible, false);
    assert.strictEqual(log.centred.length, 0);
    page.moveTo(3);
    assert.strictEqual(log.markers[0].visible, true);
    assert.strictEqual(log.lines.length, 1);
    assert.deepStrictEqual(pathOf(log.lines[0]), ['35.603']);
    assert.strictEqual(log.centred.length, 1);
});

test('all points invalid: nothing drawn, later moves change nothing', () => {
    const {page, log} = openPage();
    page.setMarkers(points('-----'));
    page.moveTo(3);
    assert.strictEqual(log.markers.length, 0);
    assert.strictEqual(log.lines.length, 0);
    assert.strictEqual(log.centred.length, 0);
});

test('seek back keeps the route, moving on past it extends it by one point', () => {
    const {page, log} = openPage();
    page.setMarkers(points('v'.repeat(50)));
    page.moveTo(40);
    page.moveTo(10);
    assert.strictEqual(log.lines[0].path.length, 41);
    assert.strictEqual(log.markers[0].position.lat.toFixed(3), '35.610');
    page.moveTo(41);
    assert.strictEqual(log.lines[0].path.length, 42);
});

test('indexes at or beyond the point count, negative or before any list are ignored', () => {
    const {page, log} = openPage();
    page.moveTo(0);
    page.setMarkers(points('vvv'));
    for (const ndx of [3, 4, 1000, -1])
        page.moveTo(ndx);
    assert.strictEqual(log.lines.length, 0);
    assert.strictEqual(log.centred.length, 1);
});

test('setToDefault and a new list clear the route and marker, keeping centre', () => {
    const {page, log} = openPage();
    page.setMarkers(points('vvvv'));
    page.moveTo(3);
    page.setToDefault();
    assert.strictEqual(log.markers[0].map, null);
    assert.strictEqual(log.lines[0].map, null);
    page.setMarkers(points('vvvv'));
    assert.strictEqual(log.markers.length, 2);
    page.moveTo(1);
    assert.strictEqual(log.lines.length, 2);
    assert.strictEqual(log.lines[1].path.length, 2);
});

test('URL parameters: present, absent, plus and escapes', () => {
    const cases = [
        ['?region=JP&language=ja', 'region', 'JP'],
        ['?region=JP&language=ja', 'language', 'ja'],
        ['?a=1', 'language', ''],
        ['', 'region', ''],
        ['?q=new+york%21&x=1', 'q', 'new york!'],
        ['?xregion=US&region=jp#top', 'region', 'jp'],
    ];
    for (const [search, name, expected] of cases)
        assert.strictEqual(openPage({search}).page.getUrlParameter(name), expected, search);
});

test('maps script request carries key, callback, language and region', () => {
    const cases = [
        ['', 'http://127.0.0.1:1/maps/api/js?key=K&callback=initMap&libraries=&v=weekly'],
        ['?region=jp&language=JA',
         'http://127.0.0.1:1/maps/api/js?key=K&callback=initMap&libraries=&v=weekly' +
         '&language=ja&region=JP'],
        ['?language=zh-TW',
         'http://127.0.0.1:1/maps/api/js?key=K&callback=initMap&libraries=&v=weekly' +
         '&language=zh-TW'],
    ];
    for (const [search, expected] of cases) {
        const {log} = openPage({search, mapsLoaded: false});
        assert.strictEqual(log.scripts.length, 1);
        assert.strictEqual(log.scripts[0].src, expected);
        assert.strictEqual(log.scripts[0].async, true);
        assert.strictEqual(log.scripts[0].defer, true);
    }
});

test('calls before the map arrives do not throw and are replayed', () => {
    const {page, log, arrive} = openPage({mapsLoaded: false});
    page.setToDefault();
    page.setMarkers(points('vvvvvvvvvv'));
    page.moveTo(8);
    page.moveTo(4);
    page.moveTo(99);
    arrive();
    assert.strictEqual(log.markers.length, 1);
    assert.strictEqual(log.lines[0].path.length, 9);
    assert.strictEqual(log.markers[0].position.lat.toFixed(3), '35.604');
    assert.strictEqual(log.markers[0].visible, true);
});

test('setToDefault before the map arrives leaves nothing to replay', () => {
    const {page, log, arrive} = openPage({mapsLoaded: false});
    page.setMarkers(points('vvv'));
    page.moveTo(2);
    page.setToDefault();
    arrive();
    assert.strictEqual(log.markers.length, 0);
    assert.strictEqual(log.lines.length, 0);
});

test('no script address, no key, a failed script or a refused key show the unavailable note', () => {
    for (const config of [{}, {scriptUrl: 'http://127.0.0.1:1/maps/api/js', key: ''}]) {
        const none = openPage({config, mapsLoaded: false});
        assert.strictEqual(none.log.scripts.length, 0, JSON.stringify(config));
        assert.strictEqual(none.elements.unavailable.style.display, 'flex');
    }
    const failed = openPage({mapsLoaded: false});
    assert.strictEqual(failed.elements.unavailable.style.display, 'none');
    failed.log.scripts[0].onerror();
    assert.strictEqual(failed.elements.unavailable.style.display, 'flex');
    const refused = openPage({mapsLoaded: false});
    refused.page.gm_authFailure();
    assert.strictEqual(refused.elements.unavailable.style.display, 'flex');
});

test('the unavailable note shows the text the panel gives, else the page\'s own', () => {
    const cases = [
        [{unavailableText: '\u5730\u56f3\u3092\u8868\u793a\u3067\u304d\u307e\u305b\u3093'},
         '\u5730\u56f3\u3092\u8868\u793a\u3067\u304d\u307e\u305b\u3093'],
        [{unavailableText: '<b>x</b>'}, '<b>x</b>'],
        [{unavailableText: ''}, 'Map unavailable'],
        [{}, 'Map unavailable'],
    ];
    for (const [config, shown] of cases) {
        const {elements} = openPage({config, mapsLoaded: false});
        assert.strictEqual(elements.unavailable.style.display, 'flex');
        assert.strictEqual(elements.unavailable.textContent, shown, JSON.stringify(config));
    }
});
