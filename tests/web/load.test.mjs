// The page's loading and its life offline: the progress bar on a slow network, each failure in
// words with a button that tries again, the page kept for visits without a server, a new build
// taken at the next visit, and Chromium's check that the page can be installed.
import assert from 'node:assert/strict';
import {statSync} from 'node:fs';
import {join} from 'node:path';
import {pathToFileURL} from 'node:url';
import {describe, test} from 'node:test';
import * as web from './lib.mjs';

const session = web.session();

const statusText = ride => ride.page.$eval('#status-text', e => e.textContent.trim());
const statusShown = ride => ride.page.$eval('#status', e => e.offsetHeight > 0);
const keysShown = ride =>
    ride.page.$eval('#keys', e => getComputedStyle(e).visibility === 'visible');

describe('loading', () => {
    test('on a slow network the bar grows with what has arrived, then the first frame and the keys',
         async () => {
        const ride = await web.open(session.browser, session.servers.page.url, {
            before: async page => {
                // The bar's values as the page sets them, from the first.
                await page.evaluateOnNewDocument(() => {
                    window.__bar = [];
                    new MutationObserver(() => {
                        const bar = document.getElementById('status-bar');
                        if (bar && bar.value !== window.__bar.at(-1))
                            window.__bar.push(bar.value);
                    }).observe(document, {subtree: true, attributes: true,
                                          attributeFilter: ['value']});
                });
                await page.emulateNetworkConditions({download: 3e5, upload: 3e5, latency: 20});
            },
        });
        try {
            await ride.page.waitForFunction(() => window.__bar.length > 0, {timeout: web.TIMEOUT});
            assert.match(await statusText(ride), /^Loading the simulator: \d+\.\d MB of \d+\.\d MB$/);
            assert.ok(!(await keysShown(ride)), 'the keys are shown before there is a ride');
            await ride.until(1);
            assert.ok(await keysShown(ride), 'the keys are not shown with the first frame');
            const bar = await ride.page.evaluate(() => window.__bar);
            assert.ok(bar.length >= 10, `the bar moved ${bar.length} times: ${bar}`);
            assert.ok(bar[0] < 0.2 && bar.at(-1) === 1, `the bar went from ${bar[0]} to ${bar.at(-1)}`);
            assert.ok(bar.every((value, i) => i === 0 || value > bar[i - 1]), `the bar fell: ${bar}`);
            assert.ok(!(await statusShown(ride)), 'the panel stays over the first frame');
            assert.deepEqual(ride.errors, []);
        } finally {
            await ride.close();
        }
    });

    // Each fault as the page meets it, the words it must say, and then the fault mended: trying
    // again fetches what failed, and only that (the times each of FILE, models.data and
    // balantor.wasm is asked for in all), and the program starts. A wasm that does not compile
    // (the program's or the painter's) is found only once it runs: trying again loads the page
    // afresh. A file held back (HOLD) arrives only once the words are shown, and changes none.
    const faults = [
        {what: 'a missing wasm', file: 'balantor.wasm', asked: [2, 1, 2],
         fault: request => request.respond({status: 404}),
         words: /^balantor\.wasm was not found on the server \(404\)\.$/},
        {what: 'the models cut short', file: 'models.data', asked: [2, 2, 1],
         fault: request => request.respond({status: 200, body: Buffer.alloc(1000)}),
         words: /^models\.data arrived cut short: 1000 bytes of \d+\.$/},
        {what: 'the models stalled', file: 'models.data', asked: [2, 2, 1], query: '?stall=2',
         fault: () => {},
         words: /^models\.data stopped arriving: nothing came for 2 s \(at 0\.0 MB of \d+\.\d MB\)\.$/},
        {what: 'a missing script', file: 'models.js', asked: [2, 1, 1],
         fault: request => request.respond({status: 404}),
         words: /^models\.js could not be loaded from the server\.$/},
        {what: 'a wasm that does not compile', file: 'balantor.wasm', asked: [2, 2, 2],
         fault: request => request.respond({
             status: 200,
             body: Buffer.alloc(statSync(join(web.pageDir(), 'balantor.wasm')).size)}),
         words: /^The simulator could not start: CompileError: /},
        {what: 'a painter that does not compile', file: 'ground.wasm', asked: [2, 2, 2],
         hold: 'models.data',
         fault: request => request.respond({
             status: 200,
             body: Buffer.alloc(statSync(join(web.pageDir(), 'ground.wasm')).size)}),
         words: /^The ground could not be painted: CompileError: /},
        {what: 'a painter that stops in its workers', file: 'ground.wasm', asked: [2, 2, 2],
         hold: 'models.data',
         fault: request => request.respond({status: 200, body: unlinkable('ground.wasm')}),
         words: /^The ground could not be painted: TypeError: WebAssembly\.instantiate\(\): /},
    ];
    // A module of the file's size that compiles but asks for a function that no script of the
    // page has: the painter's fails in its workers. The rest is a custom section.
    function unlinkable(name) {
        const head = Buffer.from('0061736d01000000010401600000020701017801790000', 'hex');
        const rest = statSync(join(web.pageDir(), name)).size - head.length - 6;
        const size = [0, 7, 14, 21, 28].map(at => (rest >>> at) & 0x7f | (at < 28 ? 0x80 : 0));
        return Buffer.concat([head, Buffer.from([0, ...size, 1, 0x70]), Buffer.alloc(rest - 2)]);
    }
    for (const {what, file, asked: times, query = '', fault, words, hold} of faults) {
        test(`${what}: said in words, and trying again starts the program`, async () => {
            let mended = false;
            const asked = {};
            const held = [];
            const ride = await web.open(session.browser, session.servers.page.url + query, {
                before: async page => {
                    await page.setRequestInterception(true);
                    page.on('request', request => {
                        const name = new URL(request.url()).pathname.slice(1);
                        asked[name] = (asked[name] ?? 0) + 1;
                        if (name === file && !mended)
                            fault(request);
                        else if (name === hold && !mended)
                            held.push(request);
                        else
                            request.continue();
                    });
                },
            });
            try {
                await ride.waitState('failed');
                assert.match(await statusText(ride), words);
                if (hold) {
                    held.forEach(request => request.continue());
                    await ride.page.waitForFunction(() => window.Module.wasmBinary,
                                                    {timeout: web.TIMEOUT});
                    assert.match(await statusText(ride), words);
                }
                mended = true;
                await ride.page.click('#status-retry');
                await ride.restarted();
                assert.equal(await ride.state(), 'running');
                assert.deepEqual([asked[file], asked['models.data'], asked['balantor.wasm']], times);
            } finally {
                await ride.close();
            }
        });
    }

    test('no WebGL: said in words, and trying again once there is', async () => {
        const ride = await web.open(session.browser, session.servers.page.url, {
            before: page => page.evaluateOnNewDocument(() => {
                window.__noWebGL = true;
                const getContext = HTMLCanvasElement.prototype.getContext;
                HTMLCanvasElement.prototype.getContext = function(type, ...rest) {
                    return window.__noWebGL && /webgl/.test(type) ? null
                                                                 : getContext.call(this, type, ...rest);
                };
            }),
        });
        try {
            await ride.waitState('failed');
            assert.match(await statusText(ride), /^This browser gives the page no WebGL/);
            await ride.page.evaluate(() => (window.__noWebGL = false));
            await ride.page.click('#status-retry');
            await ride.until(1);
            assert.deepEqual(ride.errors, []);
        } finally {
            await ride.close();
        }
    });

    test('opened as a file: says that it must be served, and how', async () => {
        const url = pathToFileURL(join(web.pageDir(), 'index.html')).href;
        const ride = await web.open(session.browser, url);
        try {
            await ride.waitState('failed');
            assert.match(await statusText(ride),
                         /must be served by a web server.*python3 -m http\.server.*localhost/);
            assert.ok(await ride.page.$eval('#status-retry', e => !e.hidden));
        } finally {
            await ride.close();
        }
    });
});

