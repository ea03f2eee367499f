"""The Debian package's contents and its kavro command, unpacked into temporary roots.

usage: KAVRO_DEB=build/kavro_<version>_<arch>.deb python3 -m unittest package_test"""

import configparser
import gzip
import os
import pathlib
import shutil
import struct
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

DEB = os.environ.get("KAVRO_DEB", "")
EXAMPLE = "prefix/share/doc/kavro/examples/Tolm.ini"  # in an installation under "prefix"
APP = "org.kavro.Kavro"
# Every file of the package, and whether it is executable.
FILES = {"usr/bin/kavro": True, "usr/lib/kavro/kavro": True, "usr/share/doc/kavro/examples/Tolm.ini": False,
         "usr/share/applications/%s.desktop" % APP: False, "usr/share/icons/hicolor/32x32/apps/%s.png" % APP: False,
         "usr/share/icons/hicolor/scalable/apps/%s.svg" % APP: False, "usr/share/metainfo/%s.metainfo.xml" % APP: False,
         "usr/share/man/man1/kavro.1.gz": False, "usr/share/doc/kavro/copyright": False,
         "usr/share/doc/kavro/changelog.gz": False}


def setUpModule():
    global ROOT
    if not os.path.isfile(DEB):
        raise unittest.SkipTest("no package at KAVRO_DEB=%r" % DEB)
    ROOT = tempfile.mkdtemp(prefix="kavro-package-")
    unittest.addModuleCleanup(shutil.rmtree, ROOT, True)
    subprocess.run(["dpkg-deb", "-x", DEB, ROOT], check=True)


def dpkg_deb(option, *fields):
    return subprocess.run(["dpkg-deb", option, DEB, *fields], check=True, capture_output=True, text=True).stdout


class Contents(unittest.TestCase):
    def test_files_and_what_names_them(self):
        found = {}
        for line in dpkg_deb("-c").splitlines():
            mode, owner, _, _, _, path = line.split(None, 5)
            self.assertEqual(owner, "root/root", path)
            found.update({} if mode.startswith("d") else {path.removeprefix("./"): mode})
        self.assertEqual(found, {path: "-rwxr-xr-x" if run else "-rw-r--r--" for path, run in FILES.items()})
        # The desktop entry names the command and an installed icon; the metainfo names the
        # entry, and it and the changelog name the package's version.
        entry = configparser.ConfigParser(interpolation=None)
        entry.read(os.path.join(ROOT, "usr/share/applications/%s.desktop" % APP))
        desktop = entry["Desktop Entry"]
        self.assertEqual((desktop["Type"], desktop["Exec"], desktop["Icon"]), ("Application", "kavro", APP))
        header = pathlib.Path(ROOT, "usr/share/icons/hicolor/32x32/apps/%s.png" % APP).read_bytes()[:24]
        self.assertEqual((header[:8], struct.unpack(">II", header[16:24])), (b"\x89PNG\r\n\x1a\n", (32, 32)))
        version = dpkg_deb("-f", "Version").strip()
        metainfo = ElementTree.parse(os.path.join(ROOT, "usr/share/metainfo/%s.metainfo.xml" % APP))
        changelog = gzip.decompress(pathlib.Path(ROOT, "usr/share/doc/kavro/changelog.gz").read_bytes()).split()[:2]
        self.assertEqual((metainfo.findtext("launchable"), metainfo.find("releases/release").get("version"), changelog),
                         (APP + ".desktop", version, [b"kavro", b"(%s)" % version.encode()]))


