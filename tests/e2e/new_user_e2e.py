#!/usr/bin/env python3
"""The standalone host as a new user meets it, against an SMTP server on
loopback (aiosmtpd), each test in a fresh VELMORA_HOME:

- a mail whose attachment source is gone (a deleted file, an empty folder)
  still leaves, and says so: on the terminal of `velmora run`, in the log
  and in `velmora list --sent`; a file name with a backslash arrives whole;
- a delivery the server refuses is retried by the running host after a
  delay, shown in `velmora list --outbox`, with the next due time the
  launcher watches no later than that; `run --send-and-exit` that could not
  deliver exits non-zero and says why;
- Sent Items gives up old attachments (`velmora purge`);
- `config` changes all of its options or none; a recurrence that would send
  a pile of past occurrences at once is refused unless `--catch-up`;
- a home the user cannot write to still lists what it holds (a change left
  in the store's write-ahead log included), and commands that must write
  there refuse in one line;
- `velmora` and `orbitel` stand in one folder of the build, and an orbitel
  that cannot start velmora says so on its terminal.

Usage: new_user_e2e.py PATH-TO-VELMORA PATH-TO-ORBITEL PATH-TO-E2E_REGISTRY"""

import asyncio
import datetime
import email
import email.policy
import json
import os
import pathlib
import pwd
import queue
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from velmora_cli import FROM, Commands, start_smtp

ORBITEL = None
REGISTRY = None
HOST_WAIT = 60  # seconds a --send-and-exit run may take: 1 s first tick, 10 s exit timer


class Server:
    """An SMTP server on loopback that takes mails, or refuses their data."""

    def __init__(self):
        self.envelopes = []
        self.refuse_data = False
        server = self

        class Handler:
            async def handle_DATA(self, _smtp, _session, envelope):
                if server.refuse_data:
                    return "550 5.7.1 Message content rejected"
                server.envelopes.append(bytes(envelope.content))
                return "250 OK"

        self.controller, self.port = start_smtp(Handler())

    def stop(self):
        self.controller.stop()

    def mails(self):
        return [email.message_from_bytes(c, policy=email.policy.default) for c in self.envelopes]


def wait_line(stream, needle, seconds):
    """The first line of the stream holding the needle, or "" when none comes
    in time (the process keeps running either way)."""
    lines = queue.Queue()

    def pump():
        for line in stream:
            lines.put(line)
            if needle in line:
                return
        lines.put(None)

    threading.Thread(target=pump, daemon=True).start()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            line = lines.get(timeout=max(0.0, end - time.monotonic()))
        except queue.Empty:
            break
        if line is None:
            break
        if needle in line:
            return line
    return ""


def minutes_ago(n):
    return (datetime.datetime.now() - datetime.timedelta(minutes=n)).strftime("%Y-%m-%dT%H:%M")


