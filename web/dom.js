// The one helper the page's views build their elements with.

// An element with attributes (`text` sets its text) and children.
export function element(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes)) {
    if (name === 'text') node.textContent = value;
    else if (value !== null && value !== undefined && value !== false) node.setAttribute(name, value === true ? '' : value);
  }
  node.append(...children);
  return node;
}
