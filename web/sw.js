// The page's offline copy: the files this browser loaded for the page, kept
// as last fetched and served when the network fails. Each build has its own
// version, whose copy replaces the one before.
'use strict';

const CACHE = 'determinant-@SITE_VERSION@';

function ownFile(url) {
  return new URL(url).origin === self.location.origin;
}

self.addEventListener('install', () => self.skipWaiting());

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) if (name !== CACHE) await caches.delete(name);
    await self.clients.claim();
  })());
});

// The page names what it loaded before this worker was there to see it.
self.addEventListener('message', (event) => {
  const urls = Array.isArray(event.data && event.data.keep) ? event.data.keep.filter(ownFile) : [];
  event.waitUntil(caches.open(CACHE).then(async (cache) => {
    for (const url of urls) if (!(await cache.match(url))) await cache.add(url).catch(() => {});
  }));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || !ownFile(request.url)) return;
  event.respondWith((async () => {
    const cache = await caches.open(CACHE);
    try {
      const response = await fetch(request);
      if (response.ok) await cache.put(request, response.clone());
      return response;
    } catch (error) {
      const kept = await cache.match(request, { ignoreSearch: true });
      if (kept) return kept;
      throw error;
    }
  })());
});
