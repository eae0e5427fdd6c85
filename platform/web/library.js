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

  // Waits until the frame drawn so far has been shown: the next animation frame, then a task
  // after its rendering. The page counts the frame and may hold the program there.
  balantor_present__deps: ['$balantorResume'],
  balantor_present: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      requestAnimationFrame(function() {
        setTimeout(function() {
          const go = function() { balantorResume(wakeUp); };
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
  balantor_file_ready__deps: ['$balantorResume'],
  balantor_file_ready: function(path) {
    const painting = Module['balantorPainting'] && Module['balantorPainting'][UTF8ToString(path)];
    if (!painting) return;
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
