"""A user's settings across updates: the Debian package upgraded by dpkg, and the home install
made again, as the README gives them, each with an edited Tolm.ini in between.

usage: KAVRO_DEB=build/kavro_<version>_<arch>.deb KAVRO_BUILD=build python3 -m unittest upgrade_test"""

import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import unittest

DEB = os.environ.get("KAVRO_DEB", "")
BUILD = os.environ.get("KAVRO_BUILD", "")
README = pathlib.Path(__file__).resolve().parents[2] / "README.md"
EDITED = "# mine\nPORT = /dev/ttyACM0\nRATE = 9600\n"
# Stands in for the viewer, which would open a window: the command's work is what is tested.
STAND_IN = '#!/bin/sh\necho "started $0"\n'


class UserHome:
    """A temporary HOME, the kavro command run in it, and the user's settings there."""

    def __init__(self, test):
        self.work = tempfile.mkdtemp(prefix="kavro upgrade-")  # a blank, as a home may have
        test.addCleanup(shutil.rmtree, self.work, True)
        self.home = os.path.join(self.work, "home")
        self.folder = os.path.join(self.home, ".local", "share", "kavro")
        self.settings = pathlib.Path(self.folder, "Tolm.ini")
        os.makedirs(self.home)

    def env(self):
        return dict(PATH=os.environ["PATH"], HOME=self.home, LC_ALL="C.UTF-8")

    def run(self, command, cwd=None):
        result = subprocess.run(command, cwd=cwd or self.work, env=self.env(), capture_output=True, text=True,
                                timeout=300, shell=isinstance(command, str))
        if result.returncode != 0:
            raise AssertionError("%s failed (%d):\n%s%s" % (command, result.returncode, result.stdout, result.stderr))
        return result.stdout + result.stderr

    def start_kavro(self, prefix):
        """The installed command once, with the installed viewer swapped for the stand-in."""
        viewer = pathlib.Path(prefix, "lib/kavro/kavro")
        viewer.unlink()
        viewer.write_text(STAND_IN)
        viewer.chmod(0o755)
        return self.run([os.path.join(prefix, "bin/kavro")])


def needs(ready, why):
    """Skips a test that cannot run here, saying why; in CI that is a failure."""
    if ready:
        return lambda case: case
    if os.environ.get("CI") == "true":
        raise RuntimeError(why)
    return unittest.skip(why)


def files_under(root):
    return sorted(os.path.relpath(os.path.join(folder, name), root)
                  for folder, _, names in os.walk(root) for name in names)


@needs(os.path.isfile(DEB), "no package at KAVRO_DEB=%r" % DEB)
class DebianUpgrade(unittest.TestCase):
    def dpkg(self, user, *arguments):
        return user.run(["dpkg", "--root=" + self.root, "--force-depends", "--force-script-chrootless", "--force-not-root",
                         *arguments])

    # The package, and the same package rebuilt with a higher version (its control file
    # changed, every other byte the same).
    def make_packages(self, user):
        version = subprocess.run(["dpkg-deb", "-f", DEB, "Version"], check=True, capture_output=True,
                                 text=True).stdout.strip()
        newer, tree = os.path.join(user.work, "kavro-newer.deb"), os.path.join(user.work, "tree")
        subprocess.run(["dpkg-deb", "-R", DEB, tree], check=True)
        control = pathlib.Path(tree, "DEBIAN/control")
        control.write_text(re.sub(r"(?m)^Version: .*$", "Version: %s+1" % version, control.read_text()))
        subprocess.run(["dpkg-deb", "--root-owner-group", "-b", tree, newer], check=True, capture_output=True)
        subprocess.run(["dpkg", "--compare-versions", version + "+1", "gt", version], check=True)
        return version, newer

    def test_an_upgrade_keeps_the_users_settings(self):
        user = UserHome(self)
        version, newer = self.make_packages(user)
        # dpkg's own database in a root of its own: the machine's packages are not touched.
        self.root = os.path.join(user.work, "root")
        admin = os.path.join(self.root, "var/lib/dpkg")
        for name in ["info", "updates", "triggers"]:
            os.makedirs(os.path.join(admin, name))
        for name in ["status", "available"]:
            pathlib.Path(admin, name).touch()
        prefix = os.path.join(self.root, "usr")

        self.dpkg(user, "-i", DEB)
        user.start_kavro(prefix)
        example = pathlib.Path(prefix, "share/doc/kavro/examples/Tolm.ini").read_text()
        self.assertEqual(user.settings.read_text(), example, "the first start copies the example")
        user.settings.write_text(EDITED)
        self.dpkg(user, "-i", newer)
        self.assertIn("Version: %s+1" % version, self.dpkg(user, "-s", "kavro"))
        self.assertEqual(user.settings.read_text(), EDITED)
        user.start_kavro(prefix)
        self.assertEqual((user.settings.read_text(), pathlib.Path(prefix, "share/doc/kavro/examples/Tolm.ini")
                          .read_text()), (EDITED, example))
        self.dpkg(user, "-r", "kavro")
        self.assertEqual((user.settings.read_text(), files_under(prefix)), (EDITED, []), "removal keeps the folder")


@needs(os.path.isfile(os.path.join(BUILD, "CMakeCache.txt")), "no build folder at KAVRO_BUILD=%r" % BUILD)
class HomeInstall(unittest.TestCase):
    # The README's commands for installing into the home and taking that back, run as written
    # in a folder where "build" is the build folder.
    def readme_command(self, pattern):
        found = [line.split("  #")[0].strip() for line in README.read_text().splitlines() if re.match(pattern, line)]
        self.assertEqual(len(found), 1, "the README gives one command matching %r" % pattern)
        return found[0]

    def test_installing_again_keeps_the_users_settings_and_the_manifest_takes_it_back(self):
        user = UserHome(self)
        install = self.readme_command(r"^cmake --install build --prefix ~/\.local")
        uninstall = self.readme_command(r"^grep .*build/install_manifest\.txt")
        os.symlink(os.path.realpath(BUILD), os.path.join(user.work, "build"))
        prefix = os.path.join(user.home, ".local")

        user.run(install)
        installed = files_under(prefix)
        user.start_kavro(prefix)
        example = pathlib.Path(prefix, "share/doc/kavro/examples/Tolm.ini").read_text()
        self.assertEqual(user.settings.read_text(), example, "the first start copies the example")
        user.settings.write_text(EDITED)
        said = user.run(install)
        self.assertNotIn(user.folder, said)
        self.assertEqual(user.settings.read_text(), EDITED)
        user.start_kavro(prefix)  # the updated command starts
        self.assertEqual(user.settings.read_text(), EDITED)
        manifest = pathlib.Path(user.work, "build/install_manifest.txt").read_text().split("\n")
        self.assertEqual(sorted(os.path.relpath(path, prefix) for path in manifest), installed)
        self.assertEqual([path for path in manifest if path.startswith(user.folder + "/")], [])

        user.run(uninstall)
        left = files_under(prefix)
        self.assertEqual(left, ["share/kavro/Tolm.ini", "share/kavro/kavro"], "only the user's folder stays")
        self.assertEqual(user.settings.read_text(), EDITED)


if __name__ == "__main__":
    unittest.main()
