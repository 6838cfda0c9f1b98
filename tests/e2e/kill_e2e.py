#!/usr/bin/env python3
"""SIGKILL torture of the standalone host: no mail is lost, none goes twice.

A store is filled with due mails through `velmora schedule`: one-off mails due
an hour ago, and recurring mails with missed occurrences (some counted so that
their pattern ends among the due occurrences, some without end), a few with
attachments (files, the newest file of a folder). Then, again and again,
`velmora run --send-and-exit` is started and killed with SIGKILL at a random
moment: a few ms to a few hundred ms into its start (where it sends what an
earlier run left in the Outbox), in or just after the first pass (a second
after the host connected), after a random number of mails of the transmission
arrived, and now and then later. After every kill the store must open
(`velmora list` works) and hold no scheduled copy of a recurring mail beside
the originals, and the next due time in the registry, which the tray launcher
watches, must not be later than the work left. When nothing is left to send (or the round's kills are spent)
a last run completes the work, and the round is checked:

- every due occurrence (counted per subject; `velmora occurrences` gives the
  pattern's occurrences) was delivered exactly once, or, over SMTP only, is
  held visibly in the Outbox because a host died while the server had it;
- no Message-ID arrived twice; every mail filed in Sent Items arrived, and
  every mail that arrived is filed or held;
- recipients, body and attachments arrived whole.

Over SMTP the held mails are then resent with `velmora resend` and must
arrive once more. A round starts over with a fresh copy of the filled store;
rounds go on until the kills are spent. The seed is printed; the same seed replays the same
choices (the moments they land on still depend on the machine).

Usage: kill_e2e.py PATH-TO-VELMORA [--transport maildir|smtp] [--kills N]
                   [--kills-per-round N] [--seed S]
"""

import argparse
import asyncio
import collections
import datetime
import email
import email.policy
import json
import os
import pathlib
import random
import selectors
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

from velmora_cli import FROM, send_outbox, start_smtp

HOST_WAIT = 90  # seconds a run to completion may take on a loaded machine


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Velmora:
    """The built command with one user's VELMORA_HOME."""

    def __init__(self, exe, home):
        self.exe = exe
        self.home = home
        self.env = dict(os.environ, VELMORA_HOME=str(home))

    def run(self, *args, timeout=60):
        return subprocess.run([self.exe, *args], capture_output=True, text=True, env=self.env,
                              timeout=timeout)

    def ok(self, *args):
        r = self.run(*args)
        check(r.returncode == 0, f"velmora {' '.join(args)} -> {r.returncode}: {r.stdout}{r.stderr}")
        return r.stdout

    def host(self):
        return subprocess.Popen([self.exe, "run", "--send-and-exit", "--verbose"],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=self.env)


def wait_for_line(proc, needle, seconds):
    """Reads the host's output until a line holds `needle`; False when it ended first."""
    sel = selectors.DefaultSelector()
    sel.register(proc.stdout, selectors.EVENT_READ)
    deadline = time.monotonic() + seconds
    try:
        while time.monotonic() < deadline:
            if not sel.select(timeout=max(0.0, deadline - time.monotonic())):
                break
            line = proc.stdout.readline()
            if not line:
                return False
            if needle in line.decode("utf-8", "replace"):
                return True
        return False
    finally:
        sel.close()


# --- The scheduled mails -----------------------------------------------------

