// The web page played in headless Chromium as a person would: keys, the on-screen buttons by
// touch, full screen, the end, and pages built without a file. The program is stopped at exact
// frames to read its overlay from screenshots.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {createHash} from 'node:crypto';
import {readFileSync} from 'node:fs';
import {readFile} from 'node:fs/promises';
import {join} from 'node:path';
import {fileURLToPath} from 'node:url';
import {after, before, describe, test} from 'node:test';
import * as web from './lib.mjs';

// The widths in pixels of "Vinkel:", "Km/h:" and "0.00" in the desktop program's face and size.
const LABEL_WIDTH = 92;
const SPEED_LABEL_WIDTH = 62;
const ZERO_WIDTH = 53;

const session = web.session(['page', 'no-ground', 'no-wheel']);

// watch(RIDE, WHAT, CHECK): a shot every few frames until CHECK(shot) holds.
async function watch(ride, what, check, {every = 20, limit = 400} = {}) {
    for (let n = 0; n < limit; n += every) {
        await ride.after(every);
        const shot = await ride.shot();
        if (check(shot))
            return shot;
    }
    assert.fail(`no ${what} within ${limit} frames (at frame ${ride.frame})`);
}

const near = (actual, expected, what) =>
    assert.ok(Math.abs(actual - expected) <= 2, `${what}: ${actual} pixels, expected ${expected}`);
const gameOver = shot => web.height(shot, web.GAMEOVER) > 40 && web.width(shot, web.GAMEOVER) > 300;
const twoDigits = shot => web.width(shot, web.ANGLE) > ZERO_WIDTH + 6;

async function press(ride, key, frames = 3) {
    await ride.down(key);
    await ride.after(frames);
    await ride.up(key);
}

// messageBox(RIDE): the page's message box once it is up: caption, text and buttons.
async function messageBox(ride) {
    await ride.page.waitForSelector('#box[open]', {timeout: web.TIMEOUT});
    return ride.page.evaluate(() => ({
        caption: document.getElementById('box-caption').textContent.trim(),
        text: document.getElementById('box-text').textContent.trim(),
        buttons: [...document.querySelectorAll('#box button')].map(b => b.textContent.trim()),
    }));
}

// ridesTo(RIDE, N): the program reaches frame N rather than ending on the way.
async function ridesTo(ride, frame) {
    const end = ride.waitState('ended').then(() => 'ended', () => 'gone');
    const reached = ride.until(frame).then(() => 'frame', () => 'late');
    assert.equal(await Promise.race([reached, end]), 'frame', `the page ended before frame ${frame}`);
}

// Two of the browser's frames: any event the page has queued by now has been handled.
const twoFrames = ride => ride.page.evaluate(() => new Promise(done =>
    requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(done, 0)))));

// The SHA-256 of the ground bitmap in the program's file system, and of models/Razedud.bmp.
async function groundDigests(ride) {
    const painted = await ride.page.evaluate(async () => {
        const file = Module.FS.readFile('/models/Razedud.bmp');
        return [...new Uint8Array(await crypto.subtle.digest('SHA-256', file))]
            .map(b => b.toString(16).padStart(2, '0')).join('');
    });
    const file = await readFile(new URL('../../models/Razedud.bmp', import.meta.url));
    return [painted, createHash('sha256').update(file).digest('hex')];
}

async function scrolled(ride) {
    return ride.page.evaluate(() => window.scrollX !== 0 || window.scrollY !== 0);
}

