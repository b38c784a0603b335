"""Opens fleet.html in Debian's Chromium, headless, the way a person would
use it, and checks what it shows against the CSV files beside it.

Nothing may leave the page. Chromium resolves no host name here (every name
maps to NOTFOUND) and its proxy is a port that refuses, so a regression
cannot reach the network even by accident; the check itself is the
DevTools log of every request the page made (which lists failed requests
too), which must hold the page's own file alone, the page's resource timing
entries, which must be none, and the page's content security policy
violations, which must be none too: the policy refuses a request before it
is made, so an attempt shows there and nowhere else.
"""

import csv
import io
import json
import os
import re

GIB = 1024 ** 3
NOT_IN_REPORT = "(not in the report)"
LABEL_CHARS = 38


def available():
    """Why the browser check cannot run here, or None when it can."""
    try:
        import selenium  # noqa: F401 pylint: disable=import-outside-toplevel,unused-import
    except ImportError:
        return "python3-selenium is not installed"
    for program in ("/usr/bin/chromium", "/usr/bin/chromedriver"):
        if not os.access(program, os.X_OK):
            return f"{program} is not installed"
    return None


def start_browser():
    # pylint: disable=import-outside-toplevel
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    # CI runs as root, where Chromium's sandbox cannot start.
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--window-size=1400,1000", "--host-resolver-rules=MAP * ~NOTFOUND",
                     "--proxy-server=http://127.0.0.1:9", "--disable-background-networking",
                     "--no-first-run", "--disable-extensions"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def read_csv(path):
    with open(path, "rb") as table:
        text = table.read().decode("utf-8", "replace")
    return list(csv.reader(io.StringIO(text, newline="")))


def counted(cell, unit):
    if unit == "bytes":
        digits = re.fullmatch(r'"?(\d+)"?', cell)
        if digits:
            return f"{round(int(digits.group(1)) / GIB)} GiB"
    return cell


def expected_counts(table, column, unit):
    """{shown value: hosts} over the answering hosts, from fleet.csv."""
    header, rows = table[0], table[1:]
    index = header.index(column) if column in header else None
    counts = {}
    for row in rows:
        if row[1] != "ok":
            continue
        value = NOT_IN_REPORT if index is None or row[index] == "" else counted(row[index], unit)
        counts[value] = counts.get(value, 0) + 1
    return counts


def shown_rows(driver, selector):
    """The cells of the rows a person sees in the table, top to bottom."""
    return driver.execute_script("""
        return Array.from(document.querySelectorAll(arguments[0]))
          .filter(function (tr) { return tr.offsetParent !== null; })
          .map(function (tr) {
            return Array.from(tr.cells).map(function (td) { return td.textContent; });
          });""", selector)


def requests_made(driver, page_url):
    """Every URL the page asked for, besides its own."""
    urls = []
    for entry in driver.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message.get("method") == "Network.requestWillBeSent":
            url = message["params"]["request"]["url"]
            if url != page_url:
                urls.append(url)
    return urls


