'use strict';
// The page around the program: it turns the browser's keys and the on-screen buttons into
// Windows virtual-key codes for the program's message queue, shows its message boxes, counts
// its frames, and asks for full screen when F1 is pressed (the one moment a browser allows it).
(function() {
  const canvas = document.getElementById('canvas');
  const box = document.getElementById('box');
  const keyQueue = [];
  const pressedThisFrame = new Set();
  // The keys the program was told are down: each one's release reaches it, whatever else the
  // browser does with that release.
  const held = new Set();
  window.balantor = {frames: 0, onFrame: null};

  // Virtual-key codes by KeyboardEvent.code, then by KeyboardEvent.key for events without one.
  const byCode = {
    ArrowUp: 38, ArrowDown: 40, ArrowLeft: 37, ArrowRight: 39, Space: 32, Escape: 27,
    Enter: 13, NumpadEnter: 13, Tab: 9, Backspace: 8, ShiftLeft: 16, ShiftRight: 16,
    ControlLeft: 17, ControlRight: 17, AltLeft: 18, AltRight: 18, Pause: 19, CapsLock: 20,
    PageUp: 33, PageDown: 34, End: 35, Home: 36, Insert: 45, Delete: 46,
  };
  const byKey = {
    ArrowUp: 38, Up: 38, ArrowDown: 40, Down: 40, ArrowLeft: 37, Left: 37, ArrowRight: 39,
    Right: 39, ' ': 32, Spacebar: 32, Escape: 27, Esc: 27, Enter: 13, Tab: 9, Backspace: 8,
  };
  // The keys the program acts on: the browser must not scroll, open help or the like for them.
  const used = new Set([38, 40, 37, 39, 32, 77, 112, 27]);

  function virtualKey(event) {
    const code = event.code || '';
    if (code in byCode) return byCode[code];
    let m;
    if ((m = /^Key([A-Z])$/.exec(code))) return m[1].charCodeAt(0);
    if ((m = /^Digit([0-9])$/.exec(code))) return m[1].charCodeAt(0);
    if ((m = /^F([0-9]{1,2})$/.exec(code)) && +m[1] >= 1 && +m[1] <= 24) return 111 + +m[1];
    const key = event.key || '';
    if (key in byKey) return byKey[key];
    if ((m = /^F([0-9]{1,2})$/.exec(key)) && +m[1] >= 1 && +m[1] <= 24) return 111 + +m[1];
    if (key.length === 1 && /[a-z0-9]/i.test(key)) return key.toUpperCase().charCodeAt(0);
    return 0;
  }

  // Full screen as the program last asked for it; a press of F1 in a window asks the browser.
  let programFullscreen = false;
  let fullscreenRequest = null;

  // Keys count from the program's first frame until its end: none pressed while the page loads
  // waits to be played at its start.
  function running() {
    return document.body.dataset.state === 'running';
  }

  // A key the pad holds too is heard down from the first to hold it and up from the last.
  function press(vk) {
    held.add(vk);
    if (window.balantorGamepad.key(vk, true)) keyQueue.push(vk | 0x100);
  }

  function release(vk) {
    if (held.delete(vk) && window.balantorGamepad.key(vk, false)) keyQueue.push(vk);
  }

  // Called within the key's or the touch's own event: full screen is granted only there.
  function askFullscreen() {
    if (!programFullscreen && !document.fullscreenElement && canvas.requestFullscreen)
      fullscreenRequest = canvas.requestFullscreen({navigationUI: 'hide'}).catch(function() {});
  }

  function onKey(event, down) {
    const vk = virtualKey(event);
    if (!vk) return;
    if (!down) {
      if (held.has(vk)) {
        if (used.has(vk)) event.preventDefault();
        release(vk);
      }
      return;
    }
    // A key that answers a message box belongs to the box alone, as does any key while one is up.
    if (box.open || box.contains(event.target) || !running()) return;
    if (event.ctrlKey || event.metaKey || event.altKey) return;
    if (used.has(vk)) event.preventDefault();
    if (vk === 112) askFullscreen();
    press(vk);
  }
  document.addEventListener('keydown', function(e) { onKey(e, true); });
  document.addEventListener('keyup', function(e) { onKey(e, false); });

  // A page never sees a key let go in another window or tab: whatever is down goes up when the
  // page loses the focus or is hidden.
  const releases = [];
  function releaseAll() {
    releases.forEach(function(f) { f(); });
    Array.from(held).forEach(release);
  }
  window.addEventListener('blur', releaseAll);
  window.addEventListener('pagehide', releaseAll);
  document.addEventListener('visibilitychange', function() {
    if (document.visibilityState === 'hidden') releaseAll();
  });

  // The pointer follows the program's wish in full screen only, however full screen was left.
  let cursorShown = true;
  function updateCursor() {
    const hidden = !cursorShown && document.fullscreenElement;
    canvas.style.cursor = hidden ? 'none' : '';
  }
  document.addEventListener('fullscreenchange', updateCursor);

  // On-screen keys: held while the pointer (finger or mouse) is down on them.
  const buttonKeys = {Up: 38, Down: 40, Left: 37, Right: 39, Space: 32, M: 77};
  document.querySelectorAll('button.key[data-key]').forEach(function(button) {
    const vk = buttonKeys[button.dataset.key];
    let down = false;
    function letGo() {
      if (!down) return;
      down = false;
      button.classList.remove('held');
      release(vk);
    }
    releases.push(letGo);
    button.addEventListener('pointerdown', function(e) {
      e.preventDefault();
      if (down || !running() || box.open) return;
      down = true;
      button.classList.add('held');
      button.setPointerCapture(e.pointerId);
      press(vk);
    });
    button.addEventListener('pointerup', letGo);
    button.addEventListener('pointercancel', letGo);
    button.addEventListener('lostpointercapture', letGo);
    button.addEventListener('contextmenu', function(e) { e.preventDefault(); });
  });

  // The full-screen button is F1 pressed and let go. A browser grants full screen to a touch only
  // once the finger is lifted, so the button acts on its click rather than while held.
  document.getElementById('fullscreen').addEventListener('click', function() {
    if (!running() || box.open) return;
    askFullscreen();
    press(112);
    release(112);
  });

  const IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7;

  window.balantorPage = {
    // A press and its release that come within one frame would both be taken before the
    // program looks at its keys, and the press be lost: the release waits for the next frame.
    nextKey: function() {
      if (!keyQueue.length) return 0;
      const key = keyQueue[0];
      if (!(key & 0x100) && pressedThisFrame.has(key)) return 0;
      keyQueue.shift();
      if (key & 0x100) pressedThisFrame.add(key & 0xff);
      return key;
    },

    showWindow: function(title, width, height) {
      document.title = title;
      canvas.width = width;
      canvas.height = height;
    },

    // The browser took the WebGL context away (lost) or gave it back: the note says why the
    // picture waits.
    graphicsLost: function(lost) {
      document.getElementById('graphics').hidden = !lost;
    },

    showCursor: function(show) {
      cursorShown = show;
      updateCursor();
    },

    // A frame has been shown: count it and let a watcher hold the program there.
    presented: function() {
      const state = window.balantor;
      pressedThisFrame.clear();
      window.balantorGamepad.poll(function(key) { keyQueue.push(key); });
      state.frames += 1;
      if (document.body.dataset.state === 'loading') document.body.dataset.state = 'running';
      return typeof state.onFrame === 'function' ? state.onFrame(state.frames) : undefined;
    },

    // Resolves true when the page is in full screen (on) or out of it (off).
    fullscreen: function(on) {
      programFullscreen = on;
      if (!on) {
        fullscreenRequest = null;
        if (!document.fullscreenElement) return Promise.resolve(true);
        return document.exitFullscreen().then(function() { return true; },
                                              function() { return true; });
      }
      const request = fullscreenRequest || Promise.resolve();
      fullscreenRequest = null;
      return request.then(function() { return document.fullscreenElement === canvas; });
    },

    // Shows the program's message box and resolves with the button chosen. The first button is
    // the default (Enter); Escape answers a box that has only OK, as Win32's does.
    messageBox: function(text, caption, type) {
      const buttons = (type & 0xf) === 4 ? [['Yes', IDYES], ['No', IDNO]]
                    : (type & 0xf) === 1 ? [['OK', IDOK], ['Cancel', IDCANCEL]]
                    : [['OK', IDOK]];
      document.getElementById('box-caption').textContent = caption;
      document.getElementById('box-text').textContent = text;
      const row = document.getElementById('box-buttons');
      row.textContent = '';
      const escape = buttons.find(function(b) { return b[1] === IDCANCEL; }) ||
                     (buttons.length === 1 ? buttons[0] : null);
      return new Promise(function(resolve) {
        let answered = false;
        function answer(id) {
          answered = true;
          box.removeEventListener('keydown', onKey);
          box.removeEventListener('cancel', onCancel);
          box.removeEventListener('close', onClose);
          box.close();
          resolve(id);
        }
        function onKey(e) {
          if (e.key !== 'Escape') return;
          e.preventDefault();
          if (escape) answer(escape[1]);
        }
        function onCancel(e) {
          e.preventDefault();
          if (escape) answer(escape[1]);
        }
        // A browser may close a dialog on Escape without asking: a box without an answer for
        // Escape comes back, as Win32's stays up.
        function onClose() {
          if (answered) return;
          // The close of an earlier box may come after this one is shown: it is not this box's.
          if (box.open) return;
          if (escape) answer(escape[1]);
          else box.showModal();
        }
        buttons.forEach(function(b) {
          const button = document.createElement('button');
          button.textContent = b[0];
          button.addEventListener('click', function() { answer(b[1]); });
          row.appendChild(button);
        });
        box.addEventListener('keydown', onKey);
        box.addEventListener('cancel', onCancel);
        box.addEventListener('close', onClose);
        box.showModal();
        row.firstChild.focus();
      });
    },
  };

  function ended() {
    document.body.dataset.state = 'ended';
    document.getElementById('ended').hidden = false;
    if (box.open) box.close();
    if (document.fullscreenElement) document.exitFullscreen().catch(function() {});
    restart.focus();
  }
  const restart = document.getElementById('restart');
  restart.addEventListener('click', function() {
    location.reload();
  });

  window.balantorPage.ended = ended;
})();
