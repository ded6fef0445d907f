// What every part of the report page shares: its data, read once from the page's JSON data island,
// each curve's style, and the helpers that put stored text into the page as text (textContent,
// never HTML).
window.brenlowPage = (function () {
  'use strict';

  const data = JSON.parse(document.getElementById('brenlow-data').textContent);

  function element(tag, attributes, text) {
    const made = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes || {})) made.setAttribute(name, value);
    if (text !== undefined) made.textContent = text;
    return made;
  }

  function figure(value, decimals) {
    return value === null || value === undefined ? 'n/a' : value.toFixed(decimals);
  }

  function signed(value, decimals) {
    if (value === null || value === undefined) return 'n/a';
    return (value > 0 ? '+' : '') + value.toFixed(decimals);
  }

  function styleOf(name) {
    const curve = data.curves.find((each) => each.name === name);
    return curve ? curve.style : null;
  }

  function labelledSelect(container, id, label, options, chosen) {
    const wrapper = element('label', { for: id }, label + ' ');
    const select = element('select', { id: id });
    for (const [value, text] of options) select.append(element('option', { value: value }, text));
    select.value = chosen;
    container.append(wrapper, select);
    return select;
  }

  return { data, styleOf, helpers: { element, figure, signed, labelledSelect } };
})();
