import { openPage, uploadFiles } from './browser.mjs';
const files = process.argv.slice(2);
for (const [width, scheme] of [[1280, 'light'], [390, 'light'], [1280, 'dark'], [390, 'dark']]) {
  const s = await openPage({ width, height: 900 });
  await s.page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
  if (files.length) await uploadFiles(s.page, files);
  const h = await s.page.evaluate(() => document.documentElement.scrollHeight);
  await s.page.screenshot({ path: `/tmp/shots/${width}-${scheme}.png`, fullPage: h < 6000 });
  console.log(width, scheme, 'height', h, 'scrollWidth', await s.page.evaluate(() => document.documentElement.scrollWidth));
  await s.close();
}
