'use strict';
// Loads the program into the page: the packaged models folder, then the program itself. Its end,
// or a start that fails, is handed to the page (page.js).
window.Module = {
  canvas: document.getElementById('canvas'),
  onExit: function() { window.balantorPage.ended(); },
  onAbort: function() { window.balantorPage.ended(); },
};

// A file the page paints rather than downloads (the ground bitmap): workers (SCRIPT, one band of
// rows each, as many as the machine has cores, up to four) paint it while the rest loads, and
// the program waits for it only when it opens it by NAME (library.js). The build's models.js
// asks for it. A worker that fails leaves the file out, as if it were missing.
window.balantorPaint = function(script, name) {
  const bands = Math.min(4, Math.max(2, navigator.hardwareConcurrency || 2));
  let file = null;
  let started = false;
  const place = function() {
    if (!file || !started) return;
    const cut = name.lastIndexOf('/');
    Module.FS_createPath('/', name.slice(0, cut), true, true);
    Module.FS_createDataFile('/' + name.slice(0, cut), name.slice(cut + 1), file, true, false);
    file = null;
  };
  const painted = [];
  for (let band = 0; band < bands; ++band) {
    const worker = new Worker(script, {name: band + '/' + bands});
    painted.push(new Promise(function(done, failed) {
      worker.onmessage = function(event) { worker.terminate(); done(event.data); };
      worker.onerror = function() { worker.terminate(); failed(); };
    }));
  }
  (Module.preRun = Module.preRun || []).push(function() { started = true; place(); });
  (Module.balantorPainting = Module.balantorPainting || {})[name] = Promise.all(painted).then(
    function(parts) {
      file = new Uint8Array(parts[0].size);
      parts.forEach(function(part) { file.set(part.bytes, part.at); });
      place();
    }, function() {});
};
