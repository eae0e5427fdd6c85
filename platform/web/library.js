// The page's side of the web stand-in: what platform/web asks of the browser. The page
// (index.html) sets up window.balantorPage; calls that wait for the browser (a presented frame,
// full screen, a message box) sleep through ASYNCIFY, so the program's loop runs unchanged.
mergeInto(LibraryManager.library, {
  // Waits until the frame drawn so far has been shown: the next animation frame, then a task
  // after its rendering. The page counts the frame and may hold the program there.
  balantor_present: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      requestAnimationFrame(function() {
        setTimeout(function() {
          Promise.resolve(window.balantorPage.presented()).then(function() { wakeUp(); },
                                                               function() { wakeUp(); });
        }, 0);
      });
    });
  },

  // 1 when the page is (on) or is no longer (off) in the browser's full screen.
  balantor_fullscreen: function(on) {
    return Asyncify.handleSleep(function(wakeUp) {
      window.balantorPage.fullscreen(!!on).then(function(ok) { wakeUp(ok ? 1 : 0); });
    });
  },

  balantor_message_box: function(text, caption, type) {
    return Asyncify.handleSleep(function(wakeUp) {
      window.balantorPage.messageBox(UTF8ToString(text), UTF8ToString(caption), type)
          .then(function(answer) { wakeUp(answer); });
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
