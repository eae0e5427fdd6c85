// The page's frames against the Linux build's: the picture test's steps played in the page at the
// same frames, each frame scaled as that test keeps its references (half size, each pixel the
// mean of four) and compared with the reference, which is the Linux build's frame.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {readFileSync} from 'node:fs';
import {join} from 'node:path';
import {after, before, test} from 'node:test';
import {fileURLToPath} from 'node:url';
import * as web from './lib.mjs';

const references = fileURLToPath(new URL('../pictures/', import.meta.url));
const keys = {Up: 'ArrowUp', Down: 'ArrowDown', Left: 'ArrowLeft', Right: 'ArrowRight',
              space: ' ', m: 'm', Escape: 'Escape'};

// A pixel differs when one of its channels is off by more than FUZZ levels of 255. Measured on
// this machine (SwiftShader against llvmpipe): 1 % of the pixels differ at rest, 2 % in the turn
// and 5.7 % after the fall, where the ground's fine pattern is seen at a grazing angle; the mean
// difference of a channel is 4.6 to 7.6 levels. Each run gives the same figures. With the fog left
// out, 32 % to 49 % differ and the mean is 22 to 26: the bounds lie between.
const FUZZ = 24;
const MAX_DIFFERING = 0.1;
const MAX_MEAN = 12;

// compare(A, B): the share of differing pixels and the mean difference of a channel in levels.
export function compare(a, b) {
    const x = web.pixels(a);
    const y = web.pixels(b);
    assert.equal(x.length, y.length, 'the pictures differ in size');
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

let browser;
let server;
before(async () => {
    browser = await web.launch();
    server = await web.serve(web.pageDir());
});
after(async () => {
    await browser?.close();
    await server?.close();
});

test('the page shows the frames of the Linux build at the same frames', async t => {
    const steps = readFileSync(join(references, 'steps.txt'), 'utf8')
                      .split('\n')
                      .filter(line => line.trim() && !line.startsWith('#'))
                      .map(line => line.trim().split(/\s+/));
    const ride = await web.open(browser, server.url);
    const failed = [];
    try {
        for (const [frame, action, arg] of steps) {
            if (Number(frame) !== ride.frame)
                await ride.until(Number(frame));
            if (action !== 'shot') {
                assert.ok(keys[arg], `no browser key for ${arg}`);
                await (action === 'down' ? ride.down(keys[arg]) : ride.up(keys[arg]));
                continue;
            }
            const half = join(ride.dir, `${arg}.png`);
            execFileSync('convert', [await ride.shot(), '-scale', '50%', half]);
            const {differing, mean} = compare(half, join(references, `${arg}.png`));
            t.diagnostic(`frame ${frame} ${arg}: ${(100 * differing).toFixed(2)}% of the pixels ` +
                         `differ by more than ${FUZZ}, mean difference ${mean.toFixed(2)}`);
            if (differing > MAX_DIFFERING || mean > MAX_MEAN)
                failed.push(`${arg} (kept in ${half})`);
        }
    } finally {
        await ride.close();
    }
    assert.deepEqual(failed, [], 'frames that differ from the Linux build');
});
