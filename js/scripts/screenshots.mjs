// Screenshots of the built page with the given files converted, at a desktop's and a phone's width, light and dark.
//   node scripts/screenshots.mjs [FILE.vqz ...]     (into js/test-artifacts/)
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { openPage, uploadFiles } from './browser.mjs';

const outputDir = join(import.meta.dirname ?? new URL('.', import.meta.url).pathname, '..', 'test-artifacts');
mkdirSync(outputDir, { recursive: true });
for (const width of [1280, 390]) {
  for (const scheme of ['light', 'dark']) {
    const session = await openPage({ width, height: 900 });
    await session.page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
    if (process.argv.length > 2) await uploadFiles(session.page, process.argv.slice(2));
    const path = join(outputDir, `page-${width}-${scheme}.png`);
    await session.page.screenshot({ path, fullPage: true });
    console.log(`${path}: ${await session.page.evaluate(() => document.documentElement.scrollHeight)} px tall`);
    await session.close();
  }
}