def check_page(page, counts, expected_changes, hostile, screenshot, check):
    """Runs every check, reporting each failure through check(condition, what).

    counts: the page's charts as the role was given them (column, unit);
    expected_changes: changes.csv's rows without the header; hostile: a
    value that must show as text and run nothing."""
    # pylint: disable=import-outside-toplevel
    from selenium.webdriver.common.by import By

    reports = os.path.dirname(page)
    table = read_csv(os.path.join(reports, "fleet.csv"))
    page_url = "file://" + page
    driver = start_browser()
    try:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": """
            window.refused = [];
            document.addEventListener('securitypolicyviolation', function (event) {
              window.refused.push(event.violatedDirective + ' ' + event.blockedURI);
            });"""})
        driver.get(page_url)
        check(driver.execute_script("return document.readyState") == "complete",
              "page: not loaded")

        # Counts: every chart's bars against the CSV.
        for chart in counts:
            column, unit = chart["column"], chart.get("unit", "")
            bars = driver.execute_script("""
                var column = arguments[0];
                var chart = Array.from(document.querySelectorAll('.chart')).find(
                  function (c) { return c.dataset.column === column; });
                if (!chart) return null;
                return Array.from(chart.querySelectorAll('g.bar')).map(function (g) {
                  return [g.dataset.value, g.querySelector('text.label').textContent,
                          g.querySelector('text.count').textContent];
                });""", column)
            if not check(bars is not None, f"page: no chart for {column}"):
                continue
            shown = {value: int(count) for value, _, count in bars}
            check(shown == expected_counts(table, column, unit),
                  f"page: counts of {column} {shown}, fleet.csv gives "
                  f"{expected_counts(table, column, unit)}")
            for value, label, _ in bars:
                check(label == value or (label.endswith("\u2026") and value.startswith(label[:-1])
                                         and len(label) == LABEL_CHARS),
                      f"page: bar label {label!r} for {value!r}")

        # The table: every host, as fleet.csv has it, failed hosts marked.
        rows = shown_rows(driver, "#fleet tbody tr")
        check(rows == table[1:], f"page: table rows {rows}, fleet.csv has {table[1:]}")
        marked = driver.execute_script("""
            return Array.from(document.querySelectorAll('#fleet tbody tr.failed'))
              .map(function (tr) { return tr.cells[0].textContent; });""")
        failed = [row[0] for row in table[1:] if row[1] != "ok"]
        check(marked == failed, f"page: hosts marked failed {marked}, expected {failed}")

        # Sorting by host, then again the other way.
        header = driver.find_elements(By.CSS_SELECTOR, "#fleet thead th")[0]
        hosts = [row[0] for row in table[1:]]
        header.click()
        ascending = [row[0] for row in shown_rows(driver, "#fleet tbody tr")]
        check(ascending == sorted(hosts, key=str.casefold), f"page: sorted by host {ascending}")
        header.click()
        descending = [row[0] for row in shown_rows(driver, "#fleet tbody tr")]
        check(descending == sorted(hosts, key=str.casefold, reverse=True),
              f"page: sorted by host again {descending}")

        # The filter, typed as a person types.
        search = driver.find_element(By.ID, "fleet-filter")
        for text in ("GAMMA", "unreachable"):
            search.clear()
            search.send_keys(text)
            left = [row[0] for row in shown_rows(driver, "#fleet tbody tr")]
            wanted = [row[0] for row in sorted(table[1:], key=lambda r: r[0].casefold(),
                                               reverse=True)
                      if any(text.lower() in cell.lower() for cell in row)]
            check(left == wanted and 0 < len(left) < len(hosts),
                  f"page: filter {text!r} shows {left}, expected {wanted}")
        search.clear()
        search.send_keys(" ")
        check(len(shown_rows(driver, "#fleet tbody tr")) == len(hosts), "page: filter not cleared")

        # The changes, first on the page.
        changes = shown_rows(driver, "#changes tbody tr")
        check(changes == expected_changes,
              f"page: changes {changes}, expected {expected_changes}")
        first = driver.execute_script("return document.querySelector('main > section').id")
        check(first == "changes", f"page: {first} comes first, not the changes")

        # The hostile value: shown as its own text, nothing of it run or made.
        cells = driver.execute_script("""
            return Array.from(document.querySelectorAll('#fleet td'))
              .map(function (td) { return td.textContent; });""")
        check(hostile in cells, f"page: {hostile!r} is not shown as text")
        check(driver.execute_script("return window.hostile === undefined"),
              "page: the hostile value ran as script")
        made = driver.execute_script(
            "return document.querySelectorAll('main script, main img, main iframe').length")
        check(made == 0, f"page: report text made {made} elements")

        # Nothing requested from the network.
        resources = driver.execute_script(
            "return performance.getEntriesByType('resource').map(function (e) { return e.name; })")
        check(resources == [], f"page: resources loaded {resources}")
        others = requests_made(driver, page_url)
        check(others == [], f"page: requests besides the page {others}")
        refused = driver.execute_script("return window.refused")
        check(refused == [], f"page: requests its policy refused {refused}")

        if screenshot:
            search.clear()
            os.makedirs(os.path.dirname(os.path.abspath(screenshot)), exist_ok=True)
            driver.execute_script("window.scrollTo(0, 0)")
            check(driver.save_screenshot(screenshot), f"page: no screenshot at {screenshot}")
    finally:
        driver.quit()