describe('a ride with the keyboard', () => {
    let ride;
    let rest;
    before(async () => {
        ride = await web.open(session.browser, session.servers.page.url);
        await ride.until(1);
    });
    after(() => ride.close());

    test('the first frame: the page, the title and the overlay at rest', async () => {
        assert.equal(await ride.state(), 'running');
        assert.equal(await ride.page.title(), 'Balantor');
        const page = await ride.page.evaluate(() => {
            const box = document.getElementById('canvas').getBoundingClientRect();
            return {box: [box.width, box.height, box.left + box.width / 2],
                    middle: document.documentElement.clientWidth / 2,
                    help: document.getElementById('help').textContent.trim(),
                    tall: document.documentElement.scrollHeight > window.innerHeight};
        });
        assert.deepEqual(page.box, [640, 480, page.middle]);
        assert.match(page.help, /Escape/);
        assert.ok(page.tall, 'the page should be taller than the window for the scroll checks');
        rest = await ride.shot();
        near(web.width(rest, web.LABEL), LABEL_WIDTH, '"Vinkel:"');
        near(web.width(rest, web.SPEED_LABEL), SPEED_LABEL_WIDTH, '"Km/h:"');
        near(web.width(rest, web.ANGLE), ZERO_WIDTH, 'the angle at rest');
        assert.equal(web.glyphs(rest, web.ANGLE), web.glyphs(rest, web.SPEED));
        assert.equal(web.width(rest, web.GAMEOVER), 1);
    });

    test('the ground bitmap the page painted is models/Razedud.bmp, byte for byte', async () => {
        const [painted, file] = await groundDigests(ride);
        assert.equal(painted, file);
    });

    test('Up held tilts the rider and gathers speed; Down after it falls; no key scrolls',
         async () => {
        // Up long enough to gather speed, then straight to Down: from rest Down only cruises
        // backwards.
        const from = ride.frame;
        await ride.down('ArrowUp');
        await watch(ride, 'angle of two digits while Up is held', twoDigits, {limit: 140});
        await ride.until(from + 140);
        assert.notEqual(web.glyphs(await ride.shot(), web.SPEED), web.glyphs(rest, web.SPEED));
        await ride.up('ArrowUp');
        await ride.down('ArrowDown');
        const fallen = await watch(ride, 'fall while Down is held after Up', gameOver);
        await ride.up('ArrowDown');
        assert.equal(web.glyphs(fallen, web.SPEED), web.glyphs(rest, web.SPEED));
        await ride.after(20);
        assert.ok(web.width(await ride.shot(), web.GAMEOVER) > 300, 'the fall should stay');
        assert.ok(!(await scrolled(ride)), 'the arrows scrolled the page');
    });

    test('Space starts a new ride, without scrolling', async () => {
        await press(ride, ' ');
        await ride.after(10);
        const shot = await ride.shot();
        assert.equal(web.width(shot, web.GAMEOVER), 1);
        assert.equal(web.glyphs(shot, web.ANGLE), web.glyphs(rest, web.ANGLE));
        assert.ok(!(await scrolled(ride)), 'Space scrolled the page');
    });

    test('M switches the rider once per press, however many frames it is held', async () => {
        const first = web.pixels(await ride.shot());
        // Four frames: a switch per frame would come back to the same rider.
        await press(ride, 'm', 4);
        await ride.after(5);
        const second = web.pixels(await ride.shot());
        assert.ok(!second.equals(first), 'the first press did not switch the rider');
        await press(ride, 'm', 5);
        await ride.after(5);
        assert.ok(web.pixels(await ride.shot()).equals(first),
                  'the second press did not bring the first rider back');
    });

    test('a key let go in another window, or with Ctrl down, is let go for the program too',
         async () => {
        // M switches the rider only when pressed after its release: a release lost keeps it.
        await ride.after(5);
        const first = web.pixels(await ride.shot());
        await ride.down('m');
        await ride.after(3);
        // Another window takes the focus; M comes up there, unseen by the page.
        await ride.page.evaluate(() => window.dispatchEvent(new Event('blur')));
        await ride.after(3);
        const second = web.pixels(await ride.shot());
        assert.ok(!second.equals(first), 'M did not switch the rider');
        await press(ride, 'm');
        await ride.after(3);
        assert.ok(web.pixels(await ride.shot()).equals(first),
                  'M was still down after the page lost the focus');
        await ride.down('m');
        await ride.after(3);
        await ride.down('Control');
        await ride.up('m');
        await ride.up('Control');
        await ride.after(3);
        await press(ride, 'm');
        await ride.after(3);
        assert.ok(web.pixels(await ride.shot()).equals(first),
                  'M let go with Ctrl down was still down');
    });

    test('Escape that answers a message box is the box\'s alone', async () => {
        const answer = ride.page.evaluate(() => window.balantorPage.messageBox('Text', 'Caption', 0));
        await messageBox(ride);
        await ride.page.keyboard.press('Escape');
        assert.equal(await answer, 1);
        await ridesTo(ride, ride.frame + 5);
    });

    test('Escape ends; "Start again" has the focus; keys pressed while it loads are not played',
         async () => {
        await ride.down('Escape');
        await ride.run();
        await ride.waitState('ended');
        await ride.up('Escape');
        assert.ok(await ride.page.$eval('#ended', e => !e.hidden && e.offsetHeight > 0));
        assert.ok(await ride.page.$eval('#restart', b => b === document.activeElement),
                  '"Start again" has not the focus');
        // The program is held back on its way in, while Escape and F1 are pressed.
        await ride.page.setRequestInterception(true);
        const loading = new Promise(held => ride.page.on('request', request => {
            if (request.url().endsWith('/balantor.wasm'))
                held(request);
            else
                request.continue();
        }));
        await ride.page.keyboard.press('Enter');
        const program = await loading;
        await ride.page.keyboard.press('Escape');
        await ride.page.keyboard.press('F1');
        await program.continue();
        await ride.restarted();
        assert.ok(await ride.page.evaluate(() => document.fullscreenElement === null),
                  'F1 pressed while loading went to full screen');
        await ridesTo(ride, 5);
        assert.deepEqual(ride.errors, []);
    });
});

