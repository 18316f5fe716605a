// A small static file server on 127.0.0.1 for the built page: for the browser test, and to try the page by hand.
import { createReadStream, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

const contentTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.svg': 'image/svg+xml',
  '.txt': 'text/plain; charset=utf-8',
};

export const defaultRoot = resolve(fileURLToPath(import.meta.url), '../../../web/dist');

// Serves the files under `root` at http://127.0.0.1:PORT/ (a free port when `port` is 0).
export function startServer(root = defaultRoot, port = 0) {
  const base = resolve(root);
  const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    const file = resolve(base, '.' + (path.endsWith('/') ? path + 'index.html' : path));
    let size = -1;
    if (file === base || file.startsWith(base + sep)) {
      try {
        const status = statSync(file);
        if (status.isFile()) size = status.size;
      } catch {
        size = -1;
      }
    }
    if (size < 0 || request.method !== 'GET') {
      response.writeHead(size < 0 ? 404 : 405, { 'content-type': 'text/plain' }).end('not here\n');
      return;
    }
    response.writeHead(200, {
      'content-type': contentTypes[extname(file)] ?? 'application/octet-stream',
      'content-length': size,
      'cache-control': 'no-store',
    });
    createReadStream(file).pipe(response);
  });
  return new Promise((resolveStart, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => {
      resolveStart({
        url: `http://127.0.0.1:${server.address().port}/`,
        close: () => new Promise((done) => server.close(done)),
      });
    });
  });
}

if (process.argv[1] && resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const { url } = await startServer(defaultRoot, Number(process.env.PORT ?? 8080));
  console.log(`serving ${defaultRoot} at ${url} (Ctrl-C stops)`);
}
