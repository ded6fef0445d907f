// The report page's delta-rate table: sorted by clicking (or Enter on) a column's title, filtered by
// anchor, measure and interpolation, with the weak overlaps marked.
(function () {
  'use strict';

  const { data } = window.brenlowPage;
  const { element, signed, labelledSelect } = window.brenlowPage.helpers;

  const DELTA_COLUMNS = [
    { title: 'curve', value: (row) => row.curve },
    { title: 'measure', value: (row) => row.measure },
    { title: 'interpolation', value: (row) => row.interpolation },
    { title: 'delta rate (%)', value: (row) => row.rate, numeric: true, decimals: 2 },
    { title: 'delta quality', value: (row) => row.quality, numeric: true, decimals: 3 }
  ];

  function compared(a, b, column) {
    const x = column.value(a);
    const y = column.value(b);
    if (x === null || y === null) return (x === null) - (y === null);
    return column.numeric ? x - y : String(x).localeCompare(String(y));
  }

  function deltaRowElement(row) {
    const tr = element('tr', row.weak ? { class: 'weak' } : {});
    for (const column of DELTA_COLUMNS) {
      const value = column.value(row);
      tr.append(element('td', column.numeric ? { class: 'num' } : {},
        column.numeric ? signed(value, column.decimals) : value));
    }
    tr.append(element('td', {}, row.weak ? 'weak: the curves share less than half of either\'s range' : ''));
    return tr;
  }

  function makeDeltaExplorer(container) {
    const sort = { column: -1, direction: 'none' };
    const controls = element('div', { class: 'controls' });
    const anchors = [...new Set(data.deltas.map((row) => row.anchor))];
    const anchor = labelledSelect(controls, 'delta-anchor', 'Anchor', anchors.map((name) => [name, name]),
      anchors.includes(data.anchor) ? data.anchor : anchors[0] || '');
    const measure = labelledSelect(controls, 'delta-measure', 'Measure',
      [['', 'every measure'], ...data.measures.map((each) => [each.key, each.label])], '');
    const interpolation = labelledSelect(controls, 'delta-interpolation', 'Interpolation',
      [['', 'both'], ['cubic', 'cubic'], ['pchip', 'PCHIP']], '');
    const table = element('table', { id: 'delta-table' });
    const head = element('tr');
    const headers = DELTA_COLUMNS.map((column, i) => {
      const th = element('th', { scope: 'col', 'aria-sort': 'none' });
      const button = element('button', { type: 'button', class: 'sort' }, column.title);
      button.addEventListener('click', () => {
        sort.direction = sort.column === i && sort.direction === 'ascending' ? 'descending' : 'ascending';
        sort.column = i;
        fill();
      });
      th.append(button);
      head.append(th);
      return th;
    });
    head.append(element('th', { scope: 'col' }, 'overlap'));
    const body = element('tbody');
    table.append(element('thead'), body);
    table.tHead.append(head);

    function fill() {
      let rows = data.deltas.filter((row) => row.anchor === anchor.value &&
        (!measure.value || row.measure === measure.value) &&
        (!interpolation.value || row.interpolation === interpolation.value));
      if (sort.column >= 0) {
        const column = DELTA_COLUMNS[sort.column];
        rows = rows.slice().sort((a, b) => compared(a, b, column) * (sort.direction === 'ascending' ? 1 : -1));
      }
      headers.forEach((th, i) => th.setAttribute('aria-sort', i === sort.column ? sort.direction : 'none'));
      body.replaceChildren(...rows.map(deltaRowElement));
    }
    for (const select of [anchor, measure, interpolation]) select.addEventListener('change', fill);
    fill();
    container.append(controls, table);
  }


  const deltaArea = document.getElementById('page-deltas');
  if (deltaArea) makeDeltaExplorer(deltaArea);
})();