describe('a ride with a gamepad', () => {
    // The page gets a pad of the test's own, in the standard layout, in place of the browser's.
    let ride;
    let rest;
    const pad = changes => ride.page.evaluate(c => {
        const p = window.__pad;
        if ('connected' in c)
            window.__pads = c.connected ? [p] : [];
        if ('y' in c)
            p.axes[1] = c.y;
        for (const [i, on] of Object.entries(c.buttons ?? {}))
            p.buttons[i] = {pressed: on, value: on ? 1 : 0};
    }, changes);
    before(async () => {
        ride = await web.open(session.browser, session.servers.page.url);
        await ride.until(1);
        rest = await ride.shot();
        await ride.page.evaluate(() => {
            window.__pad = {id: 'Test pad (STANDARD GAMEPAD)', index: 0, connected: true,
                            mapping: 'standard', axes: [0, 0, 0, 0],
                            buttons: Array.from({length: 17}, () => ({pressed: false, value: 0}))};
            window.__pads = [];
            Object.defineProperty(navigator, 'getGamepads',
                                  {configurable: true, value: () => window.__pads});
        });
    });
    after(() => ride.close());
    const padText = () => ride.page.$eval('#pad', e => e.textContent);

    test('the page names the pad it uses and, in its help, the pad\'s buttons', async () => {
        assert.match(await ride.page.$eval('#help', e => e.textContent),
                     /gamepad, the d-pad or the\s+left stick.*A \(south\).*X \(west\).*Start/s);
        await ride.after(1);
        assert.match(await padText(), /^No gamepad/);
        await pad({connected: true});
        await ride.after(1);
        assert.equal(await padText(), 'Gamepad: Test pad (STANDARD GAMEPAD)');
    });

    test('the stick forwards tilts as Up, back until a fall; south starts a new ride', async () => {
        const from = ride.frame;
        await pad({y: -1});
        await watch(ride, 'angle of two digits with the stick forwards', twoDigits, {limit: 140});
        await ride.until(from + 140);
        await pad({y: 1});
        await watch(ride, 'fall with the stick back after forwards', gameOver);
        await pad({y: 0, buttons: {0: true}});
        await ride.after(3);
        await pad({buttons: {0: false}});
        await ride.after(10);
        const shot = await ride.shot();
        assert.equal(web.width(shot, web.GAMEOVER), 1);
        assert.equal(web.glyphs(shot, web.ANGLE), web.glyphs(rest, web.ANGLE));
    });

    test('a pad disconnected with the stick held lets go: the vehicle comes to rest', async () => {
        const zero = web.glyphs(rest, web.SPEED);
        await pad({y: -1});
        await watch(ride, 'speed with the stick forwards', s => web.glyphs(s, web.SPEED) !== zero);
        await pad({connected: false});
        await ride.after(1);
        assert.match(await padText(), /^No gamepad/);
        // At rest the speed shows 0.00 or -0.00: its right end is that of 0.00.
        const end = file => execFileSync('convert', [
            file, '-crop', web.SPEED, '+repage', '-colorspace', 'Gray', '-threshold', '30%',
            '-bordercolor', 'white', '-border', '1', '-trim', '+repage', '-gravity', 'East',
            '-crop', `${ZERO_WIDTH}x+0+0`, '+repage', '-format', '%w %h %#', 'info:']).toString();
        const still = end(rest);
        await watch(ride, 'the vehicle at rest', s => end(s) === still, {every: 25, limit: 1000});
        assert.deepEqual(ride.errors, []);
    });
});

