// Draws the fleet page from the JSON beside this script. Every piece of
// report text goes into the page through textContent (or an SVG text
// node's), never as markup, so a value holding tags shows as those tags.
(function () {
  "use strict";

  var data = JSON.parse(document.getElementById("fleet-data").textContent);
  var page = document.getElementById("page");
  var SVG = "http://www.w3.org/2000/svg";
  // Charts show the most frequent values; the rest are summed in one line,
  // so a column with a value per host (serials) cannot make the page huge.
  var CHART_BARS = 15;
  var LABEL_CHARS = 38;
  var collator = new Intl.Collator(undefined, { numeric: true, sensitivity: "base" });

  function element(tag, className, text) {
    var node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  function svgElement(tag, attributes, text) {
    var node = document.createElementNS(SVG, tag);
    Object.keys(attributes).forEach(function (name) {
      node.setAttribute(name, String(attributes[name]));
    });
    if (text !== undefined) node.textContent = text;
    return node;
  }

  function answered(row) {
    return row[1] === "ok";
  }

  function section(id, title) {
    var node = element("section");
    node.id = id;
    node.appendChild(element("h2", "", title));
    page.appendChild(node);
    return node;
  }

  function plural(count, one, many) {
    return count + " " + (count === 1 ? one : many);
  }

  // --- Summary ------------------------------------------------------------

  var failedRows = data.rows.filter(function (row) { return !answered(row); });
  var summary = document.getElementById("summary");
  summary.appendChild(document.createTextNode(
    plural(data.rows.length, "host", "hosts") + ", " +
    (data.rows.length - failedRows.length) + " answering; "));
  summary.appendChild(element("span", failedRows.length ? "failed-count" : "",
    plural(failedRows.length, "host", "hosts") + " failed or unreachable"));
  summary.appendChild(document.createTextNode(
    "; " + (data.compared ?
      plural(data.changes.length, "change", "changes") + " since the previous collection." :
      "no previous collection to compare with.")));

  // --- Changes, first when there are any ------------------------------------

  function table(header, rows, rowClass) {
    var node = element("table");
    var head = node.createTHead().insertRow();
    header.forEach(function (name) { head.appendChild(element("th", "", name)); });
    var body = node.createTBody();
    rows.forEach(function (cells) {
      var tr = body.insertRow();
      if (rowClass) tr.className = rowClass(cells);
      cells.forEach(function (cell) { tr.insertCell().textContent = cell; });
    });
    return node;
  }

  if (data.changes.length) {
    var changes = section("changes", "Changes since the previous collection");
    var changeTable = table(["host", "change", "property", "previous", "current"], data.changes,
      function (cells) { return "change-" + cells[1].replace(/ /g, "-"); });
    var changeScroll = element("div", "scroll");
    changeScroll.appendChild(changeTable);
    changes.appendChild(changeScroll);
  }

  // --- Counts ---------------------------------------------------------------

  // Memory sizes differ by the few megabytes each firmware keeps, so byte
  // counts are summed by whole GiB; any other value is counted as it is.
  function countedValue(chart, cell) {
    if (chart.unit === "bytes") {
      var digits = /^"?(\d+)"?$/.exec(cell);
      if (digits) return Math.round(Number(digits[1]) / 1073741824) + " GiB";
    }
    return cell;
  }

  function counts(chart, index) {
    var byValue = new Map();
    data.rows.forEach(function (row) {
      if (!answered(row)) return;
      var value = index < 0 || row[index] === "" ? "(not in the report)" :
        countedValue(chart, row[index]);
      byValue.set(value, (byValue.get(value) || 0) + 1);
    });
    return Array.from(byValue.entries()).sort(function (a, b) {
      return b[1] - a[1] || collator.compare(a[0], b[0]);
    });
  }

  function shortened(text) {
    return text.length > LABEL_CHARS ? text.slice(0, LABEL_CHARS - 1) + "\u2026" : text;
  }

  // Plain SVG: one bar per value, its label beside it and the full value in
  // the bar's tooltip.
  function barChart(entries, total) {
    var rowHeight = 20, labelWidth = 300, barWidth = 240, width = labelWidth + barWidth + 50;
    var most = entries.length ? entries[0][1] : 1;
    var svg = svgElement("svg", {
      viewBox: "0 0 " + width + " " + Math.max(entries.length * rowHeight, 1),
      role: "img",
    });
    entries.forEach(function (entry, i) {
      var y = i * rowHeight;
      var group = svgElement("g", { "class": "bar", "data-value": entry[0] });
      group.appendChild(svgElement("title", {}, entry[0] + ": " + entry[1] + " of " + total));
      group.appendChild(svgElement("text", {
        "class": "label", x: labelWidth - 8, y: y + 14, "text-anchor": "end",
      }, shortened(entry[0])));
      group.appendChild(svgElement("rect", {
        x: labelWidth, y: y + 3, height: rowHeight - 6,
        width: Math.max(1, Math.round(barWidth * entry[1] / most)),
      }));
      group.appendChild(svgElement("text", {
        "class": "count", x: labelWidth + Math.round(barWidth * entry[1] / most) + 6, y: y + 14,
      }, String(entry[1])));
      svg.appendChild(group);
    });
    return svg;
  }

  var answering = data.rows.length - failedRows.length;
  if (data.counts.length && answering) {
    var countSection = section("counts", "Counts");
    var charts = element("div", "charts");
    data.counts.forEach(function (chart) {
      var index = data.columns.indexOf(chart.column);
      var entries = counts(chart, index);
      var box = element("div", "chart");
      box.dataset.column = chart.column;
      var title = element("h3", "", chart.title + " ");
      if (chart.title !== chart.column) title.appendChild(element("span", "column", chart.column));
      box.appendChild(title);
      box.appendChild(barChart(entries.slice(0, CHART_BARS), answering));
      if (entries.length > CHART_BARS) {
        var rest = entries.slice(CHART_BARS);
        var hosts = rest.reduce(function (sum, entry) { return sum + entry[1]; }, 0);
        box.appendChild(element("p", "more", "and " + plural(rest.length, "other value", "other values") +
          " on " + plural(hosts, "host", "hosts")));
      }
      charts.appendChild(box);
    });
    countSection.appendChild(charts);
  }

  // --- The whole table, sortable and filterable -------------------------------

  var hostsSection = section("hosts", "Every host");
  var tools = element("div", "tools");
  var filter = element("input");
  filter.type = "search";
  filter.id = "filter";
  filter.placeholder = "Show rows holding\u2026";
  filter.setAttribute("aria-label", "Show only the rows holding this text");
  var shown = element("span", "shown");
  tools.appendChild(filter);
  tools.appendChild(shown);
  hostsSection.appendChild(tools);

  var hostTable = table(data.columns, [], null);
  hostTable.id = "fleet";
  var body = hostTable.tBodies[0];
  var fragment = document.createDocumentFragment();
  var entries = data.rows.map(function (cells) {
    var tr = document.createElement("tr");
    if (!answered(cells)) tr.className = "failed";
    cells.forEach(function (cell, i) {
      var td = tr.insertCell();
      td.textContent = cell;
      if (i === 1) td.className = "result";
    });
    fragment.appendChild(tr);
    return { tr: tr, cells: cells, text: cells.join("\n").toLowerCase() };
  });
  body.appendChild(fragment);
  var scroll = element("div", "scroll");
  scroll.appendChild(hostTable);
  hostsSection.appendChild(scroll);

  function showCount() {
    var visible = entries.reduce(function (n, entry) { return n + (entry.tr.hidden ? 0 : 1); }, 0);
    shown.textContent = visible + " of " + plural(entries.length, "host", "hosts") + " shown";
  }

  filter.addEventListener("input", function () {
    var needle = filter.value.trim().toLowerCase();
    entries.forEach(function (entry) {
      entry.tr.hidden = needle !== "" && entry.text.indexOf(needle) < 0;
    });
    showCount();
  });

  // Sorting a column again reverses it; rows equal in that column keep
  // their previous order, and empty cells sink to the bottom either way.
  var headers = Array.prototype.slice.call(hostTable.tHead.rows[0].cells);
  headers.forEach(function (th, index) {
    th.tabIndex = 0;
    function sort() {
      var descending = th.getAttribute("aria-sort") === "ascending";
      headers.forEach(function (other) { other.removeAttribute("aria-sort"); });
      th.setAttribute("aria-sort", descending ? "descending" : "ascending");
      entries.forEach(function (entry, position) { entry.position = position; });
      entries.sort(function (a, b) {
        var x = a.cells[index], y = b.cells[index];
        if ((x === "") !== (y === "")) return x === "" ? 1 : -1;
        var order = collator.compare(x, y);
        return (descending ? -order : order) || a.position - b.position;
      });
      var sorted = document.createDocumentFragment();
      entries.forEach(function (entry) { sorted.appendChild(entry.tr); });
      body.appendChild(sorted);
    }
    th.addEventListener("click", sort);
    th.addEventListener("keydown", function (event) {
      if (event.key === "Enter" || event.key === " ") {
        event.preventDefault();
        sort();
      }
    });
  });
  showCount();

  if (!data.changes.length) {
    page.appendChild(element("p", "note", data.compared ?
      "Nothing changed since the previous collection." :
      "This is the first collection kept here: the next one will list what changed."));
  }
}());