class Scenario:
    """The mails of one round and what each must give."""

    def __init__(self, velmora, work, rng):
        self.v = velmora
        self.work = work
        self.rng = rng
        self.expected = {}  # subject -> due occurrences
        self.originals = set()  # entry ids of the scheduled mails
        self.files = {}  # subject -> {attachment name: bytes}
        self.no_end = set()  # subjects whose pattern goes on

    def schedule(self, subject, *args):
        out = self.v.ok("schedule", "--to", "Ann Lee <ann@example.com>", "--cc",
                        "carl@example.com", "--bcc", "hidden@example.com", "--subject", subject,
                        "--body", f"Body of {subject}\n", *args)
        ids = [line.split(": ", 1)[1] for line in out.splitlines()
               if line.startswith("scheduled: ")]
        check(len(ids) == 1, f"no id in {out!r}")
        self.originals.add(ids[0])

    def due(self, pattern, limit, now):
        """The pattern's occurrences up to now, by the engine's own rules."""
        out = self.v.ok("occurrences", *pattern, *limit)
        times = [datetime.datetime.fromisoformat(t) for t in out.split("\n") if t]
        check(times, f"no occurrences for {pattern}")
        # None may fall due while the test runs: the count must not change.
        window = (now - datetime.timedelta(minutes=1), now + datetime.timedelta(hours=1))
        check(not any(window[0] <= t <= window[1] for t in times),
              f"an occurrence of {pattern} falls due during the test")
        return sum(1 for t in times if t <= now)

    def build(self):
        now = datetime.datetime.now().replace(second=0, microsecond=0)
        today = now.date()
        # A time of day three hours before now: the next occurrence is a day away.
        at = (now - datetime.timedelta(hours=3)).strftime("%H:%M")
        past = (now - datetime.timedelta(hours=1)).strftime("%Y-%m-%dT%H:%M")

        blob = self.work / "ledger.bin"
        blob.write_bytes(self.rng.randbytes(3000) + b"\x00\r\n.\r\n")
        text = self.work / "notes.txt"
        text.write_text("notes \u00e9\n.\nend\n", encoding="utf-8")
        for i in range(1, 16):
            subject = f"once {i:02d}"
            extra = []
            if i in (3, 7):
                extra = ["--attach-file", str(blob)]
                self.files[subject] = {"ledger.bin": blob.read_bytes()}
            elif i == 11:
                extra = ["--attach-file", str(text), "--attach-file", str(blob)]
                self.files[subject] = {"notes.txt": text.read_bytes(),
                                       "ledger.bin": blob.read_bytes()}
            self.schedule(subject, "--at", past, *extra)
            self.expected[subject] = 1

        reports = self.work / "reports"
        reports.mkdir()
        (reports / "old.csv").write_text("old")
        os.utime(reports / "old.csv", (1_000_000_000, 1_000_000_000))
        (reports / "latest.csv").write_bytes(b"a,b\r\n1,2\r\n")

        def start(days):
            return (today - datetime.timedelta(days=days)).isoformat()

        recurring = [
            # (subject, pattern, end for schedule, limit for occurrences, extra)
            ("daily open", ["--daily", "--start", start(30), "--time", at],
             ["--no-end"], ["--until", today.isoformat()], []),
            ("daily 4", ["--daily", "--start", start(10), "--time", at],
             ["--count", "4"], ["--count", "4"], ["--attach-file", str(blob)]),
            ("weekly 5", ["--weekly", "--days", "mon,wed,fri", "--start", start(21), "--time", at],
             ["--count", "5"], ["--count", "5"], []),
            ("every 2 days open", ["--daily", "--interval", "2", "--start", start(40), "--time", at],
             ["--no-end"], ["--until", today.isoformat()], ["--attach-newest", str(reports)]),
        ]
        for subject, pattern, end, limit, extra in recurring:
            self.schedule(subject, *pattern, *end, *extra, "--catch-up")
            self.expected[subject] = self.due(pattern, limit, now)
            if "--no-end" in end:
                self.no_end.add(subject)
        self.files["daily 4"] = {"ledger.bin": blob.read_bytes()}
        self.files["every 2 days open"] = {"latest.csv": b"a,b\r\n1,2\r\n"}
        return now


# --- Where mails arrive --------------------------------------------------------

class Maildir:
    name = "maildir"

    def __init__(self, home):
        self.new = home / "Maildir" / "new"

    def configure(self, velmora):
        velmora.ok("config", "--from", FROM)

    def received(self):
        if not self.new.exists():
            return []
        return [f.read_bytes() for f in sorted(self.new.iterdir())]

    def count(self):
        try:
            return len(os.listdir(self.new))
        except FileNotFoundError:
            return 0

    def stop(self):
        pass


