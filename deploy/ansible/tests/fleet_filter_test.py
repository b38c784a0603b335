#!/usr/bin/python3
"""Tests of the role's filters: reading reports, the fleet table, what changed
since the previous collection, the page's data, and the choice of package."""

import csv
import importlib.util
import io
import json
import os
import tempfile
import unittest

from ansible.errors import AnsibleFilterError

HERE = os.path.dirname(os.path.abspath(__file__))
PLUGIN = os.path.join(HERE, "..", "roles", "hwident", "filter_plugins", "hwident_fleet.py")
spec = importlib.util.spec_from_file_location("hwident_fleet", PLUGIN)
fleet = importlib.util.module_from_spec(spec)
spec.loader.exec_module(fleet)


class ParseReport(unittest.TestCase):
    def test_lines_become_pairs(self):
        cases = [
            ("", []),
            ("Model = <null>\r\n", [("Model", "<null>")]),
            ('Model = "A"\r\nCaption = "B"\r\n', [("Model", '"A"'), ("Caption", '"B"')]),
            # Only the first separator splits: the rest belongs to the value.
            ('Name = "a = b"\r\n', [("Name", '"a = b"')]),
            # A value with a line break of its own continues on the next line.
            ('Name = "one\r\ntwo"\r\nModel = 1\r\n', [("Name", '"one\r\ntwo"'), ("Model", "1")]),
            # A last line without CR LF is still a line.
            ("Model = 1", [("Model", "1")]),
            # A lone LF or CR is part of the line, not a line end.
            ('Name = "a\nb\rc"\r\n', [("Name", '"a\nb\rc"')]),
            ("Empty = \r\n", [("Empty", "")]),
        ]
        for text, expected in cases:
            with self.subTest(text=text):
                self.assertEqual(fleet.parse_report(text), expected)


def table_of(hosts):
    """The table of (host, result, report text or None) triples."""
    return fleet.fleet_rows([(host, result, None if text is None else fleet.parse_report(text))
                             for host, result, text in hosts])


class FleetRows(unittest.TestCase):
    def test_columns_follow_first_appearance(self):
        table = table_of([
            ("a", "ok", "Model = 1\r\nCaption = 2\r\n"),
            ("b", "ok", "Model = 3\r\nName = 4\r\nCaption = 5\r\n"),
        ])
        self.assertEqual(table, [
            ["host", "result", "Model", "Caption", "Name"],
            ["a", "ok", "1", "2", ""],
            ["b", "ok", "3", "5", "4"],
        ])

    def test_repeated_names_join_in_report_order(self):
        cases = [
            ("DeviceID = x\r\nDeviceID = y\r\n", "x | y"),
            ("DeviceID = x\r\nModel = m\r\nDeviceID = y\r\nDeviceID = z\r\n", "x | y | z"),
            ("DeviceID = x\r\n", "x"),
        ]
        for text, cell in cases:
            with self.subTest(text=text):
                table = table_of([("h", "ok", text)])
                self.assertEqual(table[1][table[0].index("DeviceID")], cell)

    def test_a_host_without_a_report_has_its_result_and_empty_cells(self):
        table = table_of([
            ("down", "unreachable: no route", None),
            ("up", "ok", "Model = 1\r\n"),
        ])
        self.assertEqual(table[1:], [["down", "unreachable: no route", ""], ["up", "ok", "1"]])

    def test_only_failed_hosts_give_a_header_alone(self):
        self.assertEqual(table_of([("x", "failed: t: m", None)]),
                         [["host", "result"], ["x", "failed: t: m"]])

    def test_names_differing_in_case_are_different_columns(self):
        table = table_of([("h", "ok", "Name = 1\r\nNAME = 2\r\n")])
        self.assertEqual(table[0][2:], ["Name", "NAME"])


class ToCsv(unittest.TestCase):
    def test_quoting(self):
        cases = [
            ("plain", "plain"),
            ('"quoted"', '"""quoted"""'),
            ("a,b", '"a,b"'),
            ("a | b", "a | b"),
            ("one\r\ntwo", '"one\r\ntwo"'),
            ("", ""),
            (" lead", " lead"),
        ]
        for value, written in cases:
            with self.subTest(value=value):
                self.assertEqual(fleet.to_csv([["h", value]]), "h," + written + "\r\n")

    def test_round_trip_keeps_every_value(self):
        table = [["host", "result", "A"], ["h,1", "ok", '"x, ""y"" | z"\r\nw']]
        self.assertEqual(list(csv.reader(io.StringIO(fleet.to_csv(table), newline=""))), table)


