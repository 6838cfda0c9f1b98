#!/usr/bin/env python3
"""Runs the built `velmora occurrences` as a user would: the options as
words or numbers, one occurrence a line, and bad input refused with status 2
and one line naming the option at fault. Usage: occurrences_e2e.py PATH-TO-VELMORA"""

import os
import subprocess
import sys
import tempfile
import unittest

VELMORA = None


def run(*args, home):
    env = dict(os.environ, VELMORA_HOME=home)
    return subprocess.run([VELMORA, "occurrences", *args], capture_output=True, text=True,
                          env=env, timeout=240)


class Occurrences(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.TemporaryDirectory(prefix="velmora-e2e-")
        self.addCleanup(self.home.cleanup)

    def lines(self, *args):
        r = run(*args, home=self.home.name)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr, "")
        return r.stdout.splitlines()

    def refused(self, option, *args):
        r = run(*args, home=self.home.name)
        self.assertEqual(r.returncode, 2, f"{args}: {r.stdout}{r.stderr}")
        self.assertEqual(r.stdout, "")
        err = r.stderr.rstrip("\n")
        self.assertEqual(len(err.splitlines()), 1, err)
        self.assertIn(option, err)

    def test_named_options_mean_what_their_numbers_mean(self):
        # The rules themselves are the unit tests' business; here each word
        # form of an option must give what its number gives.
        start = ["--start", "2027-03-07", "--time", "09:00", "--count", "3"]
        pairs = [
            (["--weekly", "--days", "mon,fri", "--first-dow", "monday"],
             ["--type", "1", "--mask", "34", "--first-dow", "2"]),
            (["--daily", "--days", "weekdays"], ["--type", "0", "--mask", "62"]),
            (["--monthly", "--instance", "last", "--days", "mon"],
             ["--type", "3", "--instance", "5", "--mask", "2"]),
            (["--monthly", "--day", "31"], ["--type", "2", "--day", "31"]),
            (["--yearly", "--month", "feb", "--day", "29"],
             ["--type", "5", "--month", "2", "--day", "29"]),
        ]
        for words, numbers in pairs:
            with self.subTest(words=words):
                out = self.lines(*words, *start)
                self.assertEqual(len(out), 3)
                self.assertEqual(out, self.lines(*numbers, *start))
        self.assertEqual(self.lines("--daily", "--start", "2027-03-08", "--time", "23:59",
                                    "--until", "2027-03-10"),
                         ["2027-03-08 23:59:00", "2027-03-09 23:59:00", "2027-03-10 23:59:00"])
        self.assertEqual(self.lines("--daily", "--start", "2027-01-01", "--time", "09:00",
                                    "--count", "0"), [])

    def test_pattern_running_out_of_the_calendar_fails_with_one_line(self):
        r = run("--monthly", "--day", "1", "--start", "9999-10-01", "--time", "09:00",
                "--until", "9999-12-31", home=self.home.name)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stdout, "")
        self.assertEqual(len(r.stderr.rstrip("\n").splitlines()), 1, r.stderr)
        self.assertIn("could not be computed", r.stderr)

    def test_range_is_what_the_recurrence_dialog_shows(self):
        weekly = ["--weekly", "--days", "wed", "--start", "2024-05-15", "--time", "14:37",
                  "--first-dow", "1", "--range"]
        cases = [
            (["--count", "10"], ["count: 10", "end: 2024-07-17"]),
            # An end between two occurrences stays as entered.
            (["--until", "2024-06-08"], ["count: 4", "end: 2024-06-08"]),
            # Before the first it moves to the first, past the 999th back to it.
            (["--until", "2024-05-01"], ["count: 1", "end: 2024-05-15"]),
            (["--until", "2070-01-01"], ["count: 999", "end: 2043-07-01"]),
        ]
        for limit, expected in cases:
            with self.subTest(limit=limit):
                self.assertEqual(self.lines(*weekly, *limit), expected)
        self.refused("--count", *weekly, "--count", "1000")

    def test_bad_input_is_refused_with_one_line(self):
        base = ["--start", "2027-03-01", "--time", "09:00", "--count", "3"]
        weekly = ["--weekly", "--mask", "2"]
        cases = [
            ("--type", ["--type", "4", *base]),
            ("--type", ["--type", "weekly-ish", *base]),
            ("--type", base),
            ("--type", ["--daily", "--weekly", "--mask", "2", *base]),
            ("--mask", ["--weekly", "--mask", "0", *base]),
            ("--mask", ["--weekly", "--mask", "128", *base]),
            ("--mask", ["--weekly", *base]),
            ("--days", ["--weekly", "--days", "mon,funday", *base]),
            ("--days", ["--weekly", "--mask", "2", "--days", "mon", *base]),
            ("--day", ["--monthly", "--day", "32", *base]),
            ("--day", ["--monthly", "--day", "0", *base]),
            ("--day", ["--monthly", *base]),
            ("--month", ["--yearly", "--month", "13", "--day", "1", *base]),
            ("--month", ["--daily", "--month", "3", *base]),
            ("--instance", ["--monthly", "--instance", "6", "--mask", "2", *base]),
            ("--instance", ["--monthly", "--instance", "0", "--mask", "2", *base]),
            ("--interval", ["--monthly", "--day", "1", "--interval", "0", *base]),
            ("--interval", ["--daily", "--interval", "-2", *base]),
            ("--start", [*weekly, "--start", "2027-02-30", "--time", "09:00", "--count", "1"]),
            ("--start", [*weekly, "--start", "March 1", "--time", "09:00", "--count", "1"]),
            ("--start", [*weekly, "--time", "09:00", "--count", "1"]),
            ("--time", [*weekly, "--start", "2027-03-01", "--time", "24:00", "--count", "1"]),
            ("--time", [*weekly, "--start", "2027-03-01", "--time", "9", "--count", "1"]),
            ("--until", [*weekly, *base, "--until", "2027-04-01"]),
            ("--count", [*weekly, "--start", "2027-03-01", "--time", "09:00"]),
            ("--count", [*weekly, "--start", "2027-03-01", "--time", "09:00", "--count", "-1"]),
            ("--count", [*weekly, "--start", "2027-03-01", "--time", "09:00", "--count",
                         "3000000000"]),
            ("--until", [*weekly, "--start", "2027-03-01", "--time", "09:00", "--until", "x"]),
            ("--first-dow", [*weekly, *base, "--first-dow", "8"]),
            ("--bogus", [*weekly, *base, "--bogus"]),
        ]
        for option, args in cases:
            with self.subTest(args=args):
                self.refused(option, *args)


if __name__ == "__main__":
    VELMORA = sys.argv.pop(1)
    unittest.main(verbosity=1)
