// Texts the page shows for sizes and for what a conversion found.

// A size in bytes as people read it: 1,000 bytes to the kilobyte, 1,000,000 to the megabyte.
export function formatSize(bytes) {
  if (bytes < 1000) return `${bytes} ${bytes === 1 ? 'byte' : 'bytes'}`;
  if (bytes < 999950) return `${(bytes / 1000).toFixed(1)} kB`;
  if (bytes < 999950000) return `${(bytes / 1e6).toFixed(1)} MB`;
  return `${(bytes / 1e9).toFixed(1)} GB`;
}

// Whether a faulty input failed at its very first word, the VQZ every classic survey file
// begins with (after white space, if any): then it is some other kind of file (or empty), not
// a survey with a fault.
export function isNotSurveyFile(diagnostic) {
  return diagnostic !== null && diagnostic.expected === "'VQZ'";
}

// The name of an encoding as the page's encoding choice shows it.
export const encodingLabels = { latin1: 'Latin-1', cp1252: 'Windows-1252', 'utf-8': 'UTF-8' };