class NewUser(Commands, unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory(prefix="velmora-new-user-e2e-")
        self.addCleanup(tmp.cleanup)
        self.work = pathlib.Path(tmp.name)
        self.home = self.work / "home"
        self.env = dict(os.environ, VELMORA_HOME=str(self.home))
        self.server = Server()
        self.addCleanup(self.server.stop)
        self.ok("config", "--smtp", f"smtp://127.0.0.1:{self.server.port}", "--from", FROM)

    def log(self):
        path = self.home / "Velmora.Log"
        return path.read_text(encoding="utf-8", errors="replace") if path.exists() else ""

    def assertTimeSpeltTwice(self, entry, name):
        """A time of `list --json` as every listing spells it: ISO 8601 in the
        field, the regional settings' text (United States here) in its Text twin."""
        self.assertEqual(datetime.datetime.fromisoformat(entry[name]),
                         datetime.datetime.strptime(entry[name + "Text"], "%m/%d/%Y %I:%M:%S %p"))

    def next_due(self):
        for line in self.ok("config", "--show").splitlines():
            if line.startswith("next due:"):
                return line.split(":", 1)[1].strip()
        self.fail("no next due line")

    def test_a_missing_source_is_told_where_the_mail_is_and_names_keep_backslashes(self):
        odd = self.work / 'quote"s and \\back.pdf'
        odd.write_bytes(b"%PDF-1.4 odd\n")
        gone = self.work / "gone.csv"
        gone.write_text("soon deleted\n")
        empty = self.work / "empty"
        empty.mkdir()
        self.schedule("--to", "ann@example.com", "--subject", "Monthly figures", "--attach-file",
                      str(odd), "--attach-file", str(gone), "--attach-newest", str(empty), "--at",
                      minutes_ago(5))
        gone.unlink()
        r = self.velmora("run", "--send-and-exit", timeout=HOST_WAIT)
        self.assertEqual(r.returncode, 0, r.stderr)

        (m,) = self.server.mails()
        names = [a.get_filename() for a in m.iter_attachments()]
        self.assertEqual(names, ['quote"s and \\back.pdf'], "sent, with what could be found")
        for where in (r.stderr, self.log()):
            self.assertIn("Monthly figures", where)
            self.assertIn(str(gone), where)
            self.assertIn(str(empty), where)
        (sent,) = json.loads(self.ok("list", "--sent", "--json"))
        self.assertEqual(sent["subject"], "Monthly figures")
        self.assertTimeSpeltTwice(sent, "sentTime")
        self.assertIn(str(gone), sent["missingSources"])
        self.assertIn(str(empty), sent["missingSources"])
        self.assertIn("sent without its attachment source", self.ok("list", "--sent"))

        # Sent Items does not keep attachments for ever; purge drops them now.
        self.assertIn("30 day(s)", self.ok("config", "--show"))
        self.assertIn("bytes of 1 attachment(s)", self.ok("purge", "--older-than", "0"))
        self.assertIn("bytes of 0 attachment(s)", self.ok("purge", "--older-than", "0"))
        self.assertEqual(len(json.loads(self.ok("list", "--sent", "--json"))), 1)

    def test_send_and_exit_that_could_not_deliver_fails_and_says_why(self):
        self.server.refuse_data = True
        self.schedule("--to", "ann@example.com", "--subject", "Refused", "--body", "b", "--at",
                      minutes_ago(2))
        r = self.velmora("run", "--send-and-exit", timeout=HOST_WAIT)
        self.assertEqual(r.returncode, 3, r.stderr)
        self.assertIn("delivery failed", r.stderr)
        self.assertIn("550", r.stderr)
        (entry,) = json.loads(self.ok("list", "--outbox", "--json"))
        self.assertEqual(entry["state"], "waiting")

    def test_a_refused_delivery_is_retried_by_the_running_host_and_announced(self):
        self.server.refuse_data = True
        self.schedule("--to", "ann@example.com", "--subject", "Try again", "--body", "b", "--at",
                      minutes_ago(2))
        host = subprocess.Popen([self.exe, "run"], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                                env=self.env)
        self.addCleanup(lambda: host.poll() is None and host.kill())
        line = wait_line(host.stderr, "tried again at", HOST_WAIT)
        self.assertTrue(line, "no retry was planned")
        (entry,) = json.loads(self.ok("list", "--outbox", "--json"))
        self.assertEqual(entry["state"], "waiting")
        self.assertIn(entry["nextAttemptText"], line)
        self.assertTimeSpeltTwice(entry, "nextAttempt")
        self.assertIn("tried again at", self.ok("list", "--outbox"))
        # Should this host stop, the launcher starts another for the retry.
        self.assertEqual(self.next_due(), entry["nextAttemptText"])

        # The first retry comes a minute later, by itself.
        self.server.refuse_data = False
        end = time.monotonic() + 120
        while not self.server.envelopes and time.monotonic() < end:
            time.sleep(0.5)
        host.send_signal(signal.SIGTERM)
        host.communicate(timeout=HOST_WAIT)
        self.assertEqual(len(self.server.envelopes), 1, "not retried while the host ran")
        self.assertEqual(json.loads(self.ok("list", "--outbox", "--json")), [])
        self.assertEqual(self.next_due(), "none")

    def refused(self, needle, *args):
        r = self.velmora(*args)
        self.assertEqual(r.returncode, 2, f"{args}: {r.stdout}{r.stderr}")
        self.assertEqual(len(r.stderr.strip().splitlines()), 1, r.stderr)
        self.assertIn(needle, r.stderr)
        return r.stderr

    def test_refusals_say_what_is_wrong_and_change_nothing(self):
        later = ["--at", "2031-01-01T09:00"]
        self.refused("is a folder, not a file", "schedule", "--to", "ann@example.com",
                     "--body-file", str(self.work), *later)
        self.refused("--attach-newest", "schedule", "--to", "ann@example.com", "--attach-file",
                     str(self.work), *later)
        self.refused("--subject: the text is not UTF-8", "schedule", "--to", "ann@example.com",
                     "--subject", "caf\udce9", *later)
        self.refused("unknown command 'frobnicate'", "frobnicate")
        self.refused("--interval", "occurrences", "--weekly", "--days", "mon", "--interval",
                     "100", "--count", "2")
        self.assertRegex(self.ok("--version"), r"^\d+\.\d+\.\d+")
        self.assertEqual(json.loads(self.ok("list", "--json")), [])

    def test_config_is_all_or_nothing_and_a_past_start_is_refused_unless_caught_up(self):
        before = self.ok("config", "--show")
        r = self.velmora("config", "--smtp", "smtp://mail.example.com:587", "--ignore", "x.tmp",
                         "--short-date", "d/M/yyyy", "--from", "not an address")
        self.assertEqual(r.returncode, 2, r.stderr)
        self.assertIn("--from", r.stderr)
        self.assertEqual(self.ok("config", "--show"), before, "a refused config changed settings")

        start = (datetime.date.today() - datetime.timedelta(days=30)).isoformat()
        pattern = ["--to", "ann@example.com", "--subject", "Daily", "--daily", "--start", start,
                   "--time", "00:00", "--no-end"]
        r = self.velmora("schedule", *pattern)
        self.assertEqual(r.returncode, 2, r.stderr)
        self.assertEqual(len(r.stderr.strip().splitlines()), 1, r.stderr)
        self.assertIn("31 occurrences are already due", r.stderr)
        self.assertEqual(json.loads(self.ok("list", "--json")), [])
        self.schedule(*pattern, "--catch-up")
        self.assertEqual(len(json.loads(self.ok("list", "--json"))), 1)

    def read_only(self, *args):
        """Runs velmora on the home made read-only for the user who runs it:
        as root, whom no mode stops, as `nobody` owning it."""
        if os.geteuid() == 0:
            nobody = pwd.getpwnam("nobody")
            os.chmod(self.work, 0o755)
            ids = dict(user=nobody.pw_uid, group=nobody.pw_gid, extra_groups=[])
            owner = nobody.pw_uid
        else:
            ids, owner = {}, os.geteuid()
        for path in [self.home, *self.home.iterdir()]:
            os.chown(path, owner, -1)
            os.chmod(path, 0o555 if path.is_dir() else 0o444)
        try:
            return subprocess.run([self.exe, *args], capture_output=True, text=True,
                                  env=self.env, timeout=60, **ids)
        finally:
            for path in [self.home, *self.home.iterdir()]:
                os.chmod(path, 0o700 if path.is_dir() else 0o600)

    def test_a_read_only_home_still_lists_and_refuses_to_write(self):
        self.schedule("--to", "ann@example.com", "--subject", "Later", "--body", "b", "--at",
                      "2031-01-01T09:00")
        self.ok("cancel", self.schedule("--to", "bob@example.com", "--subject", "Dropped",
                                        "--body", "b", "--at", "2031-01-01T09:00"))
        before = sorted(p.name for p in self.home.iterdir())

        def listed(*args):
            r = self.read_only("list", *args)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(r.stderr, "")
            return r.stdout

        # A store closed cleanly: the file alone, no write-ahead log beside it.
        self.assertIn("Later", listed())
        (entry,) = json.loads(listed("--json"))
        self.assertEqual(entry["subject"], "Later")
        self.assertEqual([d["subject"] for d in json.loads(listed("--drafts", "--json"))],
                         ["Dropped"])
        self.assertEqual(json.loads(listed("--outbox", "--json")), [])
        self.assertEqual(json.loads(listed("--sent", "--json")), [])
        r = self.read_only("config", "--show")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn(FROM, r.stdout)
        for args in (["schedule", "--to", "ann@example.com", "--at", "2031-01-01T09:00"],
                     ["cancel", entry["entryId"]], ["run", "--send-and-exit"],
                     ["config", "--from", "other@example.com"]):
            r = self.read_only(*args)
            self.assertEqual(r.returncode, 2, f"{args}: {r.stdout}{r.stderr}")
            self.assertEqual(len(r.stderr.strip().splitlines()), 1, r.stderr)
            self.assertIn(f"{self.home} is read-only", r.stderr)
        self.assertEqual(sorted(p.name for p in self.home.iterdir()), before)

        # A writer killed before it could fold its log into the store: the
        # change lives only in the log, and the listing must show it.
        subprocess.run([sys.executable, "-c",
                        "import os, sqlite3, sys\n"
                        "db = sqlite3.connect(sys.argv[1])\n"
                        "db.execute(\"UPDATE items SET subject = 'Later, edited' "
                        "WHERE subject = 'Later'\")\n"
                        "db.commit()\n"
                        "os._exit(0)\n", str(self.home / "store.db")], check=True)
        self.assertTrue((self.home / "store.db-wal").exists())
        (entry,) = json.loads(listed("--json"))
        self.assertEqual(entry["subject"], "Later, edited")
        self.assertEqual(self.ok("list", "--json"), listed("--json"))

    def test_orbitel_finds_velmora_in_its_build_folder_and_says_when_it_cannot(self):
        self.assertEqual(os.path.dirname(ORBITEL), os.path.dirname(self.exe),
                         "velmora and orbitel must share one folder of the build")
        lonely = self.work / "bin"
        lonely.mkdir()
        shutil.copy2(ORBITEL, lonely)
        subprocess.run([REGISTRY, "set", "NextOccurence", "1/1/2020 9:00:00 AM"], env=self.env,
                       check=True, timeout=HOST_WAIT)
        env = dict(self.env, PATH="/nonexistent")
        p = subprocess.Popen([str(lonely / "orbitel")], stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, env=env)
        self.addCleanup(lambda: p.poll() is None and p.kill())
        line = wait_line(p.stderr, "velmora", HOST_WAIT)
        p.send_signal(signal.SIGTERM)
        p.communicate(timeout=HOST_WAIT)
        self.assertIn("orbitel: cannot start velmora", line)
        self.assertIn("not found", line)


if __name__ == "__main__":
    Commands.exe = os.path.abspath(sys.argv.pop(1))
    ORBITEL = os.path.abspath(sys.argv.pop(1))
    REGISTRY = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
