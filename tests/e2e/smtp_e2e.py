#!/usr/bin/env python3
"""Mail through an SMTP server on loopback (aiosmtpd), as a user sends it with
the built `velmora`, each test in a fresh VELMORA_HOME:

- what arrives: the envelope (MAIL FROM, RCPT TO for To, Cc and Bcc), the
  headers (no Bcc), the body, and every attachment decoded to its bytes;
- a folder source attaches the folder's newest file as it is at each
  occurrence of a recurring mail (the folder changes between occurrences;
  `velmora reschedule` brings the next occurrence due);
- a host killed while the server had the mail, or a server that took the
  mail without confirming it, does not get it again: it is held in the
  Outbox with a line on the terminal and in the log, until `velmora resend
  ID`.

Usage: smtp_e2e.py PATH-TO-VELMORA"""

import asyncio
import datetime
import email
import email.policy
import json
import os
import pathlib
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from velmora_cli import FROM, Commands, start_smtp

HOST_WAIT = 60  # seconds a --send-and-exit run may take: 1 s first tick, 10 s exit timer


class Server:
    """An SMTP server whose answers a test chooses: accept, or take the data
    and keep the client waiting for the reply (or never give it)."""

    def __init__(self):
        self.envelopes = []  # (mail from, [rcpt], content) of every accepted DATA
        self.hold_reply = False
        self.drop_reply = False
        self.data_taken = threading.Event()
        self.release = threading.Event()
        server = self

        class Handler:
            async def handle_DATA(self, smtp, _session, envelope):
                server.envelopes.append(
                    (envelope.mail_from, list(envelope.rcpt_tos), bytes(envelope.content)))
                if server.drop_reply:
                    smtp.transport.abort()  # taken, but the client never hears so
                if server.hold_reply:
                    server.data_taken.set()
                    while not server.release.is_set():
                        await asyncio.sleep(0.01)
                return "250 OK"

        self.controller, self.port = start_smtp(Handler())

    def stop(self):
        self.release.set()
        self.controller.stop()

    def mails(self):
        return [email.message_from_bytes(content, policy=email.policy.default)
                for _, _, content in self.envelopes]


class SmtpTest(Commands, unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="velmora-smtp-e2e-")
        self.addCleanup(self.tmp.cleanup)
        self.work = pathlib.Path(self.tmp.name)
        self.home = self.work / "home"
        self.env = dict(os.environ, VELMORA_HOME=str(self.home))
        self.server = Server()
        self.addCleanup(self.server.stop)
        self.ok("config", "--smtp", f"smtp://127.0.0.1:{self.server.port}", "--from", FROM)

    def send_and_exit(self):
        r = self.velmora("run", "--send-and-exit", timeout=HOST_WAIT)
        self.assertEqual(r.returncode, 0, r.stderr)
        return r

    def outbox(self):
        return json.loads(self.ok("list", "--outbox", "--json"))

    def log(self):
        path = self.home / "Velmora.Log"
        return path.read_text(encoding="utf-8", errors="replace") if path.exists() else ""

    @staticmethod
    def past(minutes=5):
        t = datetime.datetime.now() - datetime.timedelta(minutes=minutes)
        return t.strftime("%Y-%m-%dT%H:%M")


class WhatArrives(SmtpTest):
    def test_envelope_headers_body_and_attachments(self):
        (self.work / "ledger.bin").write_bytes(bytes(range(256)) * 8 + b"\r\n.\r\n")
        (self.work / "notes.txt").write_text("line one\n.\nnaïve end\n", encoding="utf-8")
        folder = self.work / "reports"
        folder.mkdir()
        (folder / "old.csv").write_text("old")
        os.utime(folder / "old.csv", (1_000_000_000, 1_000_000_000))
        (folder / "new.csv").write_bytes(b"a,b\r\n1,2\r\n")
        self.schedule("--to", "Ann Lee <ann@example.com>; bob@example.org",
                      "--cc", "carl@example.com", "--bcc", "hidden@example.com",
                      "--subject", "Quarterly — Bericht für Ann",
                      "--body", "Dear Ann,\n.\nthe figures are attached.\n",
                      "--attach-file", str(self.work / "ledger.bin"),
                      "--attach-file", str(self.work / "notes.txt"),
                      "--attach-newest", str(folder), "--at", self.past())
        self.send_and_exit()

        self.assertEqual(len(self.server.envelopes), 1)
        mail_from, rcpt, raw = self.server.envelopes[0]
        self.assertEqual(mail_from, FROM)
        self.assertEqual(sorted(rcpt), ["ann@example.com", "bob@example.org",
                                        "carl@example.com", "hidden@example.com"])
        self.assertNotIn(b"hidden@example.com", raw)
        (m,) = self.server.mails()
        self.assertEqual(m["Subject"], "Quarterly — Bericht für Ann")
        self.assertEqual([a.addr_spec for a in m["To"].addresses],
                         ["ann@example.com", "bob@example.org"])
        self.assertEqual(m["To"].addresses[0].display_name, "Ann Lee")
        self.assertEqual(m["Cc"], "carl@example.com")
        self.assertIsNone(m["Bcc"])
        self.assertEqual(m["From"], FROM)
        self.assertTrue(m["Message-ID"].endswith("@example.com>"))
        self.assertEqual(m.get_body(("plain",)).get_content().replace("\r\n", "\n"),
                         "Dear Ann,\n.\nthe figures are attached.\n")
        files = {a.get_filename(): a.get_payload(decode=True) for a in m.iter_attachments()}
        self.assertEqual(files, {
            "ledger.bin": (self.work / "ledger.bin").read_bytes(),
            "notes.txt": "line one\n.\nnaïve end\n".encode("utf-8"),
            "new.csv": b"a,b\r\n1,2\r\n",
        })
        self.assertEqual(self.outbox(), [])

    def test_the_newest_file_of_a_folder_as_it_is_at_each_occurrence(self):
        folder = self.work / "exports"
        folder.mkdir()
        (folder / "monday.csv").write_text("first export\n")
        os.utime(folder / "monday.csv", (1_000_000_000, 1_000_000_000))
        due = datetime.datetime.now() - datetime.timedelta(hours=1)
        pattern = ["--daily", "--start", due.date().isoformat(), "--time",
                   due.strftime("%H:%M"), "--no-end"]
        mail_id = self.schedule("--to", "ann@example.com", "--subject", "Daily export",
                                "--attach-newest", str(folder), *pattern)

        def occurrence():
            self.send_and_exit()
            (entry,) = json.loads(self.ok("list", "--json"))
            self.assertEqual(entry["entryId"], mail_id)
            self.assertGreater(datetime.datetime.fromisoformat(entry["scheduleTime"]),
                               datetime.datetime.now())
            m = self.server.mails()[-1]
            self.assertEqual(m["Subject"], "Daily export")
            files = {a.get_filename(): a.get_payload(decode=True) for a in m.iter_attachments()}
            # The next occurrence comes due again: the stored mail keeps its sources.
            self.ok("reschedule", mail_id, *pattern)
            return files

        self.assertEqual(occurrence(), {"monday.csv": b"first export\n"})

        (folder / "tuesday.csv").write_text("second export\n")
        os.utime(folder / "tuesday.csv", (1_000_000_200, 1_000_000_200))
        self.assertEqual(occurrence(), {"tuesday.csv": b"second export\n"})

        # The same file rewritten: its bytes as they are now, not as first seen.
        (folder / "tuesday.csv").write_text("second export, corrected\n")
        os.utime(folder / "tuesday.csv", (1_000_000_400, 1_000_000_400))
        self.assertEqual(occurrence(),
                         {"tuesday.csv": b"second export, corrected\n"})
        self.assertEqual(len(self.server.envelopes), 3)
        self.assertEqual(len({m["Message-ID"] for m in self.server.mails()}), 3)


