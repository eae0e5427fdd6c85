// The web page's figures in headless Chromium: the time from navigation to the first drawn
// frame, and the frames per second at rest. Usage: node scripts/webbench.mjs DIR RUNS SECONDS
import {launch, open, serve} from '../tests/web/lib.mjs';

const [dir, runs = 5, seconds = 5] = process.argv.slice(2);
const median = values => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];
const server = await serve(dir);
const firsts = [];
const rates = [];
try {
    // A fresh browser for each run, so that nothing of the page is cached or compiled yet.
    for (let run = 0; run < Number(runs); ++run) {
        const browser = await launch();
        try {
            const ride = await open(browser, server.url);
            await ride.until(1);
            // When the page's files had all arrived, to tell loading from starting.
            const [first, loaded] = await ride.page.evaluate(() => [
                performance.now(),
                Math.max(...performance.getEntriesByType('resource').map(r => r.responseEnd)),
            ]);
            firsts.push(first);
            await ride.until(60);
            // At rest, the program let run free for a while.
            const rate = await ride.page.evaluate(async seconds => {
                const start = [window.balantor.frames, performance.now()];
                window.__stopAt = -1;
                window.__goOn();
                await new Promise(done => setTimeout(done, seconds * 1000));
                return (window.balantor.frames - start[0]) * 1000 / (performance.now() - start[1]);
            }, Number(seconds));
            rates.push(rate);
            console.log(`run ${run + 1}: first frame ${first.toFixed(0)} ms (files in by ` +
                        `${loaded.toFixed(0)} ms), ` +
                        `${rate.toFixed(1)} frames per second at rest`);
        } finally {
            await browser.close();
        }
    }
} finally {
    await server.close();
}
console.log(`first frame: median ${median(firsts).toFixed(0)} ms`);
console.log(`page fps: ${median(rates).toFixed(1)}`);
