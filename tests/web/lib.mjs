// The means of the browser cases: a static server for a built page, Debian's Chromium driven
// headless on the CPU, and a page whose program can be stopped at exact frames, given keys and
// touches as a person would, and read back from screenshots.
import {execFileSync} from 'node:child_process';
import {mkdtempSync, rmSync} from 'node:fs';
import {createServer} from 'node:http';
import {readFile} from 'node:fs/promises';
import {tmpdir} from 'node:os';
import {extname, join, normalize} from 'node:path';
import {fileURLToPath} from 'node:url';
import {after, before} from 'node:test';
import puppeteer from 'puppeteer-core';

export const TIMEOUT = Number(process.env.WEB_TIMEOUT ?? 60) * 1000;
// The Linux build's frames, kept by its picture test, and the steps that made them.
export const REFERENCES = fileURLToPath(new URL('../pictures/', import.meta.url));

// The pages the test command builds: the full one and the ones built without a file.
export function pageDir(variant = 'page') {
    const root = process.env.BALANTOR_WEB_PAGES;
    if (!root)
        throw new Error('BALANTOR_WEB_PAGES names no folder of built pages');
    return join(root, variant);
}

// session(VARIANTS): one browser for a file's cases and a server for each built page it names,
// started before the cases and ended after them (session.browser, session.servers[VARIANT]).
export function session(variants = ['page']) {
    const started = {browser: null, servers: {}};
    before(async () => {
        started.browser = await launch();
        for (const variant of variants)
            started.servers[variant] = await serve(pageDir(variant));
    });
    after(async () => {
        await started.browser?.close();
        for (const server of Object.values(started.servers))
            await server.close();
    });
    return started;
}

export function scratch() {
    return mkdtempSync(join(tmpdir(), 'balantor-web-'));
}

const types = {
    '.html': 'text/html',
    '.css': 'text/css',
    '.js': 'text/javascript',
    '.wasm': 'application/wasm',
    '.data': 'application/octet-stream',
    '.png': 'image/png',
    '.webmanifest': 'application/manifest+json',
};

// serve(DIR): the folder on 127.0.0.1 at a free port, as any static server would serve it.
// server.dir may be set to serve another folder at the same address; server.stop() takes the
// server off the network (connections are refused) until server.start(); either does nothing
// when the server is already so.
export async function serve(dir) {
    let server;
    let root = dir;
    const handle = async (request, response) => {
        let path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
        if (path.endsWith('/'))
            path += 'index.html';
        try {
            const body = await readFile(join(root, path));
            response.writeHead(200, {
                'Content-Type': types[extname(path)] ?? 'application/octet-stream',
                'Cache-Control': 'no-store',
            });
            response.end(body);
        } catch {
            response.writeHead(404).end();
        }
    };
    const listen = port => {
        if (server?.listening)
            return Promise.resolve();
        server = createServer(handle);
        return new Promise(done => server.listen(port, '127.0.0.1', done));
    };
    const stop = () => {
        if (!server.listening)
            return Promise.resolve();
        const closed = new Promise(done => server.close(done));
        server.closeAllConnections();
        return closed;
    };
    await listen(0);
    const port = server.address().port;
    return {
        url: `http://127.0.0.1:${port}/`,
        get dir() { return root; },
        set dir(folder) { root = folder; },
        stop,
        start: () => listen(port),
        close: stop,
    };
}

// Headless Chromium on the CPU, kept off the network, with a fresh profile that puppeteer makes
// and removes once the browser has ended. Its frames are paced by the machine rather than by a
// 60 Hz display, as on the desktop, unless `paced`: unpaced, the browser's compositor asks for
// frames without pause and keeps a core busy, which a page's loading then shares.
export async function launch({paced = false} = {}) {
    return puppeteer.launch({
        executablePath: process.env.BALANTOR_CHROMIUM ?? '/usr/bin/chromium',
        headless: true,
        args: ['--headless=new', '--no-sandbox', '--use-angle=swiftshader',
               '--enable-unsafe-swiftshader', '--disable-background-networking',
               '--disable-component-update', '--disable-sync', '--no-first-run',
               '--no-default-browser-check', '--mute-audio',
               ...(paced ? [] : ['--disable-gpu-vsync', '--disable-frame-rate-limit'])],
    });
}