class SmtpServer:
    name = "smtp"

    def __init__(self, rng):
        self.messages = []
        lock = threading.Lock()
        delays = random.Random(rng.random())
        messages = self.messages

        class Sink:
            async def handle_DATA(self, server, session, envelope):
                # Kept before the reply: a client killed now has had its mail
                # accepted without hearing so, as with a real server.
                with lock:
                    messages.append((sorted(envelope.rcpt_tos), bytes(envelope.content)))
                await asyncio.sleep(delays.uniform(0.0, 0.015))
                return "250 OK"

        self.controller, self.port = start_smtp(Sink())
        self.lock = lock

    def configure(self, velmora):
        velmora.ok("config", "--smtp", f"smtp://127.0.0.1:{self.port}", "--from", FROM)

    def received(self):
        with self.lock:
            envelopes = list(self.messages)
        for rcpt, _ in envelopes:
            check(rcpt == ["ann@example.com", "carl@example.com", "hidden@example.com"],
                  f"wrong envelope recipients {rcpt}")
        return [content for _, content in envelopes]

    def count(self):
        with self.lock:
            return len(self.messages)

    def reset(self):
        with self.lock:
            self.messages.clear()

    def stop(self):
        self.controller.stop()


# --- The store as it stands ----------------------------------------------------

def store_items(home):
    """(entry id, subject, folder kind, submitted, transmission) of every mail."""
    db = sqlite3.connect(str(home / "store.db"), timeout=30)
    try:
        check(db.execute("PRAGMA quick_check").fetchone()[0] == "ok", "the store is damaged")
        return db.execute(
            "SELECT i.entry_id, i.subject, f.default_kind, i.submitted, i.transmission "
            "FROM items i JOIN folders f ON f.id = i.folder_id").fetchall()
    finally:
        db.close()


def message_id(entry_id):
    return f"<{entry_id}@example.com>"


class Stats:
    def __init__(self):
        self.rounds = 0
        self.kills = 0
        self.finished_before_kill = 0
        self.kills_idle = 0  # the store as before the kill: start-up, or a pass rolled back
        self.kills_mid_transmission = 0  # mails left submitted in the Outbox
        self.kills_underway = 0  # a mail handed to the server, its end unrecorded
        self.checked = 0
        self.received = 0
        self.held = 0
        self.resent = 0


# --- One round ---------------------------------------------------------------------

def registry_time(text):
    return datetime.datetime.strptime(text, "%m/%d/%Y %I:%M:%S %p")


def snapshot(v, scenario, sink, now):
    """The store after a kill: it opens, lists, and holds no scheduled copy;
    the next due time the tray launcher watches is no later than the work
    left (or it would not start a host for it)."""
    listed = json.loads(v.ok("list", "--json"))
    copies = {e["entryId"] for e in listed} - scenario.originals
    check(not copies, f"a scheduled copy survived a kill: {copies}")
    outbox = json.loads(v.ok("list", "--outbox", "--json"))
    due = sum(1 for e in listed if datetime.datetime.fromisoformat(e["scheduleTime"]) <= now)
    states = collections.Counter(e["state"] for e in outbox)
    work = [registry_time(e["scheduleTimeText"]) for e in listed]
    if states["waiting"] or states["underway"]:
        work.append(datetime.datetime.now())
    said = [line.split(":", 1)[1].strip() for line in v.ok("config", "--show").splitlines()
            if line.startswith("next due:")]
    check(len(said) == 1, "velmora config --show gives no next due time")
    if work:
        check(said[0] != "none" and registry_time(said[0]) <= min(work),
              f"the registry's next due time {said[0]} is later than the work left "
              f"({min(work)})")
    return {"due": due, "scheduled": len(listed), "waiting": states["waiting"],
            "underway": states["underway"], "held": states["held"],
            "received": sink.count()}


def drained(state):
    return state["due"] == 0 and state["waiting"] == 0 and state["underway"] == 0


def count_kill(before, after, stats):
    stats.kills += 1
    if after == before:
        stats.kills_idle += 1
    if after["waiting"] or after["underway"]:
        stats.kills_mid_transmission += 1
    if after["underway"]:
        stats.kills_underway += 1


