// Uses of the ES module entry as its declarations allow them; the type check fails on a declaration that breaks one.
import vqz2xml, { load, type Converter, type Diagnostic, type Outcome, type Result, type Survey, type UsedEncoding } from 'vqz2xml';

async function convertOne(bytes: Uint8Array): Promise<string> {
  const converter: Converter = await load();
  const result: Result = converter.convert(bytes, { encoding: 'windows-1252' });
  const size: number = result.xml.byteLength;
  const used: UsedEncoding = result.encoding;
  const diagnostic: Diagnostic | null = result.diagnostic;
  if (diagnostic !== null) {
    const found: Uint8Array = diagnostic.found;
    return `${converter.version} ${diagnostic.line}:${diagnostic.column} ${diagnostic.expected} ${found.length}`;
  }
  converter.convert(bytes.buffer, { encoding: 'auto' });
  converter.convert(new DataView(bytes.buffer), {});
  const pieces: Uint8Array[] = [];
  const outcome: Outcome = converter.convertTo(bytes, (piece) => pieces.push(piece));
  // @ts-expect-error: the pieces went to the receiver, not into the outcome
  void outcome.xml;
  const survey: Survey = converter.readSurvey(bytes, { encoding: 'auto' });
  const firstCode: number | null | undefined = survey.variables[0]?.values[0]?.number;
  // @ts-expect-error: the model's names are in snake_case
  void survey.standardNames;
  return `${result.complete} ${size} ${used} ${survey.standard_names} ${firstCode}`;
}

void convertOne;
void vqz2xml.load({ wasmBinary: new Uint8Array() });

// @ts-expect-error: the input is bytes, never a string
void (async () => (await load()).convert('VQZ'));
// @ts-expect-error: an encoding is named, not numbered
void (async () => (await load()).convert(new Uint8Array(), { encoding: 1 }));