// Runs in the page before its own scripts: the page's hook object gets an onFrame that stops the
// program at the one frame the test asks for, until the test lets it go on.
function installHook() {
    let hooks;
    window.__stopAt = 1;
    window.__stoppedAt = 0;
    window.__goOn = null;
    const onFrame = frame => {
        if (frame !== window.__stopAt)
            return undefined;
        return new Promise(go => {
            window.__stoppedAt = frame;
            window.__goOn = go;
            window.__stopped(frame);
        });
    };
    Object.defineProperty(window, 'balantor', {
        configurable: true,
        get: () => hooks,
        set: value => {
            hooks = value;
            if (value)
                value.onFrame = onFrame;
        },
    });
}

export class Ride {
    constructor(context, page, dir) {
        this.context = context;
        this.page = page;
        this.dir = dir;
        this.frame = 0;
        this.errors = [];
        this.waiting = null;
        this.shots = 0;
        this.keep = false;
    }

    // until(N): lets the program run to frame N and stops it there, after N is presented.
    async until(frame) {
        if (frame <= this.frame)
            throw new Error(`frame ${frame} asked for at frame ${this.frame}`);
        const reached = new Promise(resolve => (this.waiting = {frame, resolve}));
        const there = await this.page.evaluate(n => {
            if (window.__stoppedAt === n)
                return true;
            window.__stopAt = n;
            const go = window.__goOn;
            window.__goOn = null;
            if (go)
                go();
            return false;
        }, frame);
        if (there)
            this.waiting.resolve();
        let timer;
        const late = new Promise((_, reject) => {
            timer = setTimeout(async () => {
                const state = await this.state().catch(() => 'gone');
                reject(new Error(`frame ${frame} not reached (page ${state}, ` +
                                 `stopped last at ${this.frame})`));
            }, TIMEOUT);
        });
        try {
            await Promise.race([reached, late]);
        } finally {
            clearTimeout(timer);
        }
        this.frame = frame;
    }

    after(frames) {
        return this.until(this.frame + frames);
    }

    // run(): lets the program go on without a stop.
    run() {
        return this.page.evaluate(() => {
            window.__stopAt = -1;
            window.__stoppedAt = 0;
            const go = window.__goOn;
            window.__goOn = null;
            if (go)
                go();
        });
    }

    // restarted(): the program started again (the page reloaded) and stopped at its first frame.
    async restarted() {
        await this.page.waitForFunction(() => window.__stoppedAt === 1, {timeout: TIMEOUT});
        this.frame = 1;
    }

    stopped(frame) {
        if (this.waiting && this.waiting.frame === frame)
            this.waiting.resolve();
    }

    state() {
        return this.page.evaluate(() => document.body.dataset.state);
    }

    async waitState(state) {
        await this.page.waitForFunction(s => document.body.dataset.state === s,
                                        {timeout: TIMEOUT}, state);
    }

    // Keys as the keyboard sends them (trusted events, which could scroll the page).
    down(key) {
        return this.page.keyboard.down(key);
    }

    up(key) {
        return this.page.keyboard.up(key);
    }

    // shot(): the canvas as shown, into a PNG file; its path.
    async shot() {
        // The clip is taken in the document's coordinates, wherever the page is scrolled to.
        const clip = await this.page.$eval('#canvas', canvas => {
            const box = canvas.getBoundingClientRect();
            return {x: box.x + window.scrollX, y: box.y + window.scrollY, width: box.width,
                    height: box.height};
        });
        const path = join(this.dir, `shot${++this.shots}.png`);
        await this.page.screenshot({path, clip});
        return path;
    }

    // close(): the page goes, and its screenshots with it unless ride.keep is set.
    async close() {
        if (this.context === this.page.browser().defaultBrowserContext())
            await this.page.close();
        else
            await this.context.close();
        if (!this.keep)
            rmSync(this.dir, {recursive: true, force: true});
    }
}

