// Uses of the ES module entry as its declarations allow them; the type check fails on a declaration that breaks one.
import vqz2xml, { load, type Diagnostic, type Outcome, type Result, type Survey, type UsedEncoding } from 'vqz2xml';

void (async (bytes: Uint8Array) => {
  const converter = await vqz2xml.load({ wasmBinary: new Uint8Array() });
  const result: Result = converter.convert(bytes, { encoding: 'windows-1252' });
  const used: UsedEncoding = result.encoding;
  const diagnostic: Diagnostic | null = result.diagnostic;
  const found: Uint8Array | undefined = diagnostic?.found;
  converter.convert(new DataView(bytes.buffer), { encoding: 'auto' });
  const outcome: Outcome = converter.convertTo(bytes.buffer, (piece: Uint8Array) => void piece);
  // @ts-expect-error: the pieces went to the receiver, not into the outcome
  void outcome.xml;
  const survey: Survey = converter.readSurvey(bytes);
  const code: number | null | undefined = survey.variables[0]?.values[0]?.number;
  // @ts-expect-error: the model's names are in snake_case
  void survey.standardNames;
  // @ts-expect-error: the input is bytes, never a string
  converter.convert('VQZ');
  // @ts-expect-error: an encoding is named, not numbered
  converter.convert(bytes, { encoding: 1 });
  return [used, found, code, result.xml.byteLength, survey.standard_names, await load()];
});