describe('offline and installable', () => {
    test('kept after one visit, runs with no server, and a new build comes at the next visit',
         async () => {
        // The browser's own profile: an incognito context is never installable.
        const ride = await web.open(session.browser, session.servers.page.url, {kept: true});
        const page = ride.page;
        // The builds' caches (the painted ground has one of its own).
        const builds = () => page.evaluate(async () =>
            (await caches.keys()).filter(name => name.startsWith('balantor-')));
        const programMessage = async () => {
            await page.waitForSelector('#box[open]', {timeout: web.TIMEOUT});
            return page.$eval('#box-text', e => e.textContent.trim());
        };
        const noWheel = 'Unable to find or open the file: models/hjul.ASE';
        try {
            await ride.until(1);
            await page.evaluate(() => navigator.serviceWorker.ready);
            const cdp = await page.createCDPSession();
            assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors,
                             []);
            const first = await builds();
            assert.equal(first.length, 1);

            // No server at all: the page and the program come from the cache, and it rides.
            await session.servers.page.stop();
            await page.reload();
            await ride.restarted();
            await ride.after(30);
            assert.equal(await ride.state(), 'running');

            // Another build served (the page without the wheel): the next visit gets it whole,
            // and its worker keeps it in place of the first.
            session.servers.page.dir = web.pageDir('no-wheel');
            await session.servers.page.start();
            await page.reload();
            assert.equal(await programMessage(), noWheel);
            await page.waitForFunction(async old => {
                const names = (await caches.keys()).filter(name => name.startsWith('balantor-'));
                return names.length === 1 && names[0] !== old;
            }, {timeout: web.TIMEOUT, polling: 100}, first[0]);

            // And it is that build which starts with no server.
            await session.servers.page.stop();
            await page.reload();
            assert.equal(await programMessage(), noWheel);
        } finally {
            await ride.close();
            session.servers.page.dir = web.pageDir();
            await session.servers.page.start();
        }
    });
});
