'use strict';
// The page's service worker: it keeps the page's files, so that after one visit the page starts
// without a network. Each build keeps its files in a cache of its own, named by their content,
// and a page gets all its files from one build: a visit finds out first which build the server
// has now. The same build comes from the cache; another build comes whole from the server (and
// the browser installs its worker, which keeps it in turn); no server means this build's cache.

// The build's name and each file's SHA-256, written by scripts/build-web.sh.
const BUILD = '';
const FILES = {};
const CACHE = 'balantor-' + BUILD;

const hex = bytes => Array.from(new Uint8Array(bytes), b => b.toString(16).padStart(2, '0')).join('');

// Every file is checked against its digest, so that a build replaced on the server while this
// one is installed never mixes into its cache: the install fails and the next visit tries again.
self.addEventListener('install', event => {
  event.waitUntil((async () => {
    const cache = await caches.open(CACHE);
    await Promise.all(Object.keys(FILES).map(async name => {
      const response = await fetch(name, {cache: 'no-cache'});
      if (!response.ok)
        throw new Error(`${name}: ${response.status}`);
      const body = await response.arrayBuffer();
      if (hex(await crypto.subtle.digest('SHA-256', body)) !== FILES[name])
        throw new Error(`${name} is not this build's`);
      const type = response.headers.get('Content-Type');
      await cache.put(name, new Response(body, {headers: type ? {'Content-Type': type} : {}}));
    }));
    await self.skipWaiting();
  })());
});

// Older builds' caches go once this one has taken over.
self.addEventListener('activate', event => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith('balantor-') && name !== CACHE)
        await caches.delete(name);
    }
    await self.clients.claim();
  })());
});

// How each page of this worker's time gets its files: 'cache' (this build) or 'network'.
const served = new Map();

// 'same' when the server has this build, 'other' when another, 'none' when there is no answer.
async function serversBuild() {
  try {
    const response = await fetch('sw.js', {cache: 'no-store', signal: AbortSignal.timeout(10000)});
    if (!response.ok)
      return 'other';
    const name = /^const BUILD = '([0-9a-f]*)';$/m.exec(await response.text());
    return name && name[1] === BUILD ? 'same' : 'other';
  } catch {
    return 'none';
  }
}

async function navigate(event) {
  if ((await serversBuild()) === 'other') {
    served.set(event.resultingClientId, 'network');
    return fetch(event.request);
  }
  served.set(event.resultingClientId, 'cache');
  return (await caches.match('index.html', {cacheName: CACHE})) ?? fetch(event.request);
}

async function file(event, name) {
  const how = served.get(event.clientId);
  if (how === 'network')
    return fetch(event.request);
  const kept = await caches.match(name, {cacheName: CACHE});
  if (kept && how === 'cache')
    return kept;
  // A page this worker did not serve (it started before the worker took over): the server's,
  // this build's without one.
  try {
    return await fetch(event.request);
  } catch (error) {
    if (kept)
      return kept;
    throw error;
  }
}

self.addEventListener('fetch', event => {
  const url = new URL(event.request.url);
  const scope = new URL(self.registration.scope);
  if (event.request.method !== 'GET' || url.origin !== scope.origin ||
      !url.pathname.startsWith(scope.pathname))
    return;
  const name = url.pathname.slice(scope.pathname.length) || 'index.html';
  if (event.request.mode === 'navigate' && name === 'index.html')
    event.respondWith(navigate(event));
  else if (name in FILES)
    event.respondWith(file(event, name));
});
