// The page's frames against the Linux build's: the picture test's steps played in the page at the
// same frames, each frame scaled as that test keeps its references (half size, each pixel the
// mean of four) and compared with the reference, which is the Linux build's frame.
import assert from 'node:assert/strict';
import {readFileSync} from 'node:fs';
import {join} from 'node:path';
import {test} from 'node:test';
import * as web from './lib.mjs';

const keys = {Up: 'ArrowUp', Down: 'ArrowDown', Left: 'ArrowLeft', Right: 'ArrowRight',
              space: ' ', m: 'm', Escape: 'Escape'};

const session = web.session();

test('the page shows the frames of the Linux build at the same frames', async t => {
    const steps = readFileSync(join(web.REFERENCES, 'steps.txt'), 'utf8')
                      .split('\n')
                      .filter(line => line.trim() && !line.startsWith('#'))
                      .map(line => line.trim().split(/\s+/));
    const ride = await web.open(session.browser, session.servers.page.url);
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
            const {differing, mean, half, like} = await web.likeLinux(ride, arg);
            t.diagnostic(`frame ${frame} ${arg}: ${(100 * differing).toFixed(2)}% of the pixels ` +
                         `differ by more than ${web.FUZZ}, mean difference ${mean.toFixed(2)}`);
            if (!like) {
                failed.push(`${arg} (kept in ${half})`);
                ride.keep = true;
            }
        }
    } finally {
        await ride.close();
    }
    assert.deepEqual(failed, [], 'frames that differ from the Linux build');
});
