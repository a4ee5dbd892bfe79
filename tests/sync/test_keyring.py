"""The sync password in a real keyring: GNOME Keyring's Secret Service on a private session
bus (the test runs under dbus-run-session). `sync setup` takes the password from standard
input and keeps it there, never in a file; a later pass finds it without being told."""

import os
import subprocess
import tempfile
import unittest

import caldav_fixtures as fixtures


class KeyringTest(unittest.TestCase):
    def setUp(self):
        if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
            self.skipTest("no session bus (run under dbus-run-session)")
        self.environment = dict(os.environ, HOME=tempfile.mkdtemp(prefix="quillo-keyring-home-"))
        self.environment.pop("QUILLO_SYNC_PASSWORD", None)
        daemon = subprocess.run(["gnome-keyring-daemon", "--unlock", "--components=secrets", "--daemonize"],
                                input=b"login password", capture_output=True, env=self.environment, timeout=20)
        self.assertEqual(daemon.returncode, 0, daemon.stderr)
        self.server = fixtures.Server("radicale")
        self.addCleanup(self.server.close)
        self.machine = fixtures.Machine("keyring")
        self.addCleanup(self.machine.close)

    def tool(self, *arguments, password=None):
        return subprocess.run([fixtures.TOOL, "sync", *arguments, "--data", self.machine.folder], text=True,
                              input=password, capture_output=True, env=self.environment, timeout=60)

    def test_the_password_goes_into_the_keyring_and_a_pass_finds_it_there(self):
        setup = self.tool("setup", self.server.root, fixtures.USER, "--collection", "日めくり暦のメモ",
                          password=fixtures.PASSWORD)
        self.assertEqual(setup.returncode, 0, setup.stdout + setup.stderr)
        self.assertIn("キーリング", setup.stdout)
        for folder, _, files in os.walk(self.machine.folder):
            for name in files:
                with open(os.path.join(folder, name), "rb") as stored:
                    self.assertNotIn(fixtures.PASSWORD.encode("utf-8"), stored.read(), name)
        self.machine.edit("20261208", "鍵の中のパスワードで 🔑")
        sync = self.tool()
        self.assertEqual(sync.returncode, 0, sync.stdout + sync.stderr)
        self.assertIn("送信 1 件", sync.stdout)


if __name__ == "__main__":
    unittest.main()
