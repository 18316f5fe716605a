// Names of the outputs: one per input as the program names it, and unique ones inside a zip.

// The output's name as the program gives it: the input's name up to its first ".", and ".xml".
export function outputName(inputName) {
  const stem = inputName.split('.')[0];
  return (stem || inputName.replace(/\.[^.]*$/, '') || 'output') + '.xml';
}

// Each output under a name of its own in a zip: a second "a.xml" becomes "a (2).xml", letter
// case ignored since many file systems ignore it too.
export function zipNames(names) {
  const used = new Set();
  return names.map((name) => {
    let unique = name;
    for (let n = 2; used.has(unique.toLowerCase()); ++n) unique = name.replace(/(\.xml)?$/, ` (${n})$1`);
    used.add(unique.toLowerCase());
    return unique;
  });
}