describe('the on-screen buttons by touch', () => {
    test('a finger on the buttons plays the picture test\'s steps as the keys do', async () => {
        // A window tall enough to show the buttons under the canvas.
        const ride = await web.open(session.browser, session.servers.page.url, {touch: true, height: 800});
        const touch = async key => {
            const button = await ride.page.$(`button.key[data-key="${key}"]`);
            const box = await button.boundingBox();
            await ride.page.touchscreen.touchStart(box.x + box.width / 2, box.y + box.height / 2);
        };
        const picture = async () => web.pixels(await ride.shot());
        try {
            // The picture test's steps by finger: M touched at frames 2 and 4, each for a frame
            // (a lost release would leave M down and the second touch would switch nothing),
            // Up from frame 10, and the Linux build's frame 60.
            await ride.until(2);
            const first = await picture();
            await touch('M');
            await ride.until(3);
            await ride.page.touchscreen.touchEnd();
            await ride.until(4);
            assert.ok(!(await picture()).equals(first), 'the first touch of M switched nothing');
            await touch('M');
            await ride.until(5);
            await ride.page.touchscreen.touchEnd();
            await ride.until(10);
            assert.ok((await picture()).equals(first), 'the second touch of M did not switch back');
            await touch('Up');
            await ride.until(60);
            assert.ok((await web.likeLinux(ride, 'push')).like, 'frame 60 unlike the Linux build');
            await ride.page.touchscreen.touchEnd();
            assert.deepEqual(ride.errors, []);
        } finally {
            await ride.close();
        }
    });
});

describe('full screen', () => {
    test('F1 asks for full screen and back; a refused full screen asks the question', async () => {
        const ride = await web.open(session.browser, session.servers.page.url);
        const full = () => ride.page.evaluate(() => document.fullscreenElement !== null);
        const pointer = () => ride.page.$eval('#canvas', c => getComputedStyle(c).cursor);
        try {
            await ride.until(5);
            await press(ride, 'F1', 2);
            await ride.after(10);
            assert.ok(await full(), 'F1 did not ask for full screen');
            assert.equal(await ride.page.title(), "Quib's OpenGL Framework");
            assert.equal(await pointer(), 'none');
            await press(ride, 'F1', 2);
            await ride.after(10);
            assert.ok(!(await full()), 'the second F1 did not leave full screen');
            assert.equal(await ride.page.title(), "Quib's OpenGL Framework");
            const box = await (await ride.page.$('#canvas')).boundingBox();
            assert.deepEqual([box.width, box.height], [640, 480]);
            // The browser's own way out of full screen (its Escape or menu) brings the pointer
            // back; the next F1 takes the program back to its window.
            await press(ride, 'F1', 2);
            await ride.after(10);
            assert.equal(await pointer(), 'none');
            await ride.page.evaluate(() => new Promise(done => {
                document.addEventListener('fullscreenchange', () => setTimeout(done, 0),
                                          {once: true});
                document.exitFullscreen();
            }));
            assert.notEqual(await pointer(), 'none', 'the pointer stayed hidden');
            await press(ride, 'F1', 2);
            await ride.after(10);
            assert.ok(!(await full()));
            // A browser that refuses full screen (as some phones do): the program hears the mode
            // refused and asks, and Yes goes on in the window.
            await ride.page.evaluate(() => {
                HTMLCanvasElement.prototype.requestFullscreen = () =>
                    Promise.reject(new TypeError('refused'));
            });
            await ride.down('F1');
            await ride.run();
            await ride.up('F1');
            assert.deepEqual(await messageBox(ride), {
                caption: 'Quib GL',
                text: 'The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. ' +
                      'Use Windowed Mode Instead?',
                buttons: ['Yes', 'No'],
            });
            await ride.page.click('#box button');
            await ride.page.waitForFunction(n => window.balantor.frames > n, {timeout: web.TIMEOUT},
                                            await ride.page.evaluate(() => window.balantor.frames));
            assert.ok(!(await full()));
            // No: the program says it closes, and that box waits for its own answer.
            await ride.down('F1');
            await ride.up('F1');
            assert.deepEqual((await messageBox(ride)).buttons, ['Yes', 'No']);
            await ride.page.click('#box button:last-child');
            await ride.page.waitForFunction(() => document.getElementById('box-text')
                                                      .textContent === 'Program Will Now Close.',
                                            {timeout: web.TIMEOUT});
            await twoFrames(ride);
            assert.ok(await ride.page.$eval('#box', box => box.open),
                      'the box was answered by the one before it');
            await ride.page.click('#box button');
            await ride.waitState('ended');
            assert.deepEqual(ride.errors, []);
        } finally {
            await ride.close();
        }
    });
});