// open(BROWSER, URL, options): the page in a fresh context, with the errors it logs gathered in
// ride.errors. The program stops at its first frame, if it gets there. Options: VIEWPORT, when
// given, is puppeteer's viewport for the page instead; `kept` opens it in the browser's own
// profile instead (a fresh context is incognito, which no web app may be installed from);
// `before(page)` runs before the page is opened.
export async function open(browser, url, {touch = false, height = 500, viewport, kept = false,
                                          before = null} = {}) {
    const context = kept ? browser.defaultBrowserContext() : await browser.createBrowserContext();
    const page = await context.newPage();
    const ride = new Ride(context, page, scratch());
    // The page's service worker would answer its requests once it has run a frame, out of the
    // sight of a case that holds or fails them; only the case of the kept page meets it.
    if (!kept)
        await page.setBypassServiceWorker(true);
    page.on('console', message => {
        if (message.type() === 'error')
            ride.errors.push(message.text());
    });
    page.on('pageerror', error => ride.errors.push(String(error)));
    page.on('response', response => {
        if (response.status() >= 400)
            ride.errors.push(`${response.status()} ${response.url()}`);
    });
    // By default a viewport lower than the page, so that a key that scrolls it would show.
    await page.setViewport(viewport ?? {width: 800, height, hasTouch: touch, isMobile: touch});
    await page.exposeFunction('__stopped', frame => ride.stopped(frame));
    await page.evaluateOnNewDocument(installHook);
    if (before)
        await before(page);
    await page.goto(url);
    return ride;
}

// Regions of the 640 x 480 picture: the two labels, the numbers under them and the game-over
// lines, as the end-to-end cases of the desktop program read them.
export const LABEL = '110x24+0+0';
export const SPEED_LABEL = '110x24+530+0';
export const ANGLE = '100x30+10+25';
export const SPEED = '105x30+530+25';
export const GAMEOVER = '410x52+108+42';

// ImageMagick's worker threads only slow it down on a busy machine with two cores; its warning
// about a region without text is no news here.
const magick = {stdio: ['ignore', 'pipe', 'ignore'], maxBuffer: 1 << 26,
                env: {...process.env, MAGICK_THREAD_LIMIT: '1'}};

// glyphs(FILE, REGION, FORMAT): a print of the dark text in a region, wherever it sits in it and
// whatever lighter scene lies behind; with '%w' its width in pixels (1 when there is none).
export function glyphs(file, region, format = '%w %h %#') {
    return execFileSync('convert', [file, '-crop', region, '+repage', '-colorspace', 'Gray',
                                    '-threshold', '30%', '-bordercolor', 'white', '-border', '1',
                                    '-trim', '-format', format, 'info:'],
                        magick)
        .toString();
}

export const width = (file, region) => Number(glyphs(file, region, '%w'));
export const height = (file, region) => Number(glyphs(file, region, '%h'));

// pixels(FILE): the picture as 8-bit RGB bytes.
export function pixels(file) {
    return execFileSync('convert', [file, '-depth', '8', 'rgb:-'],
                        magick);
}

// A pixel differs when one of its channels is off by more than FUZZ levels of 255. Measured on
// this machine (SwiftShader against llvmpipe), the same in every run: 0.01 % of the pixels differ
// in each frame of the steps, with a mean difference of a channel of 0.6 to 0.8 levels. Faults
// measured: the other rider 0.8 % (0.5); normals turned by the inverse matrix and a lighter
// overlay 0.5 % at rest to 4 % after the fall (4.4 to 6.8); the fog left out 32 % to 49 %
// (22 to 26). The bounds lie well above the first figures, and each fault passes one of them.
export const FUZZ = 24;
const MAX_DIFFERING = 0.003;
const MAX_MEAN = 2;

// compare(A, B): the share of differing pixels and the mean difference of a channel in levels.
function compare(a, b) {
    const x = pixels(a);
    const y = pixels(b);
    if (x.length !== y.length)
        throw new Error(`${a} and ${b} differ in size`);
    let differing = 0;
    let sum = 0;
    for (let i = 0; i < x.length; i += 3) {
        let most = 0;
        for (let c = 0; c < 3; ++c) {
            const d = Math.abs(x[i + c] - y[i + c]);
            sum += d;
            most = Math.max(most, d);
        }
        if (most > FUZZ)
            ++differing;
    }
    return {differing: differing / (x.length / 3), mean: sum / x.length};
}

// likeLinux(RIDE, NAME): the frame the page shows now against the Linux build's reference NAME,
// scaled as the reference is (half size, each pixel the mean of four).
export async function likeLinux(ride, name) {
    const half = join(ride.dir, `${name}.png`);
    execFileSync('convert', [await ride.shot(), '-scale', '50%', half]);
    const figures = compare(half, join(REFERENCES, `${name}.png`));
    return {...figures, half, like: figures.differing <= MAX_DIFFERING && figures.mean <= MAX_MEAN};
}
