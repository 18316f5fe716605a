// Uses of the CommonJS entry as its declarations allow them: what they promise is what require() gives.
import vqz2xml = require('vqz2xml');

void (async () => {
  const converter: vqz2xml.Converter = await vqz2xml.load();
  const result: vqz2xml.Result = converter.convert(new Uint8Array(), { encoding: 'auto' });
  void result.encoding;
})();

// @ts-expect-error: the CommonJS entry has no default export
void vqz2xml.default;