describe('pages built without a file', () => {
    const box = async ride => ({...(await messageBox(ride)),
                                frames: await ride.page.evaluate(() => window.balantor.frames)});

    test('without the ground bitmap: "Initialization Failed.", then the end', async () => {
        const ride = await web.open(session.browser, session.servers['no-ground'].url);
        try {
            assert.deepEqual(await box(ride), {caption: 'ERROR', text: 'Initialization Failed.',
                                               buttons: ['OK'], frames: 0});
            await ride.page.click('#box button');
            await ride.waitState('ended');
            assert.deepEqual(ride.errors, []);
        } finally {
            await ride.close();
        }
    });

    test('without the wheel: the reader\'s message; Escape answers it alone, as Space does',
         async () => {
        const ride = await web.open(session.browser, session.servers['no-wheel'].url);
        try {
            assert.deepEqual(await box(ride), {
                caption: 'Error',
                text: 'Unable to find or open the file: models/hjul.ASE',
                buttons: ['OK'],
                frames: 0,
            });
            await ride.page.keyboard.press('Space');
            await ride.page.waitForSelector('#box:not([open])', {timeout: web.TIMEOUT});
            await ride.page.reload();
            await messageBox(ride);
            await ride.page.keyboard.press('Escape');
            await ridesTo(ride, 10);
            const rest = await ride.shot();
            near(web.width(rest, web.LABEL), LABEL_WIDTH, '"Vinkel:"');
            await ride.down('ArrowUp');
            await watch(ride, 'angle of two digits while Up is held', twoDigits);
            assert.deepEqual(ride.errors, []);
        } finally {
            await ride.close();
        }
    });
});

