// The web page played in headless Chromium as a person would: keys, the on-screen buttons by
// touch, full screen, the end, and pages built without a file. The program is stopped at exact
// frames to read its overlay from screenshots.
import assert from 'node:assert/strict';
import {createHash} from 'node:crypto';
import {readFile} from 'node:fs/promises';
import {after, before, describe, test} from 'node:test';
import * as web from './lib.mjs';

// The widths in pixels of "Vinkel:", "Km/h:" and "0.00" in the desktop program's face and size.
const LABEL_WIDTH = 92;
const SPEED_LABEL_WIDTH = 62;
const ZERO_WIDTH = 53;

let browser;
const servers = {};
before(async () => {
    browser = await web.launch();
    for (const variant of ['page', 'no-ground', 'no-wheel'])
        servers[variant] = await web.serve(web.pageDir(variant));
});
after(async () => {
    await browser?.close();
    for (const server of Object.values(servers))
        await server.close();
});

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

async function scrolled(ride) {
    return ride.page.evaluate(() => window.scrollX !== 0 || window.scrollY !== 0);
}

describe('a ride with the keyboard', () => {
    let ride;
    let rest;
    before(async () => {
        ride = await web.open(browser, servers.page.url);
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
        const digest = await ride.page.evaluate(async () => {
            const file = Module.FS.readFile('/models/Razedud.bmp');
            return [...new Uint8Array(await crypto.subtle.digest('SHA-256', file))]
                .map(b => b.toString(16).padStart(2, '0')).join('');
        });
        const file = await readFile(new URL('../../models/Razedud.bmp', import.meta.url));
        assert.equal(digest, createHash('sha256').update(file).digest('hex'));
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

    test('Escape ends with the "ended" state, and the page starts again', async () => {
        await ride.down('Escape');
        await ride.run();
        await ride.waitState('ended');
        await ride.up('Escape');
        assert.ok(await ride.page.$eval('#ended', e => !e.hidden && e.offsetHeight > 0));
        await ride.page.click('#restart');
        await ride.restarted();
        await ride.after(5);
        assert.equal(await ride.state(), 'running');
        assert.deepEqual(ride.errors, []);
    });
});

describe('the on-screen buttons by touch', () => {
    test('a finger on the buttons plays the picture test\'s steps as the keys do', async () => {
        // A window tall enough to show the buttons under the canvas.
        const ride = await web.open(browser, servers.page.url, {touch: true, height: 800});
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
        const ride = await web.open(browser, servers.page.url);
        const full = () => ride.page.evaluate(() => document.fullscreenElement !== null);
        try {
            await ride.until(5);
            await press(ride, 'F1', 2);
            await ride.after(10);
            assert.ok(await full(), 'F1 did not ask for full screen');
            assert.equal(await ride.page.title(), "Quib's OpenGL Framework");
            await press(ride, 'F1', 2);
            await ride.after(10);
            assert.ok(!(await full()), 'the second F1 did not leave full screen');
            assert.equal(await ride.page.title(), "Quib's OpenGL Framework");
            const box = await (await ride.page.$('#canvas')).boundingBox();
            assert.deepEqual([box.width, box.height], [640, 480]);
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
        const ride = await web.open(browser, servers['no-ground'].url);
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

    test('without the wheel: the reader\'s message, and Enter rides on without it', async () => {
        const ride = await web.open(browser, servers['no-wheel'].url);
        try {
            assert.deepEqual(await box(ride), {
                caption: 'Error',
                text: 'Unable to find or open the file: models/hjul.ASE',
                buttons: ['OK'],
                frames: 0,
            });
            await ride.page.keyboard.press('Enter');
            await ride.until(10);
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
