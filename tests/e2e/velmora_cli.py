"""What the end-to-end tests of `velmora` share: the built command, run in the
test's own VELMORA_HOME (the test case sets `self.env`)."""

import subprocess


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
