// Types of the vqz2xml package, its CommonJS entry: classic Quorbel keyword files (.vqz) into Quorbel XML 1.1.

/**
 * How input bytes 0x80 to 0xFF are read. Letter case is ignored; `_` counts as `-`. `'auto'`
 * chooses UTF-8 for an input that starts with a byte-order mark or is valid UTF-8 holding a
 * character of several bytes, else Windows-1252 when a byte lies in 0x80-0x9F, else Latin-1.
 */
export type EncodingName =
  | 'latin1' | 'latin-1' | 'iso-8859-1' | 'iso8859-1' | 'l1'
  | 'cp1252' | 'windows-1252'
  | 'utf-8' | 'utf8'
  | 'auto'
  | (string & {});

/** The encoding an input was read in, as a result names it: never `'auto'`. */
export type UsedEncoding = 'latin1' | 'cp1252' | 'utf-8';

export interface ConvertOptions {
  /** Defaults to `'latin1'`. An unknown name throws a `RangeError`, an unknown option a `TypeError`. */
  encoding?: EncodingName;
}

/** Where a faulty input went wrong. */
export interface Diagnostic {
  /** Line of the first byte of the found text (or of the end of the input), from 1. */
  line: number;
  /** Column of that byte, from 1, counted in bytes. */
  column: number;
  /** The error report's expected text, such as `'Title'`. */
  expected: string;
  /**
   * The input found there, as raw bytes exactly as they are in the file: leading white space
   * left out, cut at the first line end, empty at the end of the input. Decode it with the
   * encoding the file was read in, e.g. `new TextDecoder('utf-8').decode(found)`.
   */
  found: Uint8Array;
}

export interface Result {
  /** `false` when the XML ends with the error report of a faulty input. */
  complete: boolean;
  /**
   * The same bytes the vqz2xml program writes into its output file. A big document's array may
   * be a view on a larger `ArrayBuffer` (it is not copied again to trim it): use the array's
   * own `byteOffset` and `byteLength`, not its whole `buffer`.
   */
  xml: Uint8Array;
  /** `null` exactly when `complete` is true. */
  diagnostic: Diagnostic | null;
  /** The encoding the input was read in. */
  encoding: UsedEncoding;
}

/** What `convertTo` tells once the XML has gone to its receiver. */
export type Outcome = Omit<Result, 'xml'>;

export interface Converter {
  /** The converter's version, such as `"1.1.0"`. */
  readonly version: string;
  /**
   * Converts a whole classic input. Throws a `TypeError` when `input` is not bytes (a string is
   * not: the file's bytes are needed, its encoding being the converter's to apply), and a
   * `RangeError` for an unknown encoding.
   */
  convert(input: ArrayBufferView | ArrayBufferLike, options?: ConvertOptions): Result;
  /**
   * Converts a whole classic input and hands the XML to `write` piece by piece (some 64 KB each,
   * each a `Uint8Array` of its own) as it is made, so that the whole document is never held at
   * once. An error that `write` throws ends the output and is thrown again by `convertTo`.
   */
  convertTo(input: ArrayBufferView | ArrayBufferLike, write: (piece: Uint8Array) => void,
    options?: ConvertOptions): Outcome;
  /**
   * Reads the survey a whole classic input describes, through the same parse as the conversion,
   * as plain objects. Takes the same input and options as `convert`.
   */
  readSurvey(input: ArrayBufferView | ArrayBufferLike, options?: ConvertOptions): Survey;
  /**
   * Reads every record of `data` by the survey `metadata` describes (options as for `convert`;
   * the character fields are read in the survey's encoding). Throws an `Error` when the survey
   * is faulty or gives more columns than a record can hold.
   */
  readData(metadata: ArrayBufferView | ArrayBufferLike, data: ArrayBufferView | ArrayBufferLike,
    options?: ConvertOptions): DataRead;
}

/** One column of a data file's records. */
export type DataColumn =
  | { name: string; kind: 'code' | 'number' | 'boolean'; label: string; /** NaN when missing */ values: Float64Array }
  | { name: string; kind: 'text'; label: string; /** null when missing */ values: (string | null)[] };

/** A data error, or the first of a warning's values, as the program prints it ("data:LINE:COLUMN: ..."). */
export interface DataError { line: number; column: number; name: string; message: string }

export interface DataRead {
  records: number;
  columns: DataColumn[];
  errors: DataError[];
  warnings: { count: number; message: string }[];
  /** The records as the program's `--format=csv` writes them. */
  csv: string;
}

/** One entry of a code list. Texts are as the XML shows them, brace codes decoded. */
export interface Code {
  /** As typed; `null` when the entry has none. */
  code: string | null;
  /** The code's value (`"007"` is 7, `".5"` is 0.5), `null` for a code that is no number. */
  number: number | null;
  label: string;
  /** The entry carried SPECIAL: a code such as "Refused" that is no answer. */
  special: boolean;
}

export type VariableType = 'single' | 'multiple' | 'quantity' | 'character' | 'logical';

export interface Variable {
  /** The digits after VARIABLE, as typed. */
  ident: string;
  name: string;
  label: string;
  type: VariableType;
  /** The columns the XML's position element shows; `null` where it shows none. */
  start: number | null;
  finish: number | null;
  /** The columns the variable takes in a record; 0 when it has none. */
  width: number;
  spread: { subfields: number; width: number | null } | null;
  size: number | null;
  range: { from: string; to: string } | null;
  values: Code[];
}

/** A note, and the index of the first variable after it (the number of variables when none is). */
export interface Note {
  text: string;
  before: number;
}

/** The survey an input describes; of a faulty input, everything recognised before the fault. */
export interface Survey {
  /** `'1.0'` or `'1.1'`; `null` when the input stops before VERSION. */
  version: string | null;
  standard_names: boolean;
  date: string | null;
  time: string | null;
  origin: string | null;
  user: string | null;
  title: string | null;
  /** The record identifier, one letter. */
  record: string | null;
  variables: Variable[];
  notes: Note[];
  complete: boolean;
  encoding: UsedEncoding;
  /** `null` exactly when `complete` is true. */
  diagnostic: Diagnostic | null;
}

export interface LoadOptions {
  /** The bytes of the module's `.wasm` file, when the caller has them: nothing is read or fetched. */
  wasmBinary?: ArrayBuffer | Uint8Array;
  /**
   * Browser entry only: where to fetch the `.wasm` file, by default `vqz2xml_wasm_web.wasm`
   * beside the classic script or worker that holds the code, or beside the page for a module
   * script (copy it there from the package's `dist/`).
   */
  wasmUrl?: string | URL;
}

/** A converter with a WebAssembly memory of its own. */
export function load(options?: LoadOptions): Promise<Converter>;
