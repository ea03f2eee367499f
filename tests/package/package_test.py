#!/usr/bin/env python3
"""The Debian package's contents and its kavro command, unpacked into temporary roots.

usage: KAVRO_DEB=build/kavro_<version>_<arch>.deb python3 -m unittest package_test"""

import configparser
import gzip
import os
import shutil
import stat
import struct
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

DEB = os.environ.get("KAVRO_DEB", "")
APP_ID = "org.kavro.Kavro"

# Every file of the package, and whether it is executable.
FILES = {
    "usr/bin/kavro": True,
    "usr/lib/kavro/kavro": True,
    "usr/share/kavro/Tolm.ini": False,
    "usr/share/applications/%s.desktop" % APP_ID: False,
    "usr/share/icons/hicolor/32x32/apps/%s.png" % APP_ID: False,
    "usr/share/icons/hicolor/scalable/apps/%s.svg" % APP_ID: False,
    "usr/share/metainfo/%s.metainfo.xml" % APP_ID: False,
    "usr/share/man/man1/kavro.1.gz": False,
    "usr/share/doc/kavro/copyright": False,
    "usr/share/doc/kavro/changelog.gz": False,
}

# Stands in for the viewer: tells how it was started and ends with a code of its own.
STAND_IN = '#!/bin/sh\necho "$0 $*"\nexit 3\n'


def setUpModule():
    global ROOT, WORK
    if not os.path.isfile(DEB):
        raise unittest.SkipTest("no package at KAVRO_DEB=%r" % DEB)
    WORK = tempfile.mkdtemp(prefix="kavro-package-")
    ROOT = os.path.join(WORK, "root")
    subprocess.run(["dpkg-deb", "-x", DEB, ROOT], check=True)


def tearDownModule():
    shutil.rmtree(WORK, ignore_errors=True)


