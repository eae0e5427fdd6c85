// Takes docs/web.png: the page in headless Chromium with the same keys held for the same frames
// as scripts/pictures.sh holds them for the Linux screenshot, so that the two can be set side
// by side. Usage: node scripts/webpicture.mjs PAGE_DIR OUT.png
import {copyFileSync} from 'node:fs';
import * as web from '../tests/web/lib.mjs';

const [dir, out] = process.argv.slice(2);
const browser = await web.launch();
const server = await web.serve(dir);
try {
    const ride = await web.open(browser, server.url);
    await ride.until(30);
    // The rider switched there and back, as the Linux run does for its pictures of the vehicle.
    await ride.down('m');
    await ride.after(5);
    await ride.up('m');
    await ride.after(5);
    await ride.down('m');
    await ride.after(5);
    await ride.up('m');
    await ride.down('ArrowUp');
    await ride.after(110);
    await ride.down('ArrowLeft');
    await ride.after(40);
    copyFileSync(await ride.shot(), out);
    await ride.close();
} finally {
    await browser.close();
    await server.close();
}
