// The page's side of the web stand-in: what platform/web asks of the browser. The page
// (page/page.js) sets up window.balantorPage; calls that wait for the browser (a presented frame,
// full screen, a message box) sleep through ASYNCIFY, so the program's loop runs unchanged.
mergeInto(LibraryManager.library, {
  // Goes on with the program. Its end (exit, or WinMain's return) throws ExitStatus to unwind
  // it once the page has been told; that is no error of the page's.
  $balantorResume: function(wakeUp, value) {
    try {
      wakeUp(value);
    } catch (e) {
      if (!(e instanceof ExitStatus)) throw e;
    }
  },

  // The page's WebGL context, which the loader asked for before anything else (page/loader.js)
  // with the attributes the program's wglCreateContext asks for (window.cpp). The browser may
  // take the context away and give it back empty; the program then waits (whenBack) and sets up
  // again.
  $balantorGraphics__postset: 'balantorGraphics.start();',
  $balantorGraphics: {
    gl: null,
    lost: false, // lost since the program last asked
    back: null,  // wakes the program waiting for the context
    start: function() {
      const canvas = Module.canvas || document.getElementById('canvas');
      balantorGraphics.gl = canvas.getContext('webgl');
      // Cancelled, so that the browser gives the context back when it can.
      canvas.addEventListener('webglcontextlost', function(event) {
        event.preventDefault();
        balantorGraphics.lost = true;
        window.balantorPage.graphicsLost(true);
      });
      canvas.addEventListener('webglcontextrestored', function() {
        window.balantorPage.graphicsLost(false);
        const back = balantorGraphics.back;
        balantorGraphics.back = null;
        if (back) back();
      });
    },
    // Resolves once the context is there: 1 when it was lost meanwhile, and is empty.
    whenBack: function() {
      const g = balantorGraphics;
      if (!g.gl || !g.gl.isContextLost()) {
        const lost = g.lost;
        g.lost = false;
        return Promise.resolve(lost ? 1 : 0);
      }
      g.lost = true;
      return new Promise(function(resolve) { g.back = resolve; }).then(g.whenBack);
    },
  },

  // Waits until the frame drawn so far has been shown: the next animation frame, then a task
  // after its rendering. The page counts the frame and may hold the program there. 1 when the
  // context was lost meanwhile: it has come back empty.
  balantor_present__deps: ['$balantorResume', '$balantorGraphics'],
  balantor_present: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      requestAnimationFrame(function() {
        setTimeout(function() {
          const go = function() {
            balantorGraphics.whenBack().then(function(lost) { balantorResume(wakeUp, lost); });
          };
          Promise.resolve(window.balantorPage.presented()).then(go, go);
        }, 0);
      });
    });
  },

  // 1 when the page is (on) or is no longer (off) in the browser's full screen.
  balantor_fullscreen__deps: ['$balantorResume'],
  balantor_fullscreen: function(on) {
    return Asyncify.handleSleep(function(wakeUp) {
      window.balantorPage.fullscreen(!!on).then(function(ok) {
        balantorResume(wakeUp, ok ? 1 : 0);
      });
    });
  },

  balantor_message_box__deps: ['$balantorResume'],
  balantor_message_box: function(text, caption, type) {
    return Asyncify.handleSleep(function(wakeUp) {
      window.balantorPage.messageBox(UTF8ToString(text), UTF8ToString(caption), type)
          .then(function(answer) { balantorResume(wakeUp, answer); });
    });
  },

  // Waits while the page still paints the file the program opens by this name (page/loader.js);
  // returns at once for any other.
  balantor_file_ready__deps: ['$balantorResume', '$balantorGraphics', '$GL'],
  balantor_file_ready: function(path) {
    const painting = Module['balantorPainting'] && Module['balantorPainting'][UTF8ToString(path)];
    if (!painting) return;
    // What the program has asked of the GPU so far is done while the page paints, and what
    // WebGL learns of its programs (their link, their uniforms) is learnt now and kept: asked
    // at the first draw, it would wait there behind the upload of the painted ground.
    const gl = balantorGraphics.gl;
    if (gl && !gl.isContextLost()) {
      GL.programs.forEach(function(program) {
        if (!program) return;
        gl.getProgramParameter(program, gl.LINK_STATUS);
        gl.getProgramParameter(program, gl.ACTIVE_UNIFORMS);
      });
    }
    return Asyncify.handleSleep(function(wakeUp) {
      painting.then(function() { balantorResume(wakeUp); });
    });
  },

  // The next key the page took, as a virtual-key code with 0x100 added for a press; 0 for none.
  balantor_next_key: function() {
    return window.balantorPage.nextKey();
  },

  balantor_show_window: function(title, width, height) {
    window.balantorPage.showWindow(UTF8ToString(title), width, height);
  },

  balantor_show_cursor: function(show) {
    window.balantorPage.showCursor(!!show);
  },
});