class Contents(unittest.TestCase):
    def test_files_owners_and_modes(self):
        listing = subprocess.run(["dpkg-deb", "-c", DEB], check=True, capture_output=True, text=True).stdout
        found = {}
        for line in listing.splitlines():
            mode, owner, _, _, _, path = line.split(None, 5)
            self.assertEqual(owner, "root/root", path)
            if not mode.startswith("d"):
                found[path.removeprefix("./")] = mode
        self.assertEqual(set(found), set(FILES))
        for path, executable in FILES.items():
            self.assertEqual(found[path], "-rwxr-xr-x" if executable else "-rw-r--r--", path)

    def test_desktop_entry_names_the_command_and_an_installed_icon(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(os.path.join(ROOT, "usr/share/applications/%s.desktop" % APP_ID))
        desktop = entry["Desktop Entry"]
        self.assertEqual((desktop["Type"], desktop["Exec"], desktop["Icon"]), ("Application", "kavro", APP_ID))
        with open(os.path.join(ROOT, "usr/share/icons/hicolor/32x32/apps/%s.png" % APP_ID), "rb") as f:
            header = f.read(24)
        self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(struct.unpack(">II", header[16:24]), (32, 32))
        metainfo = ElementTree.parse(os.path.join(ROOT, "usr/share/metainfo/%s.metainfo.xml" % APP_ID))
        self.assertEqual(metainfo.findtext("launchable"), APP_ID + ".desktop")

    def test_changelog_and_metainfo_name_the_packages_version(self):
        version = subprocess.run(["dpkg-deb", "-f", DEB, "Version"], check=True, capture_output=True,
                                 text=True).stdout.strip()
        with gzip.open(os.path.join(ROOT, "usr/share/doc/kavro/changelog.gz"), "rt") as f:
            self.assertEqual(f.readline().split()[:2], ["kavro", "(%s)" % version])
        metainfo = ElementTree.parse(os.path.join(ROOT, "usr/share/metainfo/%s.metainfo.xml" % APP_ID))
        self.assertEqual(metainfo.find("releases/release").get("version"), version)


class Command(unittest.TestCase):
    """The kavro command of the package, beside a stand-in viewer in an installation of its
    own, started with HOME in a temporary folder."""

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="kavro-command-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.prefix = self.make("prefix")
        self.home = self.make("home")
        self.viewer = os.path.join(self.prefix, "lib/kavro/kavro")
        self.example = os.path.join(ROOT, "usr/share/kavro/Tolm.ini")
        for source, target in ((os.path.join(ROOT, "usr/bin/kavro"), "bin/kavro"),
                               (self.example, "share/kavro/Tolm.ini")):
            os.makedirs(os.path.dirname(os.path.join(self.prefix, target)), exist_ok=True)
            shutil.copy2(source, os.path.join(self.prefix, target))
        os.makedirs(os.path.dirname(self.viewer))
        with open(self.viewer, "w") as f:
            f.write(STAND_IN)
        os.chmod(self.viewer, 0o755)

    def make(self, name):
        path = os.path.join(self.work, name)
        os.makedirs(path, exist_ok=True)
        return path

    def start(self, command=None, xdg=None, args=()):
        env = {"PATH": os.environ["PATH"], "HOME": self.home}
        if xdg is not None:
            env["XDG_DATA_HOME"] = xdg
        return subprocess.run([command or os.path.join(self.prefix, "bin/kavro"), *args], cwd=self.work,
                              env=env, capture_output=True, text=True, timeout=20)

    def test_starts_the_viewer_through_the_users_link(self):
        local = os.path.join(self.home, ".local/share/kavro")
        linked_command = os.path.join(self.make("bin"), "kavro")
        os.symlink(os.path.join(self.prefix, "bin/kavro"), linked_command)
        # How the command is started, XDG_DATA_HOME, and the folder it must use.
        cases = [
            ("first start", None, None, local),
            ("again", None, None, local),
            ("absolute XDG_DATA_HOME", None, os.path.join(self.work, "data"), os.path.join(self.work, "data/kavro")),
            ("relative XDG_DATA_HOME is ignored", None, "data", local),
            ("by a relative path", "prefix/bin/kavro", None, local),
            ("through a link to the command", linked_command, None, local),
        ]
        for how, command, xdg, folder in cases:
            with self.subTest(how):
                result = self.start(command, xdg, ("--an", "argument"))
                self.assertEqual(result.returncode, 3, result.stderr)
                self.assertEqual(result.stdout, os.path.join(folder, "kavro") + " --an argument\n")
                self.assertEqual(os.readlink(os.path.join(folder, "kavro")), self.viewer)
                with open(os.path.join(folder, "Tolm.ini")) as ini, open(self.example) as example:
                    self.assertEqual(ini.read(), example.read())

    def test_keeps_the_users_settings_and_repairs_the_link(self):
        folder = self.make("home/.local/share/kavro")
        with open(os.path.join(folder, "Tolm.ini"), "w") as f:
            f.write("PORT = COM3\n")
        os.symlink("/usr/lib/kavro-old/kavro", os.path.join(folder, "kavro"))
        self.assertEqual(self.start().returncode, 3)
        with open(os.path.join(folder, "Tolm.ini")) as f:
            self.assertEqual(f.read(), "PORT = COM3\n")
        self.assertEqual(os.readlink(os.path.join(folder, "kavro")), self.viewer)

    def test_says_why_when_it_cannot_start(self):
        blocker = os.path.join(self.work, "a-file")
        with open(blocker, "w") as f:
            f.write("not a folder")
        local = os.path.join(self.home, ".local/share/kavro")
        self.make("home/.local/share/kavro/kavro")  # a folder in the link's place
        # XDG_DATA_HOME, and what the message must name.
        cases = [
            ("folder cannot be made", blocker, os.path.join(blocker, "kavro")),
            ("something else in the link's place", None, os.path.join(local, "kavro")),
        ]
        for how, xdg, named in cases:
            with self.subTest(how):
                result = self.start(xdg=xdg)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stdout, "", "the viewer must not start")
                self.assertIn(named, result.stderr)
        self.assertTrue(stat.S_ISDIR(os.lstat(os.path.join(local, "kavro")).st_mode), "left as it was")


if __name__ == "__main__":
    unittest.main()