class KilledWhileTheServerHadIt(SmtpTest):
    def test_the_mail_is_held_not_sent_twice_until_the_user_resends_it(self):
        mail_id = self.schedule("--to", "ann@example.com", "--subject", "Maybe sent",
                                "--body", "b", "--at", self.past())
        self.server.hold_reply = True
        host = subprocess.Popen([self.exe, "run", "--send-and-exit"], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, env=self.env)
        try:
            self.assertTrue(self.server.data_taken.wait(HOST_WAIT), "the mail never reached DATA")
        finally:
            host.send_signal(signal.SIGKILL)
            host.wait(30)
        self.server.hold_reply = False
        self.server.release.set()
        self.assertEqual(len(self.server.envelopes), 1)
        (entry,) = self.outbox()
        self.assertEqual((entry["entryId"], entry["state"]), (mail_id, "underway"))

        err = self.send_outbox()
        self.assertEqual(len(self.server.envelopes), 1, "the mail went a second time")
        line = (f'"Maybe sent" (id {mail_id}) may already have been sent; not sent again '
                f"— use `velmora resend {mail_id}` to send it")
        self.assertIn(line, err)
        self.assertIn(line, self.log())
        (entry,) = self.outbox()
        self.assertEqual(entry["state"], "held")
        self.assertIn("1 mail(s) held in the Outbox", self.ok("list"))
        self.assertIn("held: may already have been sent", self.ok("list", "--outbox"))

        self.send_outbox()  # held stays held
        self.assertEqual(len(self.server.envelopes), 1)

        self.assertIn("resubmitted", self.ok("resend", mail_id))
        self.send_outbox()
        self.assertEqual(len(self.server.envelopes), 2)
        self.assertEqual(self.outbox(), [])
        self.assertNotIn("held in the Outbox", self.ok("list"))

    def test_a_mail_the_server_took_without_confirming_is_held_too(self):
        mail_id = self.schedule("--to", "ann@example.com", "--subject", "Unconfirmed",
                                "--body", "b", "--at", self.past())
        self.server.drop_reply = True
        r = self.send_and_exit()
        self.assertEqual(len(self.server.envelopes), 1)
        self.assertIn(f"may already have been sent; not sent again — use `velmora resend "
                      f"{mail_id}` to send it", r.stderr)
        (entry,) = self.outbox()
        self.assertEqual((entry["entryId"], entry["state"]), (mail_id, "held"))
        self.server.drop_reply = False
        self.send_outbox()
        self.assertEqual(len(self.server.envelopes), 1, "the mail went a second time")

    def test_resend_refuses_a_mail_not_in_the_outbox(self):
        later = (datetime.datetime.now() + datetime.timedelta(days=1)).strftime("%Y-%m-%dT%H:%M")
        mail_id = self.schedule("--to", "ann@example.com", "--subject", "Tomorrow", "--at", later)
        for args in (["resend", mail_id], ["resend", "0123456789ABCDEF"]):
            r = self.velmora(*args)
            self.assertEqual(r.returncode, 2, r.stderr)
            self.assertEqual(len(r.stderr.strip().splitlines()), 1, r.stderr)
        self.assertEqual(len(json.loads(self.ok("list", "--json"))), 1)
        self.assertEqual(self.outbox(), [])


if __name__ == "__main__":
    Commands.exe = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
