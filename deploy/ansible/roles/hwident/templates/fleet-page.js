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
    "; " + (!data.compared ? "no previous collection to compare with: the next run lists what changed." :
      data.changes.length ? plural(data.changes.length, "change", "changes") +
        " since the previous collection." :
      "nothing changed since the previous collection.")));

  // --- Tables: sortable by any column, filtered by text, shown a page at a time

  // Only a page of rows is in the document at once: a table of thousands of
  // rows and a dozen columns takes Chromium seconds to lay out on every
  // sort, a page of them a few milliseconds. Sorting and filtering go over
  // every row; a row's element is made the first time it is shown.
  var PAGE_ROWS = 250;

  function pagedTable(container, id, header, rows, rowClass) {
    var tools = element("div", "tools");
    var filter = element("input");
    filter.type = "search";
    filter.id = id + "-filter";
    filter.placeholder = "Show rows holding\u2026";
    filter.setAttribute("aria-label", "Show only the rows holding this text");
    var shown = element("span", "shown");
    var previous = element("button", "", "\u2190 Previous");
    var next = element("button", "", "Next \u2192");
    previous.type = next.type = "button";
    [filter, shown, previous, next].forEach(function (node) { tools.appendChild(node); });
    container.appendChild(tools);

    var node = element("table");
    node.id = id;
    var head = node.createTHead().insertRow();
    header.forEach(function (name) { head.appendChild(element("th", "", name)); });
    var body = node.createTBody();
    var scroll = element("div", "scroll");
    scroll.appendChild(node);
    container.appendChild(scroll);

    var entries = rows.map(function (cells) {
      return { cells: cells, text: cells.join("\n").toLowerCase(), tr: null };
    });
    var needle = "";
    var matching = entries;
    var first = 0;

    function rowOf(entry) {
      if (!entry.tr) {
        entry.tr = document.createElement("tr");
        if (rowClass) entry.tr.className = rowClass(entry.cells);
        entry.cells.forEach(function (cell) { entry.tr.insertCell().textContent = cell; });
      }
      return entry.tr;
    }

    function select() {
      matching = needle === "" ? entries : entries.filter(function (entry) {
        return entry.text.indexOf(needle) >= 0;
      });
      first = 0;
    }

    function draw() {
      var page = document.createDocumentFragment();
      matching.slice(first, first + PAGE_ROWS).forEach(function (entry) {
        page.appendChild(rowOf(entry));
      });
      body.textContent = "";
      body.appendChild(page);
      var last = Math.min(first + PAGE_ROWS, matching.length);
      var paged = matching.length > PAGE_ROWS;
      shown.textContent = (matching.length === entries.length ? "" : matching.length + " of ") +
        plural(entries.length, "row", "rows") + " shown" +
        (paged ? ", " + (first + 1) + "\u2013" + last + " here" : "");
      previous.hidden = next.hidden = !paged;
      previous.disabled = first === 0;
      next.disabled = last >= matching.length;
    }

    filter.addEventListener("input", function () {
      needle = filter.value.trim().toLowerCase();
      select();
      draw();
    });
    previous.addEventListener("click", function () {
      first = Math.max(0, first - PAGE_ROWS);
      draw();
    });
    next.addEventListener("click", function () {
      first += PAGE_ROWS;
      draw();
    });

    // Sorting a column again reverses it; rows equal in that column keep
    // their previous order, and empty cells sink to the bottom either way.
    var headers = Array.prototype.slice.call(head.cells);
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
        select();
        draw();
      }
      th.addEventListener("click", sort);
      th.addEventListener("keydown", function (event) {
        if (event.key === "Enter" || event.key === " ") {
          event.preventDefault();
          sort();
        }
      });
    });
    draw();
  }

  // --- Changes, first when there are any ------------------------------------

  if (data.changes.length) {
    pagedTable(section("changes", "Changes since the previous collection"), "changes",
      ["host", "change", "property", "previous", "current"], data.changes,
      function (cells) { return "change-" + cells[1].replace(/ /g, "-"); });
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

  // --- The whole table ---------------------------------------------------------

  pagedTable(section("hosts", "Every host"), "fleet", data.columns, data.rows,
    function (cells) { return answered(cells) ? "" : "failed"; });
}());
