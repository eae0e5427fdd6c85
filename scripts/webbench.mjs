// The web page's figures in headless Chromium, each run in a fresh browser and the pages taken in
// turn, so that a busy machine slows all of them alike:
// - first frame: from navigation to the first frame shown, of the page against the one-triangle
//   page (tools/webtriangle) and the other build, navigated a few seconds after the browser
//   started (warm) and at once (cold: a browser's first WebGL context costs it a second or two,
//   whatever the page does); with when the page asked for its context, got it, and had all its
//   files. The browser paces its frames as it does for a user: held to no rate, its compositor
//   would keep a core busy asking for frames, and a page's loading would share the rest. Also
//   over a link of 20 Mbit/s with 20 ms of latency, against the other build: on this machine's
//   own server any weight arrives in no time;
// - frames per second at rest, unthrottled, of the page against another build of it, and of the
//   triangle page: what the browser's drawing and compositing of a frame cost at the least.
// Usage: node scripts/webbench.mjs PAGE AGAINST TRIANGLE RUNS SECONDS
import {setTimeout as sleep} from 'node:timers/promises';
import {launch, serve} from '../tests/web/lib.mjs';

const [pageDir, againstDir, triangleDir, runs = 7, seconds = 5] = process.argv.slice(2);
const WARM_SECONDS = 3;
const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Runs in each page before its scripts: notes when a WebGL context was asked for and given, and
// when the simulator's frames are shown (the triangle page counts its own).
function hook() {
    window.__bench = {asked: 0, got: 0, first: 0, frames: 0};
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function(...args) {
        const asked = performance.now();
        const context = getContext.apply(this, args);
        if (!window.__bench.asked)
            [window.__bench.asked, window.__bench.got] = [asked, performance.now()];
        return context;
    };
    let hooks;
    Object.defineProperty(window, 'balantor', {
        configurable: true,
        get: () => hooks,
        set: value => {
            hooks = value;
            if (value)
                value.onFrame = frame => {
                    if (frame === 1)
                        window.__bench.first = performance.now();
                    window.__bench.frames = frame;
                };
        },
    });
}

const figures = () => {
    const b = window.__bench;
    const t = window.triangle;
    return {asked: b.asked, got: b.got, first: t ? t.first : b.first,
            frames: t ? t.frames : b.frames, now: performance.now(),
            files: Math.max(0, ...performance.getEntriesByType('resource').map(r => r.responseEnd))};
};

// The link of the visits over a network: bytes per second and milliseconds.
const LINK = {downloadThroughput: 20e6 / 8, uploadThroughput: 20e6 / 8, latency: 20};

async function visit(url, {delay = 0, rate = false, link = false} = {}) {
    const browser = await launch({paced: !rate});
    try {
        const page = await browser.newPage();
        await page.setViewport({width: 800, height: 600});
        if (link)
            await (await page.createCDPSession())
                .send('Network.emulateNetworkConditions', {offline: false, ...LINK});
        await page.evaluateOnNewDocument(hook);
        if (delay)
            await sleep(delay * 1000);
        await page.goto(url);
        const timeout = 120000;
        await page.waitForFunction(() => (window.triangle || window.__bench).frames >= 1, {timeout});
        const start = await page.evaluate(figures);
        if (!rate)
            return start;
        await page.waitForFunction(() => (window.triangle || window.__bench).frames >= 60, {timeout});
        const a = await page.evaluate(figures);
        await sleep(seconds * 1000);
        const b = await page.evaluate(figures);
        return {...start, fps: (b.frames - a.frames) * 1000 / (b.now - a.now)};
    } finally {
        await browser.close();
    }
}

const servers = {};
for (const [name, dir] of [['page', pageDir], ['against', againstDir], ['triangle', triangleDir]])
    servers[name] = await serve(dir);
const ms = value => `${value.toFixed(0)} ms`;
const results = {warm: [], warmTriangle: [], warmAgainst: [], cold: [], coldTriangle: [],
                 linked: [], linkedAgainst: [], triangleRate: [], fps: [], fpsAgainst: []};
