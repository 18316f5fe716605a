// Headless Chromium on the built page, served from 127.0.0.1: shared by the browser test, the benchmark and the screenshots.
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import puppeteer from 'puppeteer-core';
import { defaultRoot, startServer } from './serve.mjs';

// Flags for a Chromium that runs as root on a machine whose network is closed: nothing is
// fetched in the background, so no connection is refused while the page runs.
const chromiumFlags = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--disable-default-apps', '--disable-extensions', '--mute-audio'];

export function chromiumPath() {
  return process.env.CHROMIUM_PATH ?? '/usr/bin/chromium';
}

// The page's server and a browser with a fresh profile; `close` ends both and removes the profile.
export async function openPage({ width = 1100, height = 900 } = {}) {
  if (!existsSync(join(defaultRoot, 'index.html'))) {
    throw new Error(`no built page in ${defaultRoot}: run "npm run build" first`);
  }
  if (!existsSync(chromiumPath())) throw new Error(`no Chromium at ${chromiumPath()}: set CHROMIUM_PATH`);
  const server = await startServer();
  const profile = mkdtempSync(join(tmpdir(), 'vqz2xml-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromiumPath(),
    headless: true,
    userDataDir: profile,
    args: chromiumFlags,
    defaultViewport: { width, height },
    protocolTimeout: 120000,
  });
  const page = await browser.newPage();
  const problems = []; // console errors and page errors, a CSP violation among them
  const foreign = []; // requests to anywhere but the page's own server
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`${message.text()} (${message.location()?.url ?? 'no address'})`);
  });
  page.on('pageerror', (error) => problems.push(String(error)));
  page.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith(server.url) && !url.startsWith('blob:') && !url.startsWith('data:')) foreign.push(url);
  });
  await page.goto(server.url, { waitUntil: 'load' });
  // The footer shows the version once the worker has its module.
  await page.waitForFunction(() => document.getElementById('version').textContent !== '', { timeout: 60000 });
  return {
    page,
    problems,
    foreign,
    async close() {
      await browser.close();
      await server.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Puts files into the page's only file input and waits until each has a status.
export async function uploadFiles(page, paths, timeout = 120000) {
  const input = await page.$('input[type=file]');
  await input.uploadFile(...paths);
  const names = paths.map((path) => path.split('/').pop());
  await page.waitForFunction((wanted) => wanted.every((name) => {
    const result = document.querySelector(`[data-file="${CSS.escape(name)}"]`);
    return result && ['converted', 'faulty', 'failed'].includes(result.dataset.status);
  }), { timeout, polling: 100 }, names);
}

// The bytes a link of the page points to, fetched inside the page.
export async function linkedBytes(page, selector) {
  const base64 = await page.$eval(selector, async (link) => {
    const bytes = new Uint8Array(await (await fetch(link.href)).arrayBuffer());
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return btoa(text);
  });
  return Buffer.from(base64, 'base64');
}
