#!/usr/bin/env python3
"""Runs the built `orbitel` as a user would: one launcher per user, its
status line, a clean end on SIGINT/SIGTERM, and the start of `velmora run`
once the next due time has come: a stand-in that records how it was started,
and, when the real velmora is given, the whole road of a scheduled mail into
the Maildir. Usage:
    orbitel_e2e.py PATH-TO-ORBITEL PATH-TO-E2E_REGISTRY [PATH-TO-VELMORA]"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

ORBITEL = None
REGISTRY = None
VELMORA = None
# Bounds on waiting for another process; far above what a loaded machine needs.
PATIENCE = 20.0


def wait_for(predicate, what):
    end = time.monotonic() + PATIENCE
    while time.monotonic() < end:
        if predicate():
            return
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}")


class Orbitel(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.TemporaryDirectory(prefix="velmora-e2e-orbitel-")
        self.addCleanup(self.home.cleanup)
        self.env = dict(os.environ, VELMORA_HOME=self.home.name)
        self.orbitel = ORBITEL
        self.procs = []
        self.addCleanup(self.kill_all)

    def kill_all(self):
        for p in self.procs:
            if p.poll() is None:
                p.kill()
                p.wait(timeout=PATIENCE)

    def processes_of(self, program):
        """Pids of the processes running that program file."""
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    argv = f.read().split(b"\0")
            except OSError:
                continue
            if argv and argv[0] == program.encode():
                found.append(int(pid))
        return found

    def install(self, *programs):
        """Copies the programs into one folder, as a user installs them."""
        bindir = self.path("bin")
        os.makedirs(bindir, exist_ok=True)
        for program in programs:
            shutil.copy2(program, bindir)
        return bindir

    def path(self, name):
        return os.path.join(self.home.name, name)

    def registry(self, *args):
        r = subprocess.run([REGISTRY, *args], capture_output=True, text=True, env=self.env,
                           timeout=PATIENCE)
        self.assertEqual(r.returncode, 0, r.stderr)
        return r.stdout.rstrip("\n")

    def status(self):
        r = subprocess.run([self.orbitel, "status"], capture_output=True, text=True,
                           env=self.env, timeout=PATIENCE)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr, "")
        return r.stdout

    def start(self, *args):
        p = subprocess.Popen([self.orbitel, *args], env=self.env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self.procs.append(p)
        return p

    def holder(self):
        try:
            with open(self.path("orbitel.lock")) as f:
                return f.read().strip()
        except FileNotFoundError:
            return ""

    def wait_running(self, p):
        wait_for(lambda: self.holder() == str(p.pid) or p.poll() is not None,
                 "orbitel to take its lock")
        if p.poll() is not None:
            self.fail(f"orbitel ended with {p.returncode}: {p.stderr.read()}")

    def end(self, p, signo):
        p.send_signal(signo)
        _, err = p.communicate(timeout=PATIENCE)
        self.assertEqual(p.returncode, 0, err)
        self.assertEqual(err, "")

    def log(self):
        with open(self.path("VelmoraTray.log"), encoding="utf-8", newline="") as f:
            return f.read()

    def test_status_shows_the_next_due_time_or_none(self):
        self.assertEqual(self.status(), "NextOccurence none\n")
        self.registry("set", "NextOccurence", "12/7/2026 9:00:45 AM")
        self.assertEqual(self.status(), "NextOccurence 12/7/2026 9:00:00 AM\n")
        self.registry("set", "NextOccurence", "   ")
        self.assertEqual(self.status(), "NextOccurence none\n")

        # An unreadable value is logged and cleared.
        self.registry("set", "NextOccurence", "soon")
        self.assertEqual(self.status(), "NextOccurence none\n")
        self.assertEqual(self.registry("get", "NextOccurence"), "")
        self.assertIn("Error(13) : LoadRegParam\tType mismatch\r\n", self.log())
        self.assertEqual(os.stat(self.home.name).st_mode & 0o777, 0o700)

    def test_bad_usage_is_refused(self):
        for args in (["stop"], ["run", "now"], ["--frobnicate"]):
            r = subprocess.run([self.orbitel, *args], capture_output=True, text=True,
                               env=self.env, timeout=PATIENCE)
            self.assertEqual(r.returncode, 2, args)
            self.assertIn("usage: orbitel", r.stderr)
        r = subprocess.run([self.orbitel, "--help"], capture_output=True, text=True,
                           env=self.env, timeout=PATIENCE)
        self.assertEqual(r.returncode, 0)
        self.assertIn("status", r.stdout)

    def test_one_launcher_per_user_and_a_clean_end_on_signals(self):
        first = self.start()
        self.wait_running(first)

        second = self.start("run")
        _, err = second.communicate(timeout=PATIENCE)
        self.assertEqual(second.returncode, 0, err)
        self.assertEqual(err, "")
        self.assertIsNone(first.poll(), "the first launcher must keep running")
        self.assertEqual(self.holder(), str(first.pid))

        self.end(first, signal.SIGTERM)
        # The lock went with it: a new launcher runs, and ends on Ctrl-C.
        third = self.start("run")
        self.wait_running(third)
        self.end(third, signal.SIGINT)

    def test_a_due_mail_starts_velmora_run_with_send_and_exit_set(self):
        # orbitel looks for velmora beside itself first: give it a stand-in.
        bindir = self.install(ORBITEL)
        self.orbitel = os.path.join(bindir, "orbitel")
        marker = self.path("velmora-started")
        stand_in = os.path.join(bindir, "velmora")
        with open(stand_in, "w") as f:
            f.write("#!/bin/sh\n"
                    f"flag=$('{REGISTRY}' get SendAndExit)\n"
                    f"printf '%s|%s\\n' \"$*\" \"$flag\" >> '{marker}.tmp'\n"
                    f"mv '{marker}.tmp' '{marker}'\n")
        os.chmod(stand_in, 0o755)

        self.registry("set", "NextOccurence", "1/1/2020 9:00:00 AM")
        launcher = self.start()
        wait_for(lambda: os.path.exists(marker), "the stand-in velmora to start")
        with open(marker) as f:
            self.assertEqual(f.readline(), "run|1\n")
        self.assertIsNone(launcher.poll())
        self.assertIn("starting the host for 1/1/2020 9:00:00 AM", self.log())
        self.end(launcher, signal.SIGTERM)

    def velmora(self, *args):
        r = subprocess.run([VELMORA, *args], capture_output=True, text=True, env=self.env,
                           timeout=PATIENCE)
        self.assertEqual(r.returncode, 0, r.stderr)
        return r.stdout

    @unittest.skipUnless(len(sys.argv) > 3, "needs the velmora command")
    def test_status_reads_the_time_in_the_hosts_regional_settings(self):
        self.velmora("config", "--short-date", "d.M.yyyy", "--long-time", "HH:mm:ss",
                     "--date-separator", ".")
        self.velmora("schedule", "--to", "a@example.com", "--subject", "Hi", "--body", "x",
                     "--at", "2031-12-07T09:05")
        self.assertEqual(self.status(), "NextOccurence 7.12.2031 09:05:00\n")

    @unittest.skipUnless(len(sys.argv) > 3, "needs the velmora command")
    def test_a_mail_due_while_the_host_is_closed_is_delivered(self):
        bindir = self.install(ORBITEL, VELMORA)
        self.orbitel = os.path.join(bindir, "orbitel")
        host = os.path.join(bindir, "velmora")
        self.addCleanup(lambda: [os.kill(pid, signal.SIGKILL) for pid in self.processes_of(host)])
        self.velmora("schedule", "--to", "someone@example.com", "--subject", "Quarterly figures",
                     "--body", "attached", "--at", "2020-01-01T09:00")
        self.assertIn("1/1/2020 9:00:00 AM", self.status())

        launcher = self.start()
        inbox = self.path(os.path.join("Maildir", "new"))
        wait_for(lambda: os.path.isdir(inbox) and os.listdir(inbox), "the mail to arrive")
        # The host sent what was due and ended by itself, as after a start by the launcher.
        wait_for(lambda: not self.processes_of(host), "velmora run to end")
        (mail,) = os.listdir(inbox)
        with open(os.path.join(inbox, mail), encoding="utf-8", errors="replace") as f:
            text = f.read()
        self.assertIn("Subject: Quarterly figures", text)
        self.assertIn("someone@example.com", text)
        self.assertEqual(self.registry("get", "SendAndExit"), "")
        self.assertEqual(self.status(), "NextOccurence none\n")
        self.assertIsNone(launcher.poll(), "the launcher keeps waiting for the next mail")
        self.end(launcher, signal.SIGTERM)


if __name__ == "__main__":
    ORBITEL, REGISTRY = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if len(sys.argv) > 3:
        VELMORA = os.path.abspath(sys.argv[3])
    unittest.main(argv=[sys.argv[0], "-v"])
