"""What the end-to-end tests of `velmora` share: the built command, run in the
test's own VELMORA_HOME (the test case sets `self.env`); a host run only for
the Outbox; an SMTP server on loopback."""

import signal
import socket
import subprocess
import sys
import threading

FROM = "me@example.com"


def start_smtp(handler):
    """An aiosmtpd server on a free loopback port with the given handler: its
    controller (stop it when done) and its port."""
    try:
        from aiosmtpd.controller import Controller
    except ImportError:
        # CMake may have found another Python than Debian's, which has aiosmtpd.
        sys.path.append("/usr/lib/python3/dist-packages")
        from aiosmtpd.controller import Controller
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    controller = Controller(handler, hostname="127.0.0.1", port=port)
    controller.start()
    return controller, port


def send_outbox(exe, env, timeout=60):
    """Runs a host only for what waits in the Outbox: it sends that before it
    says "host started", and is stopped then, sparing the ten-second wait a
    --send-and-exit run has when its pass sends nothing. Whether it started
    and ended well, and its stderr."""
    host = subprocess.Popen([exe, "run", "--verbose"], stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
    watchdog = threading.Timer(timeout, host.kill)
    watchdog.start()
    try:
        started = any("host started" in line for line in host.stdout)
        host.send_signal(signal.SIGTERM)
        _, err = host.communicate(timeout=timeout)
    finally:
        watchdog.cancel()
    return started and host.returncode == 0, err


class Commands:
    """A mixin for unittest.TestCase; the script sets `Commands.exe` from its
    command line before the tests run."""

    exe = None

    def velmora(self, *args, timeout=60):
        return subprocess.run([self.exe, *args], capture_output=True, text=True, env=self.env,
                              timeout=timeout)

    def ok(self, *args):
        r = self.velmora(*args)
        self.assertEqual(r.returncode, 0, f"{args}: {r.stdout}{r.stderr}")
        return r.stdout

    def schedule(self, *args):
        """Schedules a mail; its entry id."""
        out = self.ok("schedule", *args)
        for line in out.splitlines():
            if line.startswith("scheduled: "):
                return line.split(": ", 1)[1]
        self.fail(f"no id in {out!r}")

    def send_outbox(self, timeout=60):
        """See `send_outbox`; the run's stderr."""
        ok, err = send_outbox(self.exe, self.env, timeout)
        self.assertTrue(ok, f"a host sending the Outbox: {err}")
        return err
