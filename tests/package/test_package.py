"""The Debian package that make deb builds: lintian finds nothing but what only an upload
to Debian's archive would need; the package holds the installation's files and depends
on the libraries and the fonts the calendar uses.

QUILLO_PACKAGE_DIR names the folder of the package build, QUILLO_PACKAGE_VERSION the
version the package must carry.
"""

import glob
import os
import subprocess
import unittest

FOLDER = os.environ.get("QUILLO_PACKAGE_DIR", "")
VERSION = os.environ.get("QUILLO_PACKAGE_VERSION", "")

# Tags that concern only a package uploaded to Debian's archive (its maintainer, its bug
# reports, its licence being one that the archive takes), not whether the package
# installs and works.
ARCHIVE_ONLY_TAGS = {
    # The first upload of a package to the archive closes its "intent to package" bug.
    "initial-upload-closes-no-bugs",
}


def lintian_findings(deb):
    """(severity, tag, rest) of every error, warning and information lintian reports."""
    result = subprocess.run(["lintian", "--no-cfg", "--fail-on", "none", "--display-level", ">=info", deb],
                            capture_output=True, text=True, timeout=480, check=False)
    findings = []
    for line in result.stdout.splitlines():
        severity, _, rest = line.partition(": ")
        if severity in ("E", "W", "I"):
            _, _, tag_and_detail = rest.partition(": ")
            tag, _, detail = tag_and_detail.partition(" ")
            findings.append((severity, tag, detail))
    return findings, result


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        found = sorted(glob.glob(os.path.join(FOLDER, f"quillo_{VERSION}_*.deb")))
        if not found:
            raise unittest.SkipTest(f"no package quillo_{VERSION}_*.deb in {FOLDER!r} (make deb builds it)")
        cls.deb = found[-1]

    def field(self, name):
        return subprocess.run(["dpkg-deb", "--field", self.deb, name], capture_output=True, text=True,
                              check=True).stdout.strip()

    def test_lintian_finds_nothing_beyond_what_the_archive_asks(self):
        findings, result = lintian_findings(self.deb)
        self.assertNotIn("internal error", result.stderr)
        left = [f for f in findings if f[0] in ("E", "W") and f[1] not in ARCHIVE_ONLY_TAGS]
        self.assertEqual(left, [], result.stdout)
        # The hardening of dpkg-buildflags reached the programs (lintian says so only as
        # information).
        self.assertEqual([f for f in findings if f[1].startswith("hardening-")], [], result.stdout)

    def test_the_package_holds_every_installed_file(self):
        listing = subprocess.run(["dpkg-deb", "--contents", self.deb], capture_output=True, text=True,
                                 check=True).stdout
        paths = {line.split()[-1].lstrip(".") for line in listing.splitlines()}
        app = "example.vellomar.quillo"
        expected = {
            "/usr/bin/quillo", "/usr/bin/quillo-tool", "/usr/libexec/quillo/quillo-tool-qt",
            f"/usr/{os.environ.get('QUILLO_MODULE_DIR', 'lib/quillo')}/quillo-sync.so",
            f"/usr/share/applications/{app}.desktop",
            f"/usr/share/metainfo/{app}.metainfo.xml",
            f"/usr/share/icons/hicolor/scalable/apps/{app}.svg",
            "/usr/share/man/man1/quillo.1.gz", "/usr/share/man/man1/quillo-tool.1.gz",
            "/usr/share/doc/quillo/copyright", "/usr/share/doc/quillo/changelog.Debian.gz",
            "/etc/xdg/vellomar/registry.ini",
        } | {f"/usr/share/icons/hicolor/{s}x{s}/apps/{app}.png" for s in (16, 24, 32, 48, 64, 128, 256)}
        self.assertEqual(expected - paths, set())
        # Starting at login is each user's choice: no autostart entry for everybody.
        self.assertEqual([p for p in paths if "/autostart/" in p], [])

    def test_control_fields(self):
        self.assertEqual(self.field("Package"), "quillo")
        self.assertEqual(self.field("Version"), VERSION)
        depends = self.field("Depends")
        for needed in ("libqt6widgets6", "libqt6gui6", "libjpeg62-turbo", "zlib1g", "libc6",
                       "fonts-noto-cjk-extra", "fonts-ipafont-gothic", "fonts-bebas-neue",
                       "fonts-liberation2"):
            self.assertIn(needed, depends)
        description = self.field("Description").splitlines()
        synopsis, body = description[0], " ".join(description[1:])
        self.assertNotIn(synopsis, body)
        conffiles = subprocess.run(["dpkg-deb", "--info", self.deb, "conffiles"], capture_output=True,
                                   text=True, check=True).stdout.split()
        self.assertEqual(conffiles, ["/etc/xdg/vellomar/registry.ini"])


if __name__ == "__main__":
    unittest.main()
