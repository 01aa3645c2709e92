#include "cli/report/page_assets.h"

#include "cli/report/html_text.h"

namespace quorvel::cli::report {

const char kPageStyle[] = R"CSS(
:root { --ink:#1d2330; --muted:#5d6675; --line:#d9dde4; --card:#fff; --page:#f3f5f8;
        --flag:#b2182b; --flag-bg:#fde4e4; --ok:#1f7a4d; }
* { box-sizing: border-box; }
body { margin:0; background:var(--page); color:var(--ink);
       font:14px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif; }
main { max-width:1120px; margin:0 auto; padding:20px 24px 40px; }
header.page { background:#1d2330; color:#fff; padding:18px 24px 16px; }
header.page .inner { max-width:1120px; margin:0 auto; padding:0 24px; }
header.page h1 { margin:0 0 4px; font-size:22px; font-weight:600; word-break:break-all; }
header.page .sub { color:#c2c9d6; font-size:13px; }
section.card { background:var(--card); border:1px solid var(--line); border-radius:8px;
               padding:16px 18px; margin:16px 0; }
h2 { font-size:16px; margin:0 0 10px; }
h3 { font-size:14px; margin:0 0 6px; }
p.note { color:var(--muted); margin:4px 0 10px; font-size:13px; }
dl.facts { display:grid; grid-template-columns:max-content 1fr; gap:2px 16px; margin:0; }
dl.facts dt { color:var(--muted); }
dl.facts dd { margin:0; font-variant-numeric:tabular-nums; word-break:break-all; }
.columns { display:grid; grid-template-columns:1fr 1fr; gap:16px; }
@media (max-width:800px) { .columns { grid-template-columns:1fr; } }
table { border-collapse:collapse; width:100%; font-variant-numeric:tabular-nums; }
th, td { text-align:left; padding:4px 8px; border-bottom:1px solid var(--line); }
th { font-weight:600; color:var(--muted); font-size:12px; }
td.num, th.num { text-align:right; }
tr.beyond td, td.flagged { background:var(--flag-bg); color:var(--flag); font-weight:600; }
.badge { display:inline-block; padding:1px 7px; border-radius:10px; font-size:12px;
         font-weight:600; }
.badge.flag { background:var(--flag-bg); color:var(--flag); }
.badge.ok { background:#e1f3e8; color:var(--ok); }
ul.verdicts, ul.warnings { margin:0; padding-left:20px; }
ul.warnings li { color:#8a4b00; }
.mosaics { display:grid; grid-template-columns:1fr 1fr; gap:18px; }
@media (max-width:900px) { .mosaics { grid-template-columns:1fr; } }
figure.mosaic { margin:0; }
figure.mosaic img.slices { width:100%; height:auto; image-rendering:pixelated;
                           background:#000; border-radius:4px; display:block; }
figure.mosaic figcaption { font-size:12.5px; color:var(--muted); margin-top:6px; }
.colourbar { display:grid; grid-template-columns:1fr; margin-top:6px; }
.colourbar img { width:100%; height:12px; border-radius:2px; display:block; }
.colourbar .ticks { position:relative; height:16px; font-size:11px; color:var(--muted); }
.colourbar .ticks span { position:absolute; transform:translateX(-50%); white-space:nowrap; }
.colourbar .ticks span:first-child { transform:none; }
.colourbar .ticks span:last-child { transform:translateX(-100%); }
svg.timeline { width:100%; height:auto; display:block; }
svg text { font:11px system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif;
           fill:#5d6675; }
svg text.panel-title { font-size:12px; font-weight:600; fill:#1d2330; }
svg text.threshold-label { fill:#b2182b; font-size:10.5px; }
svg rect.panel { fill:#fafbfc; stroke:#e3e6eb; }
svg polyline.series { fill:none; stroke-width:1.3; stroke-linejoin:round; }
svg line.threshold { stroke:#b2182b; stroke-dasharray:5 3; stroke-width:1; }
svg rect.mark { fill:#e8a33d; opacity:0.28; }
svg line.axis-line { stroke:#8a919c; }
svg line.cursor { stroke:#1d2330; stroke-width:1; pointer-events:none; }
svg rect.hover-surface { fill:transparent; cursor:crosshair; }
svg image.carpet-image { image-rendering:pixelated; }
svg circle.run { stroke:#fff; stroke-width:1; }
svg circle.run.flagged { fill:#b2182b; }
#tip { position:absolute; pointer-events:none; background:#1d2330; color:#fff; font-size:12px;
       padding:6px 9px; border-radius:5px; white-space:pre; display:none; z-index:10;
       box-shadow:0 2px 8px rgba(0,0,0,.25); font-variant-numeric:tabular-nums; }
details summary { cursor:pointer; color:var(--muted); }
pre.log { font-size:12px; background:#f6f7f9; padding:8px; overflow:auto; max-height:320px; }
table.sortable th { cursor:pointer; user-select:none; white-space:nowrap; }
table.sortable th[aria-sort=ascending]::after { content:" \25B2"; }
table.sortable th[aria-sort=descending]::after { content:" \25BC"; }
.strips { display:grid; grid-template-columns:1fr 1fr; gap:10px 24px; }
@media (max-width:900px) { .strips { grid-template-columns:1fr; } }
a { color:#2c5aa0; }
table.runs td:first-child { white-space:nowrap; }
table.runs th:first-child, table.runs td:first-child { position:sticky; left:0; z-index:1;
  background:var(--card); }
)CSS";

const char kHoverScript[] = R"JS(
(function () {
  var tip = document.getElementById('tip');
  function show(text, event) {
    tip.textContent = text;
    tip.style.display = 'block';
    var x = event.pageX + 14, y = event.pageY + 14;
    if (x + tip.offsetWidth > window.scrollX + document.documentElement.clientWidth) {
      x = event.pageX - tip.offsetWidth - 14;
    }
    tip.style.left = x + 'px';
    tip.style.top = y + 'px';
  }
  function hide() { tip.style.display = 'none'; }
  document.addEventListener('mouseover', function (event) {
    var text = event.target.getAttribute && event.target.getAttribute('data-tip');
    if (text) show(text, event);
  });
  document.addEventListener('mouseout', function (event) {
    if (event.target.getAttribute && event.target.getAttribute('data-tip')) hide();
  });

  var svg = document.getElementById('timeline');
  var source = document.getElementById('timeline-data');
  if (!svg || !source) return;
  var data = JSON.parse(source.textContent);
  var cursor = document.getElementById('timeline-cursor');
  var surface = document.getElementById('timeline-hover');
  var marked = {};
  data.marked.forEach(function (v) { marked[v] = true; });
  function format(value) {
    if (value === null || value === undefined) return 'n/a';
    return Math.abs(value) >= 1000 || value === Math.round(value)
        ? String(Math.round(value * 100) / 100) : value.toPrecision(4);
  }
  surface.addEventListener('mousemove', function (event) {
    var point = svg.createSVGPoint();
    point.x = event.clientX;
    point.y = event.clientY;
    var at = point.matrixTransform(svg.getScreenCTM().inverse());
    var v = Math.floor((at.x - data.left) / data.width * data.volumes);
    v = Math.max(0, Math.min(data.volumes - 1, v));
    var stride = data.stride || 1;
    v -= v % stride;
    var x = data.left + (v + 0.5) * data.width / data.volumes;
    cursor.setAttribute('x1', x);
    cursor.setAttribute('x2', x);
    cursor.setAttribute('visibility', 'visible');
    var lines = ['Volume ' + (v + 1) + ' of ' + data.volumes +
                 (data.tr ? '  (t = ' + format(v * data.tr) + ' s)' : '') +
                 (marked[v + 1] ? '  - marked' : '')];
    data.traces.forEach(function (trace) {
      lines.push(trace.label + ': ' + format(trace.values[v / stride]));
    });
    show(lines.join('\n'), event);
  });
  surface.addEventListener('mouseleave', function () {
    cursor.setAttribute('visibility', 'hidden');
    hide();
  });
})();
)JS";

const char kSortScript[] = R"JS(
(function () {
  document.querySelectorAll('table.sortable').forEach(function (table) {
    var body = table.tBodies[0];
    table.querySelectorAll('th').forEach(function (th, column) {
      th.addEventListener('click', function () {
        var ascending = th.getAttribute('aria-sort') !== 'ascending';
        table.querySelectorAll('th').forEach(function (h) { h.removeAttribute('aria-sort'); });
        th.setAttribute('aria-sort', ascending ? 'ascending' : 'descending');
        var rows = Array.prototype.slice.call(body.rows);
        function key(row) {
          var cell = row.cells[column];
          var value = cell.getAttribute('data-value');
          return value === null ? cell.textContent : (value === '' ? null : parseFloat(value));
        }
        rows.sort(function (a, b) {
          var x = key(a), y = key(b);
          if (x === null || y === null) return x === y ? 0 : (x === null ? 1 : -1);
          var order = typeof x === 'number' && typeof y === 'number'
              ? x - y : String(x).localeCompare(String(y));
          return ascending ? order : -order;
        });
        rows.forEach(function (row) { body.appendChild(row); });
      });
    });
  });
})();
)JS";

std::string pageHead(const std::string& title) {
  return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
         "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
         "img-src data:; style-src 'unsafe-inline'; script-src 'unsafe-inline'\">"
         "<title>" +
         escapeHtml(title) + "</title><style>" + kPageStyle + "</style></head>";
}

}  // namespace quorvel::cli::report