describe('every window size', () => {
    // Phones by touch, upright and on their side, and desktop windows by mouse.
    const sizes = [
        {width: 360, height: 640, deviceScaleFactor: 3, hasTouch: true, isMobile: true},
        {width: 640, height: 360, deviceScaleFactor: 2, hasTouch: true, isMobile: true},
        {width: 844, height: 390, deviceScaleFactor: 3, hasTouch: true, isMobile: true},
        {width: 1280, height: 600},
        {width: 1366, height: 657},
        {width: 1920, height: 1080},
    ];
    // The boxes that must lie in the window, as [what, left, top, right, bottom] past its edges.
    const outside = (ride, selector) => ride.page.$$eval(selector, elements => elements.map(e => {
        const box = e.getBoundingClientRect();
        const {clientWidth: width, clientHeight: height} = document.documentElement;
        return [e.id || e.textContent.trim(), box.left < 0, box.top < 0, box.right > width + 0.5,
                box.bottom > height + 0.5, e.tagName === 'BUTTON' ? [box.width, box.height] : []];
    }));
    // Each box wholly in the window, and each button large enough for a thumb.
    const inView = (boxes, size) => {
        for (const [what, ...edges] of boxes) {
            const [w, h] = edges.pop();
            assert.deepEqual(edges, [false, false, false, false],
                             `${what} cut off at ${size.width}x${size.height}`);
            assert.ok(!(w < 44 || h < 44), `${what} is ${w}x${h} at ${size.width}x${size.height}`);
        }
    };

    test('the whole picture, the touch keys and the end are in the window', async () => {
        for (const size of sizes) {
            const ride = await web.open(session.browser, session.servers.page.url, {viewport: size});
            try {
                await ride.until(1);
                const picture = await ride.page.$eval('#canvas', c => {
                    const box = c.getBoundingClientRect();
                    return box.width / box.height;
                });
                assert.ok(Math.abs(picture - 4 / 3) < 0.01, `the picture is ${picture}:1`);
                inView(await outside(ride, size.hasTouch ? '#canvas, button.key' : '#canvas'),
                       size);
                if (size.width === 844 || size.width === 360) {
                    // Each button by finger: the program takes its key down and up.
                    await ride.page.evaluate(() => {
                        const next = window.balantorPage.nextKey;
                        window.taken = [];
                        window.balantorPage.nextKey = () => {
                            const key = next();
                            if (key)
                                window.taken.push(key);
                            return key;
                        };
                    });
                    for (const button of await ride.page.$$('button.key')) {
                        const box = await button.boundingBox();
                        await ride.page.touchscreen.tap(box.x + box.width / 2,
                                                        box.y + box.height / 2);
                        await ride.after(3);
                    }
                    assert.deepEqual(await ride.page.evaluate(() => window.taken),
                                     [38, 40, 37, 39, 32, 77, 112].flatMap(k => [k | 0x100, k]));
                    assert.ok(await ride.page.evaluate(() => document.fullscreenElement !== null),
                              'Full screen did not ask for full screen');
                }
                await ride.down('Escape');
                await ride.run();
                await ride.waitState('ended');
                inView(await outside(ride, '#ended p, #restart'), size);
                assert.ok(await ride.page.$eval('#restart', b => b === document.activeElement));
                assert.deepEqual(ride.errors, []);
            } finally {
                await ride.close();
            }
        }
    });
});

test('the page\'s files name no folder of the machine that built them', () => {
    const dir = web.pageDir('page');
    const loader = readFileSync(join(dir, 'models.js'), 'utf8');
    const repository = fileURLToPath(new URL('../../', import.meta.url));
    for (const folder of [dir, repository, '/tmp/'])
        assert.ok(!loader.includes(folder), `models.js names ${folder}`);
    // The package's id comes from its bytes, not from chance.
    const hash = createHash('sha256').update(readFileSync(join(dir, 'models.data'))).digest('hex');
    assert.match(loader, new RegExp(`"package_uuid": "${hash.slice(0, 8)}-`));
});

describe('a second visit', () => {
    test('takes the painted ground from the browser\'s cache: no painting, the same bytes',
         async () => {
        const countWorkers = page => page.evaluateOnNewDocument(() => {
            window.__workers = 0;
            const Worker = window.Worker;
            window.Worker = class extends Worker {
                constructor(...args) {
                    super(...args);
                    ++window.__workers;
                }
            };
        });
        const ride = await web.open(session.browser, session.servers.page.url,
                                    {before: countWorkers});
        try {
            await ride.until(1);
            assert.ok(await ride.page.evaluate(() => window.__workers) > 0, 'painted at first');
            await ride.page.waitForFunction(async () => {
                const cache = await caches.open('balantor.painted');
                return (await cache.keys()).length === 1;
            }, {timeout: web.TIMEOUT});
            await ride.page.reload();
            await ride.restarted();
            assert.equal(await ride.page.evaluate(() => window.__workers), 0);
            const [kept, file] = await groundDigests(ride);
            assert.equal(kept, file);
        } finally {
            await ride.close();
        }
    });

    test('a page with no cache (not served securely) paints, keeps nothing and starts',
         async () => {
        const ride = await web.open(session.browser, session.servers.page.url, {
            before: page => page.evaluateOnNewDocument(() => delete window.caches),
        });
        try {
            await ride.until(1);
            assert.equal(await ride.state(), 'running');
            assert.equal(await ride.page.evaluate(() => typeof caches), 'undefined');
            assert.deepEqual(ride.errors, []);
        } finally {
            await ride.close();
        }
    });
});
