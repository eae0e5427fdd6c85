// The page when the browser takes its WebGL context away and gives it back (as after a GPU
// reset; here through WEBGL_lose_context): it waits and says so, keys and F1 wait with it, and
// the ride comes back where it was, with its whole picture.
import assert from 'node:assert/strict';
import {test} from 'node:test';
import * as web from './lib.mjs';

const session = web.session(['page', 'no-wheel']);

const lose = ride => ride.page.evaluate(() => {
    window.__loser = document.getElementById('canvas').getContext('webgl')
                         .getExtension('WEBGL_lose_context');
    window.__loser.loseContext();
});
const restore = ride => ride.page.evaluate(() => window.__loser.restoreContext());
const note = (ride, shown) =>
    ride.page.waitForFunction(shown => !document.getElementById('graphics').hidden === shown,
                              {timeout: web.TIMEOUT}, shown);
const frames = ride => ride.page.evaluate(() => window.balantor.frames);

test('lost while riding: the page waits with keys and F1, and the ride comes back', async () => {
    const ride = await web.open(session.browser, session.servers.page.url);
    try {
        // The picture test's steps up to its picture "push", Up held from frame 10 to 60.
        for (const [frame, action, key] of [[2, 'down', 'm'], [3, 'up', 'm'], [4, 'down', 'm'],
                                            [5, 'up', 'm'], [10, 'down', 'ArrowUp']]) {
            await ride.until(frame);
            await ride[action](key);
        }
        await ride.until(30);
        await lose(ride);
        await note(ride, true);
        for (const key of ['F1', 'x']) {
            await ride.down(key);
            await ride.up(key);
        }
        const back = ride.until(31);
        // The page answers while the program waits for its context, and no frame comes.
        await ride.page.evaluate(() => new Promise(done => {
            let n = 3;
            const tick = () => (--n ? requestAnimationFrame(tick) : done());
            requestAnimationFrame(tick);
        }));
        assert.equal(await frames(ride), 30);
        assert.equal(await ride.state(), 'running');
        await restore(ride);
        await back;
        await note(ride, false);
        // The F1 pressed meanwhile went to full screen; a second one comes back.
        await ride.until(34);
        assert.ok(await ride.page.evaluate(() => document.fullscreenElement !== null));
        assert.equal(await ride.page.title(), "Quib's OpenGL Framework");
        await ride.down('F1');
        await ride.after(2);
        await ride.up('F1');
        await ride.until(60);
        assert.ok(await ride.page.evaluate(() => document.fullscreenElement === null));
        const {differing, mean, half, like} = await web.likeLinux(ride, 'push');
        ride.keep = !like;
        assert.ok(like, `frame 60 unlike the Linux build's (${(100 * differing).toFixed(2)}% ` +
                        `of the pixels, mean ${mean.toFixed(2)}; kept in ${half})`);
        assert.deepEqual(ride.errors, []);
    } finally {
        await ride.close();
    }
});

test('lost while the set-up waits on a message box: no hang, and the set-up again', async () => {
    const ride = await web.open(session.browser, session.servers['no-wheel'].url);
    const answer = async () => {
        await ride.page.waitForSelector('#box[open]', {timeout: web.TIMEOUT});
        await ride.page.click('#box button');
    };
    try {
        await ride.page.waitForSelector('#box[open]', {timeout: web.TIMEOUT});
        await lose(ride);
        // The set-up goes on in the lost context, its mipmaps too, and its first frame comes.
        await answer();
        await ride.until(1);
        await note(ride, true);
        const back = ride.until(2);
        await restore(ride);
        // Set up again, as after F1: the missing wheel is told again.
        await answer();
        await back;
        await ride.until(5);
        // The overlay's font lists were made again: "Vinkel:" is there, 92 pixels wide.
        const shot = await ride.shot();
        assert.ok(Math.abs(web.width(shot, web.LABEL) - 92) <= 2, 'no "Vinkel:" after the set-up');
        assert.deepEqual(ride.errors, []);
    } finally {
        await ride.close();
    }
});
