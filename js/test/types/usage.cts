// Uses of the CommonJS entry as its declarations allow them: what they promise is what require() gives.
import vqz2xml = require('vqz2xml');

void vqz2xml.load().then((converter: vqz2xml.Converter) => converter.convert(new Uint8Array(), { encoding: 'auto' }).encoding);
// @ts-expect-error: the CommonJS entry has no default export
void vqz2xml.default;