# The kavro command of the package in an installation of its own, beside a stand-in viewer that
# tells how it was started and ends with a code of its own, with HOME in a temporary folder.
class Command(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="kavro-command-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.viewer, self.local = self.path("prefix/lib/kavro/kavro"), self.path("home/.local/share/kavro")
        shutil.copytree(os.path.join(ROOT, "usr"), self.path("prefix"))
        pathlib.Path(self.viewer).write_text('#!/bin/sh\necho "$0 $*"\nexit 3\n')  # in the viewer's place

    def path(self, *names):
        return os.path.join(self.work, *names)

    def start(self, command="prefix/bin/kavro", xdg=None, arguments=(), home=True):
        env = dict(PATH=os.environ["PATH"], **({"HOME": self.path("home")} if home else {}),
                   **({"XDG_DATA_HOME": xdg} if xdg else {}))
        return subprocess.run([command, *arguments], cwd=self.work, env=env, capture_output=True, text=True,
                              timeout=20)

    def test_starts_the_viewer_through_the_users_link(self):
        os.makedirs(self.path("bin"))
        os.symlink(self.path("prefix/bin/kavro"), self.path("bin/kavro"))
        cases = [  # (how the command is started, XDG_DATA_HOME, the folder it must use)
            (self.path("prefix/bin/kavro"), None, self.local),
            (self.path("prefix/bin/kavro"), self.path("data"), self.path("data/kavro")),
            (self.path("prefix/bin/kavro"), "data", self.local),  # a relative one is ignored
            ("prefix/bin/kavro", None, self.local),
            (self.path("bin/kavro"), None, self.local),  # through a link to the command
        ]
        for command, xdg, folder in cases:
            with self.subTest(command=command, xdg=xdg):
                result = self.start(command, xdg)
                self.assertEqual((result.returncode, result.stdout, os.readlink(os.path.join(folder, "kavro")),
                                  pathlib.Path(folder, "Tolm.ini").read_text()),
                                 (3, os.path.join(folder, "kavro") + " \n", self.viewer,
                                  pathlib.Path(self.path(EXAMPLE)).read_text()), result.stderr)
        # The user's own settings are kept, and a link to an old installation is repaired.
        pathlib.Path(self.local, "Tolm.ini").write_text("PORT = COM3\n")
        os.remove(os.path.join(self.local, "kavro"))
        os.symlink("/usr/lib/kavro-old/kavro", os.path.join(self.local, "kavro"))
        self.assertEqual(self.start().returncode, 3)
        self.assertEqual((pathlib.Path(self.local, "Tolm.ini").read_text(), os.readlink(self.local + "/kavro")),
                         ("PORT = COM3\n", self.viewer))

    def test_says_why_when_it_cannot_start(self):
        pathlib.Path(self.path("a-file")).write_text("not a folder")
        os.makedirs(os.path.join(self.local, "kavro"))  # a folder in the link's place
        # (XDG_DATA_HOME, what the message must name): a folder that cannot be made, a folder in the link's place
        for xdg, named in [(self.path("a-file"), self.path("a-file/kavro")), (None, os.path.join(self.local, "kavro"))]:
            result = self.start(xdg=xdg)
            self.assertTrue(result.returncode == 1 and result.stdout == "" and named in result.stderr, result)
        self.assertEqual(os.listdir(os.path.join(self.local, "kavro")), [], "left as it was")

    def test_answers_its_options_without_starting_the_viewer(self):
        version = dpkg_deb("-f", "Version").strip()
        xdg = self.path("data")
        cases = [  # (arguments, XDG_DATA_HOME, HOME set, exit status, what standard output holds)
            (["--version"], None, True, 0, ["kavro %s\n" % version]),
            (["--help"], None, True, 0, ["Usage: kavro [--help | --version]", "  %s\n" % self.local,
                                         "  %s/Tolm.ini\n" % self.local, "  %s/tracks/\n" % self.local,
                                         "  %s/Tolm.txt\n" % self.local, "TRACKS = off", "journalctl --user",
                                         "  " + os.path.realpath(self.path(EXAMPLE)) + "\n", "man kavro\n"]),
            (["-h"], xdg, True, 0, ["Usage: kavro", "  %s/kavro/Tolm.ini\n" % xdg]),
            (["--help"], None, False, 0, ["(none: HOME is not set)", "  <your folder>/Tolm.ini"]),
            (["--version", "--bogus"], None, True, 0, ["kavro %s\n" % version]),  # the first argument decides
        ]
        for arguments, xdg, home, status, shown in cases:
            with self.subTest(arguments=arguments, xdg=xdg, home=home):
                result = self.start(xdg=xdg, arguments=arguments, home=home)
                self.assertEqual((result.returncode, result.stderr), (status, ""))
                for text in shown:
                    self.assertIn(text, result.stdout)
        # Refused with one line on standard error and status 2: the viewer takes no arguments.
        for arguments, named in [(["--bogus"], "unknown option '--bogus'"), (["-x"], "unknown option '-x'"),
                                 (["--"], "unknown option '--'"), (["track.gpx"], "no arguments, but was given 'track.gpx'"),
                                 (["--bogus", "--help"], "unknown option '--bogus'")]:
            with self.subTest(arguments=arguments):
                result = self.start(arguments=arguments)
                self.assertEqual((result.returncode, result.stdout, result.stderr.count("\n")), (2, "", 1), result.stderr)
                self.assertTrue(result.stderr.startswith("kavro: ") and named in result.stderr, result.stderr)
        self.assertFalse(os.path.exists(self.path("home")), "an option or a refusal made the user's folder")

    def test_writes_the_two_settings_when_the_example_is_left_out(self):
        # Systems that leave out /usr/share/doc (dpkg's path-exclude) have no example file.
        shutil.rmtree(self.path("prefix/share/doc"))
        result = self.start()
        self.assertEqual(result.returncode, 3, result.stderr)
        lines = pathlib.Path(self.local, "Tolm.ini").read_text().splitlines()
        self.assertEqual([line for line in lines if not line.startswith("#")], ["PORT = gpsd", "RATE = 4800"])
