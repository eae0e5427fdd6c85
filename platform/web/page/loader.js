'use strict';
// Loads the program into the page: the packaged models folder, then the program itself. Its end,
// or a start that fails, is handed to the page (page.js).
window.Module = {
  canvas: document.getElementById('canvas'),
  onExit: function() { window.balantorPage.ended(); },
  onAbort: function() { window.balantorPage.ended(); },
};
