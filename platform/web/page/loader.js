'use strict';
// Loads the program into the page and says how far it has got: the packaged models folder and
// the program's wasm are fetched here, with a progress bar over the picture, and handed to
// Emscripten's scripts (models.js, balantor.js), which are added once both have arrived. A
// failure says in words what failed, with a button that tries that step again; what has
// arrived is kept. Once the first frame is shown, a service worker keeps the page's files for
// visits without a network (sw.js). The program's end is handed to the page (page.js).
(function() {
  // Each file's size in bytes, and the SHA-256 of the ground's painter (ground.js, then
  // ground.wasm), written by scripts/build-web.sh.
  const SIZES = {};
  const PAINTER = '';
  // A download from which nothing has come for this long has stalled. The page's address may
  // shorten it: ?stall=SECONDS.
  const STALL_SECONDS = Number(new URLSearchParams(location.search).get('stall')) || 15;

  const canvas = document.getElementById('canvas');
  const text = document.getElementById('status-text');
  const bar = document.getElementById('status-bar');
  const retry = document.getElementById('status-retry');

  // A failure the page can put in words.
  class Failure extends Error {}

  const megabytes = bytes => (bytes / 1e6).toFixed(1) + ' MB';

  // Bytes arrived and expected, by file, for the bar. It is shown anew at most every tenth of a
  // second, and at once when all is in: each change is a new picture of the page for the
  // browser to draw, which on a fast link costs more than the loading it shows.
  const arrived = {};
  const SHOW_EVERY_MS = 100;
  let shownAt = -SHOW_EVERY_MS;
  let showLater = 0;
  function progress(name, bytes) {
    arrived[name] = bytes;
    show();
  }
  function show() {
    let got = 0;
    let whole = 0;
    for (const file of ['ground.js', 'ground.wasm', 'models.data', 'balantor.wasm', 'models.js',
                        'balantor.js']) {
      got += arrived[file] || 0;
      whole += SIZES[file] || 0;
    }
    const wait = shownAt + SHOW_EVERY_MS - performance.now();
    if (got < whole && wait > 0) {
      if (!showLater) {
        showLater = setTimeout(function() {
          showLater = 0;
          show();
        }, wait);
      }
      return;
    }
    clearTimeout(showLater);
    showLater = 0;
    // A failure's words stay while other files still arrive.
    if (!whole || document.body.dataset.state !== 'loading') return;
    shownAt = performance.now();
    bar.value = Math.min(got / whole, 1);
    text.textContent = 'Loading the simulator: ' + megabytes(got) + ' of ' + megabytes(whole);
  }

  // download(NAME): the file's bytes, counted into the bar as they come.
  async function download(name) {
    const controller = new AbortController();
    let stalled = false;
    let timer = 0;
    const watch = function() {
      clearTimeout(timer);
      timer = setTimeout(function() {
        stalled = true;
        controller.abort();
      }, STALL_SECONDS * 1000);
    };
    const expected = SIZES[name];
    const chunks = [];
    let length = 0;
    const broke = function(how) {
      const whole = expected ? ' of ' + megabytes(expected) : '';
      return new Failure(stalled
          ? name + ' stopped arriving: nothing came for ' + STALL_SECONDS + ' s (at ' +
            megabytes(length) + whole + ').'
          : name + ' could not be ' + how + ': the connection failed (at ' + megabytes(length) +
            whole + '). Is the network there?');
    };
    watch();
    let response;
    try {
      response = await fetch(name, {signal: controller.signal});
    } catch (e) {
      clearTimeout(timer);
      throw broke('fetched');
    }
    if (!response.ok) {
      clearTimeout(timer);
      controller.abort();
      throw new Failure(response.status === 404
          ? name + ' was not found on the server (404).'
          : 'The server answered ' + response.status + ' ' + response.statusText + ' for ' +
            name + '.');
    }
    const reader = response.body.getReader();
    try {
      for (;;) {
        const chunk = await reader.read();
        if (chunk.done) break;
        watch();
        chunks.push(chunk.value);
        length += chunk.value.length;
        progress(name, length);
      }
    } catch (e) {
      throw broke('fetched whole');
    } finally {
      clearTimeout(timer);
    }
    if (expected !== undefined && length !== expected) {
      throw new Failure(name + ' arrived ' + (length < expected ? 'cut short' : 'too long') +
                        ': ' + length + ' bytes of ' + expected + '.');
    }
    const bytes = new Uint8Array(length);
    let at = 0;
    for (const chunk of chunks) {
      bytes.set(chunk, at);
      at += chunk.length;
    }
    return bytes;
  }

  // script(NAME): the script run in the page, counted whole into the bar.
  function script(name) {
    return new Promise(function(resolve, reject) {
      const element = document.createElement('script');
      element.src = name;
      element.async = false;
      element.onload = function() {
        progress(name, SIZES[name] || 0);
        resolve();
      };
      element.onerror = function() {
        element.remove();
        reject(new Failure(name + ' could not be loaded from the server.'));
      };
      document.body.appendChild(element);
    });
  }

  // The page's one WebGL context, asked for first: a browser's first context can take it
  // hundreds of milliseconds, which pass while the files arrive, rather than later while the
  // ground is painted. The attributes are the ones the program's pixel format asks for
  // (window.cpp); its wglCreateContext gets this context (library.js).
  function askForWebGL() {
    if (canvas.getContext('webgl', {alpha: false, depth: true, stencil: false, antialias: false,
                                     preserveDrawingBuffer: true})) {
      return;
    }
    throw new Failure('This browser gives the page no WebGL, which the simulator draws ' +
                      'with. Turn on WebGL or hardware acceleration in its settings, or ' +
                      'try another browser.');
  }

  function fail(message, again) {
    document.body.dataset.state = 'failed';
    text.textContent = message;
    retry.hidden = false;
    retry.onclick = function() {
      retry.hidden = true;
      document.body.dataset.state = 'loading';
      text.textContent = 'Loading the simulator…';
      again();
    };
  }

  window.Module = {
    canvas: canvas,
    onExit: function() { window.balantorPage.ended(); },
    onAbort: function(what) {
      if (document.body.dataset.state !== 'loading') {
        window.balantorPage.ended();
        return;
      }
      fail('The simulator could not start: ' + what + '.', function() { location.reload(); });
    },
  };

  // A file the page paints rather than downloads (the ground bitmap): workers (one band of rows
  // each, as many as the machine has cores, up to four) run the painter (JS and WASM, fetched
  // here with the rest) as soon as it has arrived, beside the other downloads, and the program
  // waits for the file only when it opens it by NAME (library.js). The workers fetch nothing
  // themselves. A painter that fails is said in words, and the program waits on; trying again
  // loads the page afresh.
  function paint(js, wasm, name) {
    let file = null;
    let started = false;
    const place = function() {
      if (!file || !started) return;
      const cut = name.lastIndexOf('/');
      Module.FS_createPath('/', name.slice(0, cut), true, true);
      Module.FS_createDataFile('/' + name.slice(0, cut), name.slice(cut + 1), file, true, false);
      file = null;
    };
    (Module.preRun = Module.preRun || []).push(function() { started = true; place(); });
    (Module.balantorPainting = Module.balantorPainting || {})[name] =
      keptOrPainted(name, js, wasm).then(function(bytes) {
        file = bytes;
        place();
      }, function(e) {
        paintingFailed = true;
        if (document.body.dataset.state === 'loading')
          fail('The ground could not be painted: ' + e.message + '.', load);
        return new Promise(function() {});
      });
  }

  // The painted file is kept in the browser's cache under the painter's SHA-256, so that later
  // visits, and an installed app at every start, take it from there: painting is most of what
  // the first frame waits for. A new painter paints anew and its file replaces the old one.
  // Without a cache (a page not served securely) or where it fails, the page paints each time.
  // Which painter's file is kept is noted beside it, where it is read at once: a browser's
  // first visit takes a tenth of a second or more to open the cache, which the painting would
  // otherwise wait for.
  const PAINTED = 'balantor.painted';
  const keyOf = function(name) { return name + '?painter=' + PAINTER; };
  function noted() {
    try {
      return PAINTER !== '' && localStorage.getItem(PAINTED) === PAINTER;
    } catch (e) {
      return false;
    }
  }

  async function keptFile(name) {
    try {
      const kept = await (await caches.open(PAINTED)).match(keyOf(name));
      return kept ? new Uint8Array(await kept.arrayBuffer()) : null;
    } catch (e) {
      return null;
    }
  }

  function keep(name, bytes) {
    if (!PAINTER || typeof caches === 'undefined') return;
    caches.open(PAINTED).then(function(cache) {
      localStorage.setItem(PAINTED, PAINTER);
      return cache.keys().then(function(old) {
        return Promise.all(old.map(function(request) { return cache.delete(request); }));
      }).then(function() {
        return cache.put(keyOf(name), new Response(bytes));
      });
    }).catch(function() {
      // Kept nowhere: the note would send later visits to the cache for nothing.
      try {
        localStorage.removeItem(PAINTED);
      } catch (e) {
        return;
      }
    });
  }

  async function keptOrPainted(name, js, wasm) {
    const kept = await keptGround;
    if (kept) return kept;
    const bytes = await (await startWorkers()).paint(js, wasm);
    firstFrame.then(function() { keep(name, bytes); });
    return bytes;
  }

  // The workers that paint, one band of rows each: a thread and a script engine each, which they
  // get going while the painter still arrives. Each waits for the painter's script and its
  // compiled WebAssembly.
  function painters() {
    const bands = Math.min(4, Math.max(2, navigator.hardwareConcurrency || 2));
    const boot = URL.createObjectURL(new Blob([
      'self.onmessage = function(e) {\n' +
      '  self.onmessage = null;\n' +
      '  const failed = function(what) { postMessage({failed: String(what)}); };\n' +
      '  self.Module = {onAbort: failed, instantiateWasm: function(imports, done) {\n' +
      '    WebAssembly.instantiate(e.data.module, imports).then(done, failed);\n' +
      '    return {};\n' +
      '  }};\n' +
      '  importScripts(e.data.source);\n' +
      '};\n'], {type: 'text/javascript'}));
    const workers = [];
    const parts = [];
    for (let band = 0; band < bands; ++band) {
      const worker = new Worker(boot, {name: band + '/' + bands});
      workers.push(worker);
      // A failure inside the painter's promises raises no error event: it says so itself.
      parts.push(new Promise(function(done, failed) {
        worker.onmessage = function(event) {
          worker.terminate();
          if (event.data.failed) failed(new Error(event.data.failed));
          else done(event.data);
        };
        worker.onerror = function(event) {
          worker.terminate();
          failed(new Error(event.message || 'the painter stopped'));
        };
      }));
    }
    const all = Promise.all(parts);
    // Said when the painting is waited for, not before.
    all.catch(function() {});
    return {
      paint: function(js, wasm) {
        const source = URL.createObjectURL(new Blob([js], {type: 'text/javascript'}));
        const revoke = function() {
          URL.revokeObjectURL(source);
          URL.revokeObjectURL(boot);
        };
        // Compiled once, here: the workers share its code, and the engine's optimising of it.
        const compiled = WebAssembly.compile(wasm).then(function(module) {
          const message = {module: module, source: source};
          workers.forEach(function(worker) { worker.postMessage(message); });
        }, function(e) {
          workers.forEach(function(worker) { worker.terminate(); });
          throw new Error(String(e));
        });
        return Promise.all([all, compiled]).then(function([parts]) {
          revoke();
          const file = new Uint8Array(parts[0].size);
          parts.forEach(function(part) { file.set(part.bytes, part.at); });
          return file;
        }, function(e) {
          revoke();
          throw e;
        });
      },
    };
  }

  // The painter starts once, as soon as its two files are in; its workers at once, unless the
  // ground is kept. The build leaves the painter out of a page that is to have no ground.
  const painter = SIZES['ground.js'] ? ['ground.js', 'ground.wasm'] : [];
  const GROUND = 'models/Razedud.bmp';
  const keptGround = Promise.resolve(painter.length && noted() ? keptFile(GROUND) : null);
  let workers = null;
  function startWorkers() {
    if (!workers) workers = keptGround.then(function(kept) { return kept ? null : painters(); });
    return workers;
  }
  let painting = false;
  let paintingFailed = false;
  async function startPainting() {
    await Promise.all(painter.map(fetchOnce));
    if (painting || !painter.length) return;
    painting = true;
    paint(files['ground.js'], files['ground.wasm'], GROUND);
  }

  // What arrives is kept, and what is on its way is waited for, so that trying again fetches
  // only what failed.
  const files = {};
  const fetching = {};
  let packaged = false;
  function fetchOnce(name) {
    if (!fetching[name]) {
      fetching[name] = download(name).then(function(bytes) {
        files[name] = bytes;
        return bytes;
      }, function(e) {
        delete fetching[name];
        throw e;
      });
    }
    return fetching[name];
  }

  async function load() {
    // The program may already wait for the painting: only a new page paints again.
    if (paintingFailed) {
      location.reload();
      return;
    }
    try {
      // The painting's workers first, to get going while the painter arrives; then the
      // downloads, which go on while the browser makes the context. The painter compiles while
      // the context is asked for (which holds up the page until the browser has made it), and
      // the workers paint beside the program's start: handed over before the context, the
      // painting and the making of it shared the cores, and the first frame came later.
      if (painter.length) startWorkers();
      const painterIn = startPainting();
      const downloads = Promise.allSettled([painterIn, fetchOnce('models.data'),
                                            fetchOnce('balantor.wasm')]);
      await Promise.allSettled([painterIn]);
      askForWebGL();
      const all = await downloads;
      const failed = all.find(function(result) { return result.status === 'rejected'; });
      if (failed) throw failed.reason;
      Module.getPreloadedPackage = function() { return files['models.data'].buffer; };
      Module.wasmBinary = files['balantor.wasm'];
      // The painting may have failed already, in words that stay.
      if (document.body.dataset.state === 'loading') text.textContent = 'Starting the simulator…';
      if (!packaged) {
        await script('models.js');
        packaged = true;
      }
      await script('balantor.js');
    } catch (e) {
      fail(e instanceof Failure ? e.message : 'The simulator could not load: ' + e, load);
    }
  }

  // What serves later visits and installing waits for the first frame, so as not to take the
  // cores the loading needs: the service worker that keeps the page's files (sw.js), the copy of
  // the painted ground, and the manifest, whose app icons the browser fetches and decodes as
  // soon as the page names it.
  const firstFrame = new Promise(function(shown) {
    new MutationObserver(function(changes, observer) {
      if (document.body.dataset.state !== 'running') return;
      observer.disconnect();
      shown();
    }).observe(document.body, {attributes: true, attributeFilter: ['data-state']});
  });
  firstFrame.then(function() {
    const manifest = document.createElement('link');
    manifest.rel = 'manifest';
    manifest.href = 'balantor.webmanifest';
    document.head.appendChild(manifest);
    if (!('serviceWorker' in navigator)) return;
    navigator.serviceWorker.register('sw.js').catch(function() {});
  });

  if (location.protocol === 'file:') {
    fail('This page must be served by a web server: a browser does not let a page opened as ' +
         'a file load its parts. In its folder run "python3 -m http.server", then open ' +
         'http://localhost:8000/.', function() { location.reload(); });
    return;
  }
  load();
})();
