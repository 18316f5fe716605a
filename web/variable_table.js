// The table of a survey's variables, each one's code list shown on demand.
import { element } from './dom.js';

// Rows made at once: a survey of many thousand variables would slow the page, and the
// codebook download holds them all.
export const shownVariables = 500;

// The columns a variable takes, as "12" or "12–15", or a dash when it has none.
export function columnsText(variable) {
  if (variable.start === null) return '—';
  if (variable.finish === null || variable.finish === variable.start) return String(variable.start);
  return `${variable.start}–${variable.finish}`;
}

function codeList(variable) {
  return element('table', { class: 'codes' },
    element('caption', { text: `Codes of ${variable.name || variable.ident}` }),
    element('thead', {}, element('tr', {},
      element('th', { scope: 'col', text: 'Code' }), element('th', { scope: 'col', text: 'Label' }))),
    element('tbody', {}, ...variable.values.map((code) => element('tr', {},
      element('td', { text: code.code ?? '' }),
      element('td', {}, code.label, code.special ? element('span', { class: 'special', text: ' (special)' }) : '')))));
}

// The button that opens and closes the code list in the row after its own; the list is made
// the first time it is opened.
function codesButton(variable, detailsRow) {
  const count = variable.values.length;
  const button = element('button', { type: 'button', class: 'codes-toggle', 'aria-expanded': 'false',
    'aria-controls': detailsRow.id, text: `${count} ${count === 1 ? 'code' : 'codes'}` });
  button.addEventListener('click', () => {
    const open = button.getAttribute('aria-expanded') !== 'true';
    if (open && !detailsRow.firstChild) detailsRow.append(element('td', { colspan: '6' }, codeList(variable)));
    button.setAttribute('aria-expanded', String(open));
    detailsRow.hidden = !open;
  });
  return button;
}

// The variables of `survey` in a table named after `fileName`; `idPrefix` makes the ids of
// its code lists unique on the page.
export function variableTable(survey, fileName, idPrefix) {
  const body = element('tbody');
  survey.variables.slice(0, shownVariables).forEach((variable, index) => {
    const detailsRow = element('tr', { class: 'code-row', id: `${idPrefix}-codes-${index}`, hidden: true });
    const codes = variable.values.length === 0 ? element('span', { class: 'muted', text: 'none' }) : codesButton(variable, detailsRow);
    body.append(element('tr', {},
      element('th', { scope: 'row', text: variable.ident }),
      element('td', { text: variable.name }),
      element('td', { text: variable.label }),
      element('td', { text: variable.type }),
      element('td', { class: 'number', text: columnsText(variable) }),
      element('td', {}, codes)), detailsRow);
  });
  const count = survey.variables.length;
  const caption = `Variables of ${fileName}` + (count > shownVariables ? ` (the first ${shownVariables} of ${count})` : '');
  const table = element('table', { class: 'variables' },
    element('caption', { text: caption }),
    element('thead', {}, element('tr', {}, ...['Ident', 'Name', 'Label', 'Type', 'Columns', 'Codes']
      .map((heading) => element('th', { scope: 'col', text: heading })))),
    body);
  // The region scrolls on its own, reached with Tab so that the keyboard can scroll it.
  return element('div', { class: 'table-scroll', role: 'region', tabindex: '0', 'aria-label': caption }, table);
}