def wait_for_deliveries(proc, sink, count, seconds):
    """Waits until `count` mails have arrived; False when the host ended first."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if sink.count() >= count:
            return True
        if proc.poll() is not None:
            return False
        time.sleep(0.002)
    return False


def kill_once(v, sink, rng, due):
    """One host killed at a random moment; False when it finished first.
    Without due mails a host only sends the Outbox as it starts, then waits
    for its exit timer: it is killed in its start."""
    host = v.host()
    try:
        mode = rng.random() if due else 0.0
        if mode < 0.3:
            time.sleep(rng.uniform(0.003, 0.3))  # start-up, leftovers of an earlier run
        elif mode < 0.9:
            # The first pass comes a second after the host connected, and its
            # transmission follows at once.
            before = sink.count()
            if not wait_for_line(host, "host started", 30):
                host.wait(30)
            elif mode < 0.6:
                time.sleep(rng.uniform(0.95, 1.35))  # in the pass, or just after it
            else:
                # In the transmission, some mails gone.
                wait_for_deliveries(host, sink, before + rng.randint(1, 12), 30)
        else:
            time.sleep(rng.uniform(0.3, 3.0))
        if host.poll() is None:
            host.send_signal(signal.SIGKILL)
            host.wait(30)
            return True
        host.wait(30)
        # A host that ended by itself must have ended well, not crashed.
        check(host.returncode == 0,
              f"the host ended with {host.returncode}: {host.stderr.read().decode(errors='replace')}")
        return False
    finally:
        if host.poll() is None:
            host.kill()
            host.wait(30)
        host.stdout.close()
        host.stderr.close()


def verify(v, scenario, sink, now, stats):
    received = [email.message_from_bytes(raw, policy=email.policy.default)
                for raw in sink.received()]
    ids = collections.Counter(m["Message-ID"] for m in received)
    twice = [i for i, n in ids.items() if n > 1]
    check(not twice, f"delivered more than once: {twice}")

    items = store_items(v.home)
    sent = {message_id(e): s for e, s, kind, _, _ in items if kind == 5}
    outbox = [(e, s, sub, tx) for e, s, kind, sub, tx in items if kind == 4]
    held = {message_id(e): s for e, s, sub, tx in outbox if tx == 2 and not sub}
    stuck = [(s, sub, tx) for e, s, sub, tx in outbox if message_id(e) not in held]
    check(not stuck, f"mails left in the Outbox, not held: {stuck}")
    if sink.name == "maildir":
        check(not held, f"the Maildir can tell what arrived, yet mails were held: {held}")

    lost = [s for i, s in sent.items() if i not in ids]
    check(not lost, f"filed in Sent Items but never delivered: {lost}")
    phantom = [m["Subject"] for m in received if m["Message-ID"] not in sent
               and m["Message-ID"] not in held]
    check(not phantom, f"delivered mails the store does not account for: {phantom}")

    per_subject = collections.Counter(sent.values()) + collections.Counter(held.values())
    for subject, want in scenario.expected.items():
        check(per_subject[subject] == want,
              f"{subject!r}: {per_subject[subject]} sent or held, {want} due")
    extra = set(per_subject) - set(scenario.expected)
    check(not extra, f"mails nobody scheduled: {extra}")

    for m in received:
        subject = m["Subject"]
        check(m["To"] is not None and "ann@example.com" in m["To"], f"{subject}: To {m['To']}")
        check(m["Bcc"] is None, f"{subject}: Bcc in the headers")
        body = m.get_body(("plain",)).get_content().replace("\r\n", "\n")
        check(body == f"Body of {subject}\n", f"{subject}: body {body!r}")
        got = {a.get_filename(): a.get_payload(decode=True) for a in m.iter_attachments()}
        check(got == scenario.files.get(subject, {}), f"{subject}: attachments {sorted(got)}")

    listed = json.loads(v.ok("list", "--json"))
    left = {e["subject"]: e for e in listed}
    check(set(left) == scenario.no_end, f"still scheduled: {sorted(left)}")
    for e in listed:
        check(e["entryId"] in scenario.originals, f"a copy is scheduled: {e}")
        nxt = datetime.datetime.fromisoformat(e["scheduleTime"])
        check(nxt > now, f"{e['subject']}: next occurrence {nxt} is already due")

    stats.checked += sum(scenario.expected.values())
    stats.received += len(received)
    stats.held += len(held)
    return held


def send_leftovers(v):
    ok, err = send_outbox(v.exe, v.env, HOST_WAIT)
    check(ok, f"a host sending the Outbox failed: {err!r}")


def resend_held(v, sink, held, stats):
    if not held:
        return
    check("held in the Outbox" in v.ok("list"), "velmora list does not point at held mails")
    before = collections.Counter(
        email.message_from_bytes(raw, policy=email.policy.default)["Message-ID"]
        for raw in sink.received())
    for mid in held:
        v.ok("resend", mid[1:].split("@", 1)[0])
    send_leftovers(v)
    after = collections.Counter(
        email.message_from_bytes(raw, policy=email.policy.default)["Message-ID"]
        for raw in sink.received())
    for mid in held:
        check(after[mid] == before[mid] + 1, f"a resent mail did not go exactly once: {mid}")
    check(json.loads(v.ok("list", "--outbox", "--json")) == [], "the Outbox is not empty")
    stats.resent += len(held)


def fill_template(exe, base, rng):
    """The scheduled mails once, in a home every round copies: filling a store
    takes a score of commands, and the rounds differ by their kills anyway."""
    work = base / "template"
    work.mkdir()
    scenario = Scenario(Velmora(exe, work / "home"), work, rng)
    now = scenario.build()
    return scenario, now


def run_round(exe, base, transport, rng, kills, stats, smtp, total_kills, template):
    stats.rounds += 1
    work = pathlib.Path(tempfile.mkdtemp(prefix=f"round{stats.rounds}-", dir=base))
    scenario, now = template
    shutil.copytree(scenario.v.home, work / "home")
    v = Velmora(exe, work / "home")
    sink = smtp if transport == "smtp" else Maildir(v.home)
    if smtp:
        smtp.reset()
    sink.configure(v)

    done = 0
    state = snapshot(v, scenario, sink, now)
    while done < kills and not drained(state):
        if not kill_once(v, sink, rng, state["due"]):
            stats.finished_before_kill += 1
            state = snapshot(v, scenario, sink, now)
            break
        done += 1
        after = snapshot(v, scenario, sink, now)
        count_kill(state, after, stats)
        state = after

    # The run that completes the work. A drained store needs none, but the
    # last round runs it anyway: a host with nothing due must send nothing.
    start = time.monotonic()
    last = stats.kills >= total_kills
    if last or state["due"]:
        r = v.run("run", "--send-and-exit", timeout=HOST_WAIT)
        check(r.returncode == 0, f"the last run failed: {r.stderr}")
    elif not drained(state):
        send_leftovers(v)
    held = verify(v, scenario, sink, now, stats)
    resend_held(v, sink, held, stats)
    print(f"round {stats.rounds}: {done} kills, {sum(scenario.expected.values())} occurrences "
          f"checked, {len(held)} held, last run {time.monotonic() - start:.1f} s", flush=True)
    return done


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("velmora")
    parser.add_argument("--transport", choices=["maildir", "smtp"], default="maildir")
    parser.add_argument("--kills", type=int, default=40, help="kills in all (default 40)")
    parser.add_argument("--kills-per-round", type=int, default=10,
                        help="kills before a round is completed and checked (default 10)")
    parser.add_argument("--seed", type=int, default=None, help="random seed (default: new)")
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(2**32)
    print(f"kill_e2e: transport {args.transport}, {args.kills} kills, seed {seed} "
          f"(rerun with --seed {seed})", flush=True)
    rng = random.Random(seed)
    stats = Stats()
    smtp = SmtpServer(rng) if args.transport == "smtp" else None
    started = time.monotonic()
    try:
        with tempfile.TemporaryDirectory(prefix="velmora-kill-e2e-") as base:
            template = fill_template(os.path.abspath(args.velmora), pathlib.Path(base), rng)
            # A round whose host got through without a kill costs no kill;
            # the cap keeps a machine too fast to be caught from looping forever.
            while stats.kills < args.kills and stats.rounds < 2 * args.kills:
                kills = min(args.kills_per_round, args.kills - stats.kills)
                run_round(os.path.abspath(args.velmora), pathlib.Path(base), args.transport, rng,
                          kills, stats, smtp, args.kills, template)
    except Failure as e:
        print(f"FAILED (seed {seed}, round {stats.rounds}): {e}", flush=True)
        print("0 passed, 1 failed")
        return 1
    finally:
        if smtp:
            smtp.stop()
    print(f"kill_e2e {args.transport}: {stats.rounds} rounds, {stats.kills} kills "
          f"({stats.kills_idle} left the store as it was, {stats.kills_mid_transmission} "
          f"mid-transmission, {stats.kills_underway} with a mail underway), "
          f"{stats.finished_before_kill} hosts finished first, {stats.checked} occurrences "
          f"checked, {stats.received} mails received, {stats.held} held and {stats.resent} "
          f"resent, "
          f"{time.monotonic() - started:.0f} s", flush=True)
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
