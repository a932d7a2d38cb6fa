// Draws the history report from the data embedded in the page: line charts
// with dygraphs on one shared time axis, and two hand-drawn canvases that
// follow it: each rectifier module's current as a strip, and the alarms.
(function () {
  'use strict';
  const started = performance.now();
  const data = JSON.parse(document.getElementById('report-data').textContent);
  const main = document.getElementById('charts');
  const times = data.t.map(function (t) { return data.first + t; });
  const graphs = [];
  const canvases = [];
  const points = {};

  const CHARTS = [
    { id: 'dc_voltage', title: 'DC bus voltage', y: 'V' },
    { id: 'dc_current', title: 'DC load and battery currents', y: 'A' },
    { id: 'ac_voltage', title: 'AC phase voltages', y: 'V' },
    { id: 'ac_frequency', title: 'AC frequency', y: 'Hz' },
    { id: 'rectifier_voltage', title: 'Rectifier output voltage', y: 'V' },
    { id: 'rectifier_current', title: 'Rectifier total current (sum of the modules)', y: 'A' },
  ];

  function columnsOf(test) {
    const columns = [];
    data.series.forEach(function (series, index) { if (test(series)) { columns.push(index); } });
    return columns;
  }

  function section(title) {
    const heading = document.createElement('h2');
    heading.textContent = title;
    main.appendChild(heading);
  }

  function element(tag, className) {
    const made = document.createElement(tag);
    made.className = className;
    main.appendChild(made);
    return made;
  }

  // Keeps every chart and canvas on the range the user zoomed or panned to.
  let syncing = false;
  function follow(graph, initial) {
    if (syncing || initial) { return; }
    syncing = true;
    const range = graph.xAxisRange();
    graphs.forEach(function (other) {
      const shown = other.xAxisRange();
      if (other !== graph && (shown[0] !== range[0] || shown[1] !== range[1])) {
        other.updateOptions({ dateWindow: range });
      }
    });
    canvases.forEach(function (draw) { draw(range); });
    syncing = false;
  }

  function lineChart(chart) {
    const columns = columnsOf(function (s) { return s.chart === chart.id; });
    if (columns.length === 0) { return; }
    section(chart.title);
    const div = element('div', 'chart');
    const legend = element('div', 'legend');
    let drawn = 0;
    const rows = times.map(function (time, row) {
      const line = [new Date(time)];
      columns.forEach(function (column) {
        const value = data.v[column][row];
        drawn += value === null ? 0 : 1;
        line.push(value);
      });
      return line;
    });
    points[chart.id] = drawn;
    graphs.push(new Dygraph(div, rows, {
      labels: ['time'].concat(columns.map(function (c) { return data.series[c].label; })),
      labelsUTC: true,
      ylabel: chart.y,
      labelsDiv: legend,
      labelsSeparateLines: false,
      legend: 'always',
      connectSeparatedPoints: false,
      drawGapEdgePoints: true,
      strokeWidth: 1.2,
      drawCallback: follow,
    }));
  }

  function timeToX(area, range, time) {
    return area.x + (time - range[0]) / (range[1] - range[0]) * area.w;
  }

  // A canvas as wide as the charts, drawn again whenever the range moves.
  function followingCanvas(height, draw) {
    const canvas = element('canvas', 'strip');
    const scale = window.devicePixelRatio || 1;
    canvas.style.height = height + 'px';
    canvas.width = Math.round(canvas.clientWidth * scale);
    canvas.height = Math.round(height * scale);
    const context = canvas.getContext('2d');
    function redraw(range) {
      const plot = graphs[0].getArea();
      context.setTransform(scale, 0, 0, scale, 0, 0);
      context.clearRect(0, 0, canvas.width, canvas.height);
      draw(context, { x: plot.x, w: plot.w }, range);
    }
    canvases.push(redraw);
    return redraw;
  }

  // Dark blue for no current to yellow for the highest module current.
  function currentColour(share) {
    const s = Math.max(0, Math.min(1, share));
    const r = Math.round(40 + 215 * s);
    const g = Math.round(30 + 190 * s);
    const b = Math.round(120 - 90 * s);
    return 'rgb(' + r + ',' + g + ',' + b + ')';
  }

  function moduleStrip() {
    const currents = columnsOf(function (s) { return s.chart === 'modules' && !s.status; });
    const statuses = columnsOf(function (s) { return s.chart === 'modules' && s.status; });
    if (currents.length === 0) { return; }
    section('Rectifier modules: current of each module');
    let highest = 0;
    currents.forEach(function (c) {
      data.v[c].forEach(function (value) { if (value !== null && value > highest) { highest = value; } });
    });
    const lane = currents.length > 20 ? 8 : 14;
    let drawn = 0;
    const redraw = followingCanvas(lane * currents.length, function (context, area, range) {
      context.font = '10px sans-serif';
      context.textBaseline = 'middle';
      currents.forEach(function (column, module) {
        const y = module * lane;
        context.fillStyle = '#333';
        context.fillText('M' + (module + 1), 2, y + lane / 2);
        const values = data.v[column];
        const status = data.v[statuses[module]];
        for (let row = 0; row < times.length; row++) {
          if (values[row] === null && status[row] === null) { continue; }
          const next = row + 1 < times.length && values[row + 1] !== null ? times[row + 1] : times[row];
          const x0 = Math.max(area.x, timeToX(area, range, times[row]));
          const x1 = Math.min(area.x + area.w, timeToX(area, range, next));
          if (x1 < area.x || x0 > area.x + area.w) { continue; }
          context.fillStyle = status[row] === 2 ? '#d62728'
            : status[row] === 1 ? '#aaaaaa' : currentColour(highest > 0 ? values[row] / highest : 0);
          context.fillRect(x0, y, Math.max(1, x1 - x0), lane - 1);
          drawn++;
        }
      });
    });
    points.modules = 0;
    redraw(graphs[0].xAxisRange());
    points.modules = drawn;
    element('div', 'note').textContent = 'colour: module current from 0 A (dark blue) to ' +
      highest.toFixed(1) + ' A (yellow); grey: switched off; red: faulty';
  }

  function alarmTimeline() {
    section('Alarms as the plug-in judged them');
    if (data.alarms.length === 0) {
      element('div', 'note').textContent = 'No alarm was active.';
      return;
    }
    const lane = 18;
    const redraw = followingCanvas(lane * data.alarms.length, function (context, area, range) {
      context.font = '11px sans-serif';
      context.textBaseline = 'middle';
      data.alarms.forEach(function (alarm, index) {
        const y = index * lane;
        context.fillStyle = index % 2 ? '#f4f4f4' : '#fbfbfb';
        context.fillRect(area.x, y, area.w, lane);
        context.fillStyle = alarm.level >= 2 ? '#e8726f' : alarm.level === 1 ? '#f2b65a' : '#b497d6';
        for (let i = 0; i < alarm.active.length; i += 2) {
          const x0 = Math.max(area.x, timeToX(area, range, data.first + alarm.active[i]));
          const x1 = Math.min(area.x + area.w, timeToX(area, range, data.first + alarm.active[i + 1]));
          if (x1 >= area.x && x0 <= area.x + area.w) {
            context.fillRect(x0, y + 2, Math.max(2, x1 - x0), lane - 4);
          }
        }
        context.fillStyle = '#222';
        context.fillText(alarm.name + '  (level ' + alarm.level + ')', area.x + 4, y + lane / 2);
      });
    });
    redraw(graphs[0].xAxisRange());
    points.alarms = data.alarms.length;
    element('div', 'note').textContent = 'bars: when each alarm was active; red: level 2 or more, orange: level 1';
  }

  if (times.length === 0) {
    element('p', 'note').textContent = 'The history holds no record with a round time.';
  } else {
    CHARTS.forEach(lineChart);
    moduleStrip();
    alarmTimeline();
  }
  document.body.setAttribute('data-drawn', JSON.stringify(points));
  document.body.setAttribute('data-draw-ms', String(Math.round(performance.now() - started)));
})();