try {
    for (let run = 1; run <= Number(runs); ++run) {
        const warm = await visit(servers.page.url, {delay: WARM_SECONDS});
        const warmTriangle = await visit(servers.triangle.url, {delay: WARM_SECONDS});
        const warmAgainst = await visit(servers.against.url, {delay: WARM_SECONDS});
        const cold = await visit(servers.page.url);
        const coldTriangle = await visit(servers.triangle.url);
        const linked = await visit(servers.page.url, {delay: WARM_SECONDS, link: true});
        const linkedAgainst = await visit(servers.against.url, {delay: WARM_SECONDS, link: true});
        const triangleRate = await visit(servers.triangle.url, {rate: true});
        const fps = await visit(servers.page.url, {rate: true});
        const fpsAgainst = await visit(servers.against.url, {rate: true});
        Object.entries({warm, warmTriangle, warmAgainst, cold, coldTriangle, linked,
                        linkedAgainst, triangleRate, fps, fpsAgainst})
            .forEach(([key, value]) => results[key].push(value));
        console.log(`run ${run}: first frame ${ms(warm.first)} (context asked ${ms(warm.asked)}, ` +
                    `got ${ms(warm.got)}, files in ${ms(warm.files)}) against the triangle's ` +
                    `${ms(warmTriangle.first)} and the other build's ${ms(warmAgainst.first)}; ` +
                    `cold ${ms(cold.first)} (context got ` +
                    `${ms(cold.got)}) against ${ms(coldTriangle.first)}; over the link ` +
                    `${ms(linked.first)} against the other build's ${ms(linkedAgainst.first)}; ` +
                    `${fps.fps.toFixed(1)} against ${fpsAgainst.fps.toFixed(1)} frames per second`);
    }
} finally {
    for (const server of Object.values(servers))
        await server.close();
}
const m = (key, field) => median(results[key].map(r => r[field]));
// The median of each run's own ratio: a machine whose load changes from run to run shifts both
// pages of a run alike.
const ratio = (a, b, field) =>
    median(results[a].map((r, i) => r[field] / results[b][i][field])).toFixed(2);
console.log(`first frame, warm browser: ${ms(m('warm', 'first'))} against the triangle's ` +
            `${ms(m('warmTriangle', 'first'))}: ${(m('warm', 'first') / m('warmTriangle', 'first')).toFixed(2)} ` +
            `times (median of the runs' ratios ${ratio('warm', 'warmTriangle', 'first')}; ` +
            `context asked at ${ms(m('warm', 'asked'))}, got at ` +
            `${ms(m('warm', 'got'))}, files in by ${ms(m('warm', 'files'))}); the other build's ` +
            `${ms(m('warmAgainst', 'first'))}: ` +
            `${(m('warm', 'first') / m('warmAgainst', 'first')).toFixed(2)} ` +
            `times (median of the runs' ratios ${ratio('warm', 'warmAgainst', 'first')})`);
console.log(`first frame, cold browser: ${ms(m('cold', 'first'))} against the triangle's ` +
            `${ms(m('coldTriangle', 'first'))} (median of the runs' ratios ` +
            `${ratio('cold', 'coldTriangle', 'first')}; its context got at ` +
            `${ms(m('coldTriangle', 'got'))}, asked at ${ms(m('coldTriangle', 'asked'))})`);
console.log(`first frame over a link of 20 Mbit/s (20 ms latency), warm browser: ` +
            `${ms(m('linked', 'first'))} against the other build's ` +
            `${ms(m('linkedAgainst', 'first'))} (median of the runs' ratios ` +
            `${ratio('linked', 'linkedAgainst', 'first')})`);
console.log(`frames per second of the triangle page: ${m('triangleRate', 'fps').toFixed(1)}`);
console.log(`frames per second at rest: ${m('fps', 'fps').toFixed(1)} against ` +
            `${m('fpsAgainst', 'fps').toFixed(1)}: ${(m('fps', 'fps') / m('fpsAgainst', 'fps')).toFixed(2)} times ` +
            `(median of the runs' ratios ${ratio('fps', 'fpsAgainst', 'fps')})`);
