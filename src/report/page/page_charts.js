// The report page's charts: one per measure, the legend that hides and shows a curve in every chart,
// the rate axis, the spread over the pictures as error bars, and the picture selector with that
// picture's delta rates.
(function () {
  'use strict';

  const { data } = window.brenlowPage;
  const { element, figure, signed, labelledSelect } = window.brenlowPage.helpers;
  const LINE_WIDTH = 2;
  const MARKERS = {
    circle: 'circle', square: 'rect', triangle: 'triangle', diamond: 'rectRot',
    cross: 'crossRot', plus: 'cross', star: 'star'
  };
  const SPREADS = { none: 'none', sd: 'standard deviation', ci95: '95 % interval of the mean' };
  const state = { picture: 'mean', axis: 'linear', spread: 'none', hidden: new Set() };
  const charts = [];

  // ---- The points each view draws --------------------------------------------------------------

  function qualityText(point) {
    if (point.label) return point.label;
    if (point.target_bpp !== null && point.target_bpp !== undefined)
      return 'target ' + figure(point.target_bpp, 3) + ' bpp';
    return String(point.quality);
  }

  function meanPoints(curve, measure) {
    if (data.curves[curve].published) {
      const published = data.published.find((each) => each.curve === curve && each.measure === measure);
      return (published ? published.points : [])
        .filter(([bpp, value]) => bpp !== null && value !== null)
        .map(([bpp, value]) => ({ x: bpp, y: value, where: 'published mean', quality: 'n/a' }));
    }
    return data.aggregate
      .filter((point) => point.curve === curve && point.bpp !== null && point.values[measure] !== null)
      .map((point) => ({
        x: point.bpp, y: point.values[measure], where: 'mean over ' + point.counts[measure] + ' pictures',
        quality: qualityText(point), sd: point.sd[measure], ci95: point.ci[measure],
        bppSd: point.bpp_sd, bppCi95: point.bpp_ci
      }));
  }

  function picturePoints(picture, curve, measure) {
    return data.points
      .filter((point) => point.picture === picture && point.curve === curve && point.bpp !== null &&
        point.values[measure] !== null)
      .map((point) => ({ x: point.bpp, y: point.values[measure], where: data.pictures[picture],
        quality: qualityText(point) }));
  }

  function pointsOf(curve, measure) {
    return state.picture === 'mean' ? meanPoints(curve, measure) : picturePoints(state.picture, curve, measure);
  }

  // ---- Charts ----------------------------------------------------------------------------------

  function datasetOf(curve, measure) {
    const { colour, marker, dash } = curve.style;
    const index = data.curves.indexOf(curve);
    return {
      label: curve.name, data: pointsOf(index, measure), showLine: true, borderColor: colour,
      backgroundColor: colour, borderWidth: LINE_WIDTH, borderDash: dash.map((length) => length * LINE_WIDTH),
      pointStyle: MARKERS[marker] || 'circle', pointRadius: 4, pointHoverRadius: 6, pointHitRadius: 6,
      hidden: state.hidden.has(index)
    };
  }

  // Error bars for the spread over the pictures, vertical for the measure and horizontal for the
  // rate, drawn over the curves of the mean view.
  const spreadBars = {
    id: 'brenlowSpread',
    // The axes take in the bars, so that none is cut off at the chart's edge.
    afterDataLimits(chart, { scale }) {
      if (state.spread === 'none' || state.picture !== 'mean') return;
      chart.data.datasets.forEach((dataset, i) => {
        if (!chart.isDatasetVisible(i)) return;
        for (const point of dataset.data) {
          const { half, bppHalf } = spreadOf(point);
          const [value, reach] = scale.axis === 'y' ? [point.y, half] : [point.x, bppHalf];
          if (reach === null || reach === undefined) continue;
          scale.max = Math.max(scale.max, value + reach);
          if (value - reach > 0 || scale.type !== 'logarithmic') scale.min = Math.min(scale.min, value - reach);
        }
      });
    },
    afterDatasetsDraw(chart) {
      if (state.spread === 'none' || state.picture !== 'mean') return;
      const context = chart.ctx;
      const { left, right, top, bottom } = chart.chartArea;
      context.save();
      context.beginPath();
      context.rect(left, top, right - left, bottom - top);
      context.clip();
      chart.data.datasets.forEach((dataset, i) => {
        if (!chart.isDatasetVisible(i)) return;
        context.strokeStyle = dataset.borderColor;
        context.lineWidth = 1.5;
        dataset.data.forEach((point) => drawBars(chart, context, point));
      });
      context.restore();
    }
  };

  function spreadOf(point) {
    return state.spread === 'sd' ? { half: point.sd, bppHalf: point.bppSd }
      : { half: point.ci95, bppHalf: point.bppCi95 };
  }

  function drawBars(chart, context, point) {
    const { half, bppHalf } = spreadOf(point);
    const x = chart.scales.x.getPixelForValue(point.x);
    const y = chart.scales.y.getPixelForValue(point.y);
    const cap = 4;
    context.beginPath();
    if (half !== null && half !== undefined) {
      const high = chart.scales.y.getPixelForValue(point.y + half);
      const low = chart.scales.y.getPixelForValue(point.y - half);
      context.moveTo(x, high); context.lineTo(x, low);
      context.moveTo(x - cap, high); context.lineTo(x + cap, high);
      context.moveTo(x - cap, low); context.lineTo(x + cap, low);
    }
    if (bppHalf !== null && bppHalf !== undefined && point.x - bppHalf > 0) {
      const right = chart.scales.x.getPixelForValue(point.x + bppHalf);
      const left = chart.scales.x.getPixelForValue(point.x - bppHalf);
      context.moveTo(left, y); context.lineTo(right, y);
      context.moveTo(left, y - cap); context.lineTo(left, y + cap);
      context.moveTo(right, y - cap); context.lineTo(right, y + cap);
    }
    context.stroke();
  }

  // The hovered point in words, in an element of the page rather than on the canvas, so that it
  // can be read out and selected.
  function tipLines(chart, measure, item) {
    const curve = data.curves[item.datasetIndex];
    const point = item.raw;
    return [
      point.where,
      'curve: ' + curve.name,
      'settings: ' + (curve.published ? 'published curve' : curve.settings || 'the codec\'s defaults'),
      'quality: ' + point.quality,
      'bits per pixel: ' + figure(point.x, 4),
      data.measures[measure].label + ': ' + figure(point.y, 4)
    ];
  }

  function showTip(tip, measure) {
    return ({ chart, tooltip }) => {
      if (tooltip.opacity === 0 || tooltip.dataPoints.length === 0) {
        tip.hidden = true;
        return;
      }
      tip.replaceChildren(...tipLines(chart, measure, tooltip.dataPoints[0]).map((line) => element('div', {}, line)));
      tip.hidden = false;
      const room = chart.canvas.clientWidth - tip.offsetWidth - 8;
      tip.style.left = Math.max(0, Math.min(tooltip.caretX + 12, room)) + 'px';
      tip.style.top = Math.max(0, tooltip.caretY - tip.offsetHeight - 12) + 'px';
    };
  }

  function makeChart(container, measure) {
    const { key, label, higher_is_better: higher } = data.measures[measure];
    const holder = element('figure', { class: 'chart', id: 'chart-' + key });
    const title = label + ' against bits per pixel' + (higher ? '' : ', lower is better');
    holder.append(element('figcaption', {}, title));
    const box = element('div', { class: 'chart-box' });
    const canvas = element('canvas', { role: 'img', 'data-measure': key,
      'aria-label': title + ': one line per curve; the values are in the table under the chart' });
    const tip = element('div', { class: 'chart-tip', role: 'status', 'aria-live': 'polite' });
    tip.hidden = true;
    box.append(canvas, tip);
    const values = element('details', { class: 'chart-values' });
    values.append(element('summary', {}, 'The values of ' + label));
    holder.append(box, values);
    container.append(holder);
    const chart = new Chart(canvas, {
      type: 'scatter',
      data: { datasets: data.curves.map((curve) => datasetOf(curve, measure)) },
      plugins: [spreadBars],
      options: {
        animation: false, maintainAspectRatio: false,
        interaction: { mode: 'nearest', intersect: true },
        plugins: { legend: { display: false }, tooltip: { enabled: false, external: showTip(tip, measure) } },
        scales: {
          x: { type: state.axis, title: { display: true, text: 'bits per pixel' } },
          y: { type: 'linear', title: { display: true, text: label } }
        }
      }
    });
    charts.push({ chart, measure, values });
    fillValues(values, measure, chart);
  }

  // The chart's points as a table, for a reader who cannot see the chart.
  function fillValues(details, measure, chart) {
    const table = element('table');
    const head = element('tr');
    for (const name of ['curve', 'where', 'quality', 'bits per pixel', data.measures[measure].label])
      head.append(element('th', { scope: 'col' }, name));
    table.append(head);
    chart.data.datasets.forEach((dataset, i) => {
      if (state.hidden.has(i)) return;
      for (const point of dataset.data) {
        const row = element('tr');
        for (const cell of [dataset.label, point.where, point.quality, figure(point.x, 4), figure(point.y, 4)])
          row.append(element('td', {}, cell));
        table.append(row);
      }
    });
    details.querySelector('table')?.remove();
    details.append(table);
  }

  function redraw() {
    for (const { chart, measure, values } of charts) {
      chart.data.datasets = data.curves.map((curve) => datasetOf(curve, measure));
      chart.options.scales.x.type = state.axis;
      chart.update();
      fillValues(values, measure, chart);
    }
  }

  // ---- Legend and controls ---------------------------------------------------------------------

  function swatch(style) {
    const canvas = element('canvas', { width: 40, height: 14, 'aria-hidden': 'true' });
    const context = canvas.getContext('2d');
    context.strokeStyle = style.colour;
    context.fillStyle = style.colour;
    context.lineWidth = LINE_WIDTH;
    context.setLineDash(style.dash.map((length) => length * LINE_WIDTH));
    context.beginPath();
    context.moveTo(2, 7);
    context.lineTo(38, 7);
    context.stroke();
    context.setLineDash([]);
    Chart.helpers.drawPoint(context, { pointStyle: MARKERS[style.marker] || 'circle', radius: 4, borderWidth: 1 },
      20, 7);
    return canvas;
  }

  function makeLegend(container) {
    const legend = element('div', { class: 'legend', role: 'group', 'aria-label': 'Curves shown in every chart' });
    data.curves.forEach((curve, i) => {
      const button = element('button', { type: 'button', class: 'curve-toggle', 'aria-pressed': 'true',
        'data-curve': String(i) });
      button.append(swatch(curve.style), element('span', {}, curve.name));
      button.title = curve.published ? 'published curve' : curve.settings || 'the codec\'s defaults';
      button.addEventListener('click', () => {
        const shown = state.hidden.has(i);
        if (shown) state.hidden.delete(i); else state.hidden.add(i);
        button.setAttribute('aria-pressed', String(shown));
        redraw();
      });
      legend.append(button);
    });
    container.append(legend);
  }

  function makeControls(container) {
    const controls = element('div', { class: 'controls' });
    const pictures = [['mean', 'mean over the pictures'], ...data.pictures.map((name, i) => [String(i), name])];
    labelledSelect(controls, 'picture-select', 'Pictures', pictures, 'mean').addEventListener('change', (event) => {
      state.picture = event.target.value === 'mean' ? 'mean' : Number(event.target.value);
      redraw();
      showPictureDeltas();
    });
    labelledSelect(controls, 'rate-axis', 'Rate axis', [['linear', 'linear'], ['logarithmic', 'logarithmic']],
      state.axis).addEventListener('change', (event) => { state.axis = event.target.value; redraw(); });
    labelledSelect(controls, 'spread', 'Spread over the pictures', Object.entries(SPREADS), state.spread)
      .addEventListener('change', (event) => { state.spread = event.target.value; redraw(); });
    container.append(controls);
  }

  // The chosen picture's own delta rates against the report's anchor.
  function showPictureDeltas() {
    const container = document.getElementById('picture-deltas');
    if (!container) return;
    container.replaceChildren();
    if (state.picture === 'mean') return;
    const picture = state.picture;
    container.append(element('h3', {}, 'Delta rates of ' + data.pictures[picture] + ' against ' + data.anchor));
    const table = element('table', { id: 'picture-delta-table' });
    const head = element('tr');
    for (const name of ['curve', 'measure', 'interpolation', 'delta rate (%)', 'overlap'])
      head.append(element('th', { scope: 'col' }, name));
    table.append(head);
    for (const row of data.picture_deltas) {
      const weak = row.weak[picture];
      const tr = element('tr', weak ? { class: 'weak' } : {});
      for (const cell of [row.curve, row.measure, row.interpolation])
        tr.append(element('td', {}, cell));
      tr.append(element('td', { class: 'num' }, signed(row.rates[picture], 2)));
      tr.append(element('td', {}, weak ? 'weak: the curves share less than half of either\'s range' : ''));
      table.append(tr);
    }
    container.append(table);
  }

  const chartArea = document.getElementById('page-charts');
  if (chartArea) {
    makeControls(chartArea);
    makeLegend(chartArea);
    const grid = element('div', { class: 'charts' });
    chartArea.append(grid, element('div', { id: 'picture-deltas' }));
    data.measures.forEach((_, measure) => makeChart(grid, measure));
  }
})();
