"""The Debian package as a user gets it: built by CPack from this build,
unpacked with dpkg-deb into a scratch folder, its contents checked, and the
unpacked velmora run there, down to a scheduled mail in the Maildir.

usage: deb_test.py CPACK CPACK_CONFIG VERSION"""

import datetime
import gzip
import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

CPACK, CONFIG, VERSION = sys.argv[1:4]


def run(*args, **kw):
    return subprocess.run(args, capture_output=True, text=True, timeout=300, **kw)


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="velmora-deb-")
        scratch = pathlib.Path(cls.tmp.name)
        r = run(CPACK, "-G", "DEB", "--config", CONFIG, "-B", str(scratch / "out"))
        assert r.returncode == 0, r.stdout + r.stderr
        debs = list((scratch / "out").glob("*.deb"))
        assert len(debs) == 1, debs
        cls.deb = debs[0]
        cls.root = scratch / "root"
        r = run("dpkg-deb", "-x", str(cls.deb), str(cls.root))
        assert r.returncode == 0, r.stderr

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def field(self, name):
        r = run("dpkg-deb", "-f", str(self.deb), name)
        self.assertEqual(r.returncode, 0, r.stderr)
        return r.stdout.strip()

    def test_control_names_the_package_and_its_libraries(self):
        self.assertEqual(self.field("Package"), "velmora")
        self.assertEqual(self.field("Version"), VERSION)
        depends = self.field("Depends")
        # The libraries velmora links must be installed with it.
        for lib in ("libc6", "libsqlite3-0", "libgmime-3.0-0", "libcurl4", "libpugixml1v5"):
            self.assertIn(lib, depends)

    def test_files_are_where_packages_put_them(self):
        for cmd in ("velmora", "orbitel"):
            exe = self.root / "usr/bin" / cmd
            self.assertTrue(os.access(exe, os.X_OK), exe)
            page = self.root / f"usr/share/man/man1/{cmd}.1.gz"
            with gzip.open(page, "rt") as f:
                text = f.read()
            self.assertIn(f'.TH {cmd.upper()} "1"', text)
            # The sections written by hand came along with the generated ones.
            self.assertIn(".SH ENVIRONMENT", text)
            self.assertIn("VELMORA_HOME", text)
        unit = (self.root / "usr/lib/systemd/user/orbitel.service").read_text()
        exec_start = [l for l in unit.splitlines() if l.startswith("ExecStart=")]
        self.assertEqual(exec_start, ["ExecStart=/usr/bin/orbitel run"])
        self.assertNotIn("@", unit)

    def test_unpacked_velmora_sends_a_scheduled_mail(self):
        velmora = str(self.root / "usr/bin/velmora")
        r = run(velmora, "--version")
        if r.returncode == 0:
            self.assertIn(VERSION, r.stdout)
        else:
            # Older builds have no --version; their help must still work.
            r = run(velmora, "--help")
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertIn("schedule", r.stdout)
        with tempfile.TemporaryDirectory(prefix="velmora-home-") as home:
            env = dict(os.environ, VELMORA_HOME=home)
            now = datetime.datetime.now().strftime("%Y-%m-%dT%H:%M")
            r = run(velmora, "schedule", "--to", "Ann <ann@example.com>", "--subject",
                    "From the package", "--body", "unpacked", "--at", now, env=env)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
            r = run(velmora, "run", "--send-and-exit", env=env)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
            mails = list(pathlib.Path(home, "Maildir", "new").iterdir())
            self.assertEqual(len(mails), 1, mails)
            text = mails[0].read_text()
            self.assertIn("Subject: From the package", text)
            self.assertIn("ann@example.com", text)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
