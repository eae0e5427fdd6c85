'use strict';
// A gamepad in the page: the browser's Gamepad API, read once a frame, turned into the keys the
// program knows, as the desktop sides do (platform/pad.cpp; the page reads the pad here, so it
// keeps its own copy of the mapping): d-pad or left stick beyond half way = the arrows, south =
// Space, west = M, start = F1; nothing on the pad ends the program. Only pads in the browser's
// standard layout are used, the first one there is; a pad disconnected is let go at once,
// releasing what it held. A key is down while the keyboard or the pad holds it: the program hears
// a press only from the first to hold it and a release only from the last to let go.
// A browser grants full screen only to a key or a click, so Start asks through the program's
// question where the browser refuses.
window.balantorGamepad = (function() {
  const KEYBOARD = 1, PAD = 2;
  const holders = new Uint8Array(256);
  // The stick's directions, held with hysteresis (press beyond 0.5, let go below 0.4): up, down,
  // left, right.
  const stick = [false, false, false, false];
  let current = null;
  let shown = null;

  function beyond(held, push) { return push > (held ? 0.4 : 0.5); }

  // The pad in use: the one in use before while it stays, else the first in the standard layout.
  function findPad() {
    const pads = navigator.getGamepads ? Array.from(navigator.getGamepads()) : [];
    const usable = pads.filter(function(p) { return p && p.connected && p.mapping === 'standard'; });
    const same = usable.find(function(p) { return current && p.index === current.index; });
    current = same || usable[0] || null;
    const text = current ? 'Gamepad: ' + current.id
                         : 'No gamepad in use: connect one and press a button on it.';
    if (text !== shown) document.getElementById('pad').textContent = shown = text;
    return current;
  }

  function wanted(pad) {
    const button = function(i) { return !!(pad && pad.buttons[i] && pad.buttons[i].pressed); };
    const x = pad ? pad.axes[0] || 0 : 0, y = pad ? pad.axes[1] || 0 : 0;
    stick[0] = beyond(stick[0], -y);
    stick[1] = beyond(stick[1], y);
    stick[2] = beyond(stick[2], -x);
    stick[3] = beyond(stick[3], x);
    return [[38, button(12) || stick[0]], [40, button(13) || stick[1]],
            [37, button(14) || stick[2]], [39, button(15) || stick[3]],
            [32, button(0)], [77, button(2)], [112, button(9)]];
  }

  return {
    // Once a frame: the pad's presses and releases, handed to push as the page's key codes (the
    // virtual-key code, with 0x100 added for a press).
    poll: function(push) {
      wanted(findPad()).forEach(function(key) {
        const vk = key[0], before = holders[vk];
        if (key[1] === !!(before & PAD)) return;
        holders[vk] = key[1] ? before | PAD : before & ~PAD;
        if (!before || !holders[vk]) push(key[1] ? vk | 0x100 : vk);
      });
    },
    // A key from the keyboard: whether the program is to hear it.
    key: function(vk, down) {
      const before = holders[vk];
      holders[vk] = down ? before | KEYBOARD : before & ~KEYBOARD;
      return down ? before !== PAD : holders[vk] === 0;
    },
  };
})();
