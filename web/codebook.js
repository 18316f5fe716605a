// The variable list of a survey as a CSV codebook: one row for each code of each variable.

const header = ['ident', 'name', 'label', 'type', 'start', 'finish', 'width', 'code', 'code_label', 'special'];

// A field as CSV quotes it: in double quotes, doubled inside, when it holds a comma, a quote or
// a line end; absent values are empty.
function field(value) {
  if (value === null || value === undefined) return '';
  const text = String(value);
  return /[",\r\n]/.test(text) ? `"${text.replace(/"/g, '""')}"` : text;
}

function row(values) {
  return values.map(field).join(',') + '\r\n';
}

// The codebook of `survey` (the converter's readSurvey form): a variable without codes has one
// row with the code fields empty. Starts with a byte-order mark, so that spreadsheets read the
// text as UTF-8.
export function codebookCsv(survey) {
  const lines = ['\ufeff' + row(header)];
  for (const variable of survey.variables) {
    const head = [variable.ident, variable.name, variable.label, variable.type, variable.start, variable.finish, variable.width];
    if (variable.values.length === 0) lines.push(row([...head, null, null, null]));
    for (const code of variable.values) lines.push(row([...head, code.code, code.label, code.special ? 'yes' : '']));
  }
  return lines.join('');
}