class FleetCsv(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.addCleanup(self.work.cleanup)

    def report(self, name, data):
        path = os.path.join(self.work.name, name)
        with open(path, "wb") as out:
            out.write(data)
        return path

    def test_outcomes_become_rows(self):
        hostvars = {
            "ok": {"hwident_outcome": {"result": "ok", "report": self.report("r", b"Model = 1\r\n")}},
            "bad": {"hwident_outcome": {"result": "failed: Run the program:\n  exit 3"}},
            "gone": {},
        }
        text = fleet.fleet_csv(["ok", "bad", "gone", "absent"], hostvars)
        self.assertEqual(list(csv.reader(io.StringIO(text, newline=""))), [
            ["host", "result", "Model"],
            ["ok", "ok", "1"],
            ["bad", "failed: Run the program: exit 3", ""],
            ["gone", "unreachable: the host stopped answering during the run", ""],
            ["absent", "unreachable: the host stopped answering during the run", ""],
        ])

    def test_report_bytes_survive_whatever_the_code_page(self):
        # cp1252 from a Windows host is not UTF-8; its bytes must come back.
        data = 'Model = "Caf\xe9 \u20ac"\r\n'.encode("cp1252")
        hostvars = {"w": {"hwident_outcome": {"result": "ok", "report": self.report("w", data)}}}
        written = fleet.fleet_csv(["w"], hostvars).encode("utf-8", "surrogateescape")
        self.assertIn(b'"""Caf\xe9 \x80"""', written)

    def test_a_missing_report_is_an_error(self):
        hostvars = {"h": {"hwident_outcome": {"result": "ok", "report": "/nonexistent/Model.txt"}}}
        with self.assertRaises(AnsibleFilterError):
            fleet.fleet_csv(["h"], hostvars)


def collected(*hosts):
    """(host, result, pairs) triples from (host, result, report text or None)."""
    return [(host, result, None if text is None else fleet.parse_report(text))
            for host, result, text in hosts]


MODULES = 'Capacity = "8"\r\nDeviceLocator = "A"\r\nCapacity = "16"\r\nDeviceLocator = "B"\r\n'


class ChangeRows(unittest.TestCase):
    def changes(self, previous, current):
        rows = fleet.change_rows(previous, current)
        self.assertEqual(rows[0], ["host", "change", "property", "previous", "current"])
        return rows[1:]

    def test_property_rules(self):
        cases = [
            ("a value changed",
             'Model = "X"\r\nSMBIOSBIOSVersion = "1.0"\r\n',
             'Model = "X"\r\nSMBIOSBIOSVersion = "1.2"\r\n',
             [["h", "changed", "SMBIOSBIOSVersion", '"1.0"', '"1.2"']]),
            ("a module added",
             'Capacity = "8"\r\n', 'Capacity = "8"\r\nCapacity = "16"\r\n',
             [["h", "changed", "Capacity", '"8"', '"8" | "16"']]),
            ("a module removed",
             MODULES, 'Capacity = "8"\r\nDeviceLocator = "A"\r\n',
             [["h", "changed", "Capacity", '"8" | "16"', '"8"'],
              ["h", "changed", "DeviceLocator", '"A" | "B"', '"A"']]),
            # Equal values count: one of two equal modules going is a change.
            ("one of two equal modules removed",
             'Capacity = "8"\r\nCapacity = "8"\r\n', 'Capacity = "8"\r\n',
             [["h", "changed", "Capacity", '"8" | "8"', '"8"']]),
            ("the same values in another order",
             MODULES,
             'Capacity = "16"\r\nDeviceLocator = "B"\r\nCapacity = "8"\r\nDeviceLocator = "A"\r\n',
             []),
            ("the same report", MODULES, MODULES, []),
            # Asked for another entry list: the properties come and go.
            ("a property asked for and one no longer",
             'Model = "X"\r\nCaption = "OS"\r\n', 'Model = "X"\r\nUUID = "U"\r\n',
             [["h", "property added", "UUID", "", '"U"'],
              ["h", "property removed", "Caption", '"OS"', ""]]),
            # Empty is a value: it is not the property missing.
            ("a value emptied", "Name = x\r\n", "Name = \r\n", [["h", "changed", "Name", "x", ""]]),
            ("a value case only", 'Model = "a"\r\n', 'Model = "A"\r\n',
             [["h", "changed", "Model", '"a"', '"A"']]),
        ]
        for what, before, after, expected in cases:
            with self.subTest(what):
                self.assertEqual(self.changes(collected(("h", "ok", before)),
                                              collected(("h", "ok", after))), expected)

    def test_host_rules(self):
        report = 'Model = "X"\r\n'
        previous = collected(("stays", "ok", report), ("gone", "ok", report),
                             ("falls", "ok", report), ("back", "unreachable: no route", None),
                             ("down", "failed: Run the program: exit 3", None))
        current = collected(("new", "ok", report), ("stays", "ok", report),
                            ("falls", "unreachable: timed out", None),
                            ("back", "ok", 'Model = "Y"\r\n'),
                            ("down", "unreachable: timed out", None),
                            ("newdown", "failed: Check the entries: bad", None))
        self.assertEqual(self.changes(previous, current), [
            ["new", "host added", "", "", "ok"],
            ["falls", "now failing", "", "ok", "unreachable: timed out"],
            ["back", "now answering", "", "unreachable: no route", "ok"],
            # Failing in both: no row, whatever the messages.
            ["newdown", "host added", "", "", "failed: Check the entries: bad"],
            ["gone", "host removed", "", "ok", ""],
        ])

    def test_no_previous_collection_and_an_unchanged_fleet_give_the_header_alone(self):
        current = collected(("h", "ok", MODULES), ("x", "failed: t: m", None))
        self.assertEqual(fleet.change_rows(None, current), [fleet.CHANGES_HEADER])
        self.assertEqual(fleet.change_rows(current, current), [fleet.CHANGES_HEADER])

    def test_rows_follow_the_current_order_then_the_removed_properties(self):
        before = 'A = 1\r\nB = 1\r\nC = 1\r\nD = 1\r\n'
        after = 'D = 2\r\nE = 1\r\nA = 2\r\n'
        self.assertEqual([row[1:3] for row in self.changes(collected(("h", "ok", before)),
                                                           collected(("h", "ok", after)))],
                         [["changed", "D"], ["property added", "E"], ["changed", "A"],
                          ["property removed", "B"], ["property removed", "C"]])


class Collections(unittest.TestCase):
    """fleet.json: what the next collection is compared with."""

    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.addCleanup(self.work.cleanup)

    def path(self, name):
        return os.path.join(self.work.name, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as out:
            out.write(data)
        return self.path(name)

    def test_a_collection_comes_back_exactly(self):
        # Not UTF-8 (a Windows code page), a value with the joiner in it, a
        # line break inside a value, and a host without a report.
        triples = collected(("w", "ok", 'Model = "Caf\udce9 | \u20ac"\r\nName = "a\r\nb"\r\n'),
                            ("x", "unreachable: no route", None), ("e", "ok", ""))
        text = fleet.snapshot_text(triples)
        self.assertTrue(text.isascii())
        self.assertEqual(fleet.read_snapshot(self.write("c.json", text.encode())), triples)

    def test_a_value_holding_the_joiner_is_not_two_values(self):
        # Joined as in fleet.csv both would read "a | b": kept apart, they differ.
        before = collected(("h", "ok", "V = a | b\r\n"))
        after = collected(("h", "ok", "V = a\r\nV = b\r\n"))
        previous = fleet.read_snapshot(self.write("c.json", fleet.snapshot_text(before).encode()))
        self.assertEqual(fleet.change_rows(previous, after)[1:],
                         [["h", "changed", "V", "a | b", "a | b"]])

    def test_missing_and_unreadable_collections(self):
        self.assertIsNone(fleet.read_snapshot(self.path("none.json")))
        for data in (b"not json", b'{"version": 99, "hosts": []}', b"[]", b"\xff"):
            with self.subTest(data=data), self.assertRaises(AnsibleFilterError):
                fleet.read_snapshot(self.write("bad.json", data))

    def keep(self, name, hostvars):
        return self.write(name, fleet.fleet_json(list(hostvars), hostvars).encode())

    def test_the_table_from_the_collection_kept_is_the_table_from_the_hosts(self):
        data = 'Model = "Caf\xe9, \u20ac"\r\nV = a | b\r\nV = c\r\n'.encode("cp1252")
        hostvars = {"w": {"hwident_outcome": {"result": "ok", "report": self.write("r", data)}},
                    "x": {"hwident_outcome": {"result": "failed: t: m"}}}
        self.assertEqual(fleet.collection_csv(self.keep("fleet.json", hostvars)),
                         fleet.fleet_csv(list(hostvars), hostvars))
        with self.assertRaises(AnsibleFilterError):
            fleet.collection_csv(self.path("none.json"))

    def test_changes_against_the_collection_kept(self):
        hostvars = {"h": {"hwident_outcome": {"result": "ok",
                                              "report": self.write("r", b"Model = 1\r\n")}}}
        previous = self.keep("previous.json", hostvars)
        self.assertEqual(fleet.collection_changes(self.keep("fleet.json", hostvars), previous),
                         "host,change,property,previous,current\r\n")
        self.write("r", b"Model = 2\r\n")
        current = self.keep("fleet.json", hostvars)
        self.assertEqual(fleet.collection_changes(current, previous),
                         "host,change,property,previous,current\r\nh,changed,Model,1,2\r\n")
        self.assertEqual(fleet.collection_changes(current, self.path("none.json")),
                         "host,change,property,previous,current\r\n")
        self.assertIn('"changes":[["h","changed","Model","1","2"]]',
                      fleet.collection_page_data(current, previous, []))


class PageData(unittest.TestCase):
    def test_report_text_cannot_leave_the_script_element(self):
        hostile = '"</script><script>alert(1)</script><!-- & \u2028 {{ 7*7 }}"'
        text = fleet.script_json(fleet.page_data(
            collected(("h", "ok", f"Model = {hostile}\r\n")), None, ["Model"]))
        for forbidden in ("<", ">", "&", "\u2028"):
            self.assertNotIn(forbidden, text)
        data = json.loads(text)
        self.assertEqual(data["rows"], [["h", "ok", hostile]])

    def test_page_data(self):
        previous = collected(("h", "ok", "Model = 1\r\n"))
        current = collected(("h", "ok", "Model = 2\r\n"), ("x", "failed: t: m", None))
        counts = ["Model", {"column": "TotalPhysicalMemory", "title": "Memory", "unit": "bytes"}]
        self.assertEqual(json.loads(fleet.script_json(fleet.page_data(current, previous, counts))), {
            "columns": ["host", "result", "Model"],
            "rows": [["h", "ok", "2"], ["x", "failed: t: m", ""]],
            "compared": True,
            "changes": [["h", "changed", "Model", "1", "2"],
                        ["x", "host added", "", "", "failed: t: m"]],
            "counts": [{"column": "Model", "title": "Model", "unit": ""},
                       {"column": "TotalPhysicalMemory", "title": "Memory", "unit": "bytes"}],
        })
        self.assertFalse(fleet.page_data(current, None, [])["compared"])

    def test_counted_columns_that_name_nothing_are_errors(self):
        for counts in ([{"title": "Model"}], [{"column": ""}], [3],
                       [{"column": "Model", "unit": "GB"}]):
            with self.subTest(counts=counts), self.assertRaises(AnsibleFilterError):
                fleet.counted_columns(counts)


class NewestPackage(unittest.TestCase):
    def test_choice(self):
        cases = [
            (["d/hwident_1.0.0_amd64.deb"], "d/hwident_1.0.0_amd64.deb"),
            (["d/hwident_1.9.0_amd64.deb", "d/hwident_1.10.0_amd64.deb"], "d/hwident_1.10.0_amd64.deb"),
            (["d/hwident_2.0.0_amd64.deb", "d/hwident_10.0.0_amd64.deb"], "d/hwident_10.0.0_amd64.deb"),
            (["d/hwident-1.2.0-x64.msi", "d/hwident-1.10.0-x64.msi"], "d/hwident-1.10.0-x64.msi"),
            (["d/hwident-1.2.0-x86.msi", "d/other-9.0-x86.msi"], "d/hwident-1.2.0-x86.msi"),
            (["d/hwident_1.9.0_armhf.deb", "d/hwident_1.10.0_armhf.deb"],
             "d/hwident_1.10.0_armhf.deb"),
            (["d/hwident-1.9.0-1.aarch64.rpm", "d/hwident-1.10.0-1.aarch64.rpm"],
             "d/hwident-1.10.0-1.aarch64.rpm"),
            # The same version rebuilt: the higher release.
            (["d/hwident-1.0.0-9.x86_64.rpm", "d/hwident-1.0.0-10.x86_64.rpm"],
             "d/hwident-1.0.0-10.x86_64.rpm"),
            (["d/hwident-1.9.0-linux-armv7.tar.gz", "d/hwident-1.10.0-linux-armv7.tar.gz"],
             "d/hwident-1.10.0-linux-armv7.tar.gz"),
            (["d/hwident-1.9.0-linux-x86_64.tar.gz", "d/hwident-1.0.0-windows.zip"],
             "d/hwident-1.9.0-linux-x86_64.tar.gz"),
        ]
        for paths, newest in cases:
            with self.subTest(paths=paths):
                self.assertEqual(fleet.newest_package(paths), newest)

    def test_no_package_is_an_error(self):
        for paths in ([], ["d/hwident-1.0.0-windows.zip"], ["d/readme.txt"],
                      ["d/hwident-1.0.0.tar.gz"], ["d/hwident-1.0.0-linux-x86_64.zip"],
                      ["d/other_1.0.0_amd64.deb"]):
            with self.subTest(paths=paths), self.assertRaises(AnsibleFilterError):
                fleet.newest_package(paths)

    def test_the_message_names_what_was_looked_for(self):
        with self.assertRaisesRegex(AnsibleFilterError,
                                    r"^no hwident package d/hwident_\*_armhf\.deb found"):
            fleet.newest_package([], "d/hwident_*_armhf.deb")


if __name__ == "__main__":
    unittest.main()
