#!/usr/bin/env python3
"""Opens that say why they fail and never take long, with real parts on loopback: Debian's gpsd
asked for a device it does not have, a host name whose IPv6 address never answers beside a
live IPv4 one (a hosts file of its own), resolvers that drop AAAA queries or every query (a
stub resolver on loopback, named by a resolv.conf of its own: each viewer runs in a private
mount namespace), and a gpsd whose reply never ends.

usage: opens_e2e.py BUILD_FOLDER SCENARIO | --list (each run takes a network namespace of its own)
Exits 0 (passed), 1 (failed) or 77 (skipped: no Xvfb, xdotool, ImageMagick, gpsd or unshare,
or another Kavro of this user runs)."""

import contextlib
import os
import re
import shutil
import socket
import struct
import sys
import threading
import time

from steps import DRIVE, READ_FAILED, check_errors, scenario_main, start_drive  # puts tests/ on the path

from harness.processes import stop
from harness.script import Failure, Skip, wait_for
from harness.session import PORT

from sources_e2e import check_open_fails

OPEN_LIMIT_S = 5.0
NAME = "gps.test"


def gpsd_no_device(session):
    """gpsd://…/dev/none against Debian's gpsd, which has no such device: the open fails with
    gpsd's own message on standard error and the box "Error Opening ComPort."."""
    start_drive(session, *DRIVE, write_ini=False, xvfb=False)
    _, port = session.start_gpsd(os.readlink(os.path.join(session.folder, "COM%d" % PORT)))
    check_open_fails(session, "gpsd://127.0.0.1:%d/dev/none" % port, "kavro-none",
                     re.escape("No such device as /dev/none"))


class LiveServer:
    """A TCP server on loopback that notes when its first client came and keeps it."""

    def __init__(self, family=socket.AF_INET, address="127.0.0.1", port=0):
        self.sock = socket.socket(family, socket.SOCK_STREAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind((address, port))
        self.sock.listen(4)
        self.port = self.sock.getsockname()[1]
        self.came, self.clients = [], []
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        with contextlib.suppress(OSError):
            while True:
                client, _ = self.sock.accept()
                self.came.append(time.monotonic())
                self.clients.append(client)


def dead_listener(port):
    """[::1]:port where the handshake is never answered: a listener whose queue is full."""
    sock = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
    sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
    sock.bind(("::1", port))
    sock.listen(0)
    fillers = []
    for _ in range(4):
        filler = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
        filler.setblocking(False)
        with contextlib.suppress(BlockingIOError):
            filler.connect(("::1", port))
        fillers.append(filler)
    time.sleep(0.3)
    probe = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
    probe.settimeout(1.0)
    try:
        probe.connect(("::1", port))
        raise Failure("[::1]:%d still answers: the test has no dead address" % port)
    except socket.timeout:
        pass
    finally:
        probe.close()
    return [sock] + fillers


def private_viewer(session, name, binds):
    """The viewer headless in a mount namespace of its own, with these files bound over
    system ones ({system path: our file})."""
    if shutil.which("unshare") is None:
        raise Skip("unshare is not installed")
    mounts = " && ".join("mount --bind '%s' '%s'" % (ours, theirs) for theirs, ours in binds.items())
    command = ["unshare", "--mount", "sh", "-c", "%s && exec '%s'" % (mounts, os.path.join(session.folder, "kavro"))]
    session.viewer = session.launch_viewer(headless=True, name=name, command=command)
    return time.monotonic()


def check_connected_within(session, server, started, name):
    wait_for(lambda: server.came or session.viewer.poll() is not None, OPEN_LIMIT_S + 2, 0.05,
             "the viewer did not connect within %g s" % (OPEN_LIMIT_S + 2))
    session.check_running("before connecting")
    took = server.came[0] - started
    if took > OPEN_LIMIT_S:
        raise Failure("the viewer connected after %.1f s, over %g s" % (took, OPEN_LIMIT_S))
    stop(session.viewer)
    check_errors(session, [], name + ".err")
    print("connected after %.2f s" % took)


def dead_ipv6(session):
    """NAME is [::1], whose handshake is never answered, and 127.0.0.1 (a hosts file of its
    own, which lists IPv6 first): the viewer connects to the live address within 5 s."""
    session.make_program_folder()
    server = LiveServer()
    keep = dead_listener(server.port)
    hosts = session.path("hosts")
    with open(hosts, "w") as out:
        out.write("::1 %s\n127.0.0.1 %s\n" % (NAME, NAME))
    session.write_settings("tcp://%s:%d" % (NAME, server.port))
    started = private_viewer(session, "kavro-dead-ipv6", {"/etc/hosts": hosts})
    check_connected_within(session, server, started, "kavro-dead-ipv6")
    for sock in keep:
        sock.close()


def dns_stub(drop_aaaa, drop_all):
    """A resolver on 127.0.0.1:53 that knows NAME as 127.0.0.1 and drops what it is told to."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        sock.bind(("127.0.0.1", 53))
    except OSError as error:
        raise Skip("no stub resolver on port 53: %s" % error.strerror) from None
    asked = []

    def serve():
        with contextlib.suppress(OSError):
            while True:
                query, peer = sock.recvfrom(512)
                end = 12
                while end < len(query) and query[end]:
                    end += query[end] + 1
                qtype = struct.unpack("!H", query[end + 1:end + 3])[0] if end + 3 <= len(query) else 0
                labels, at = [], 12
                while at < end:
                    labels.append(query[at + 1:at + 1 + query[at]].decode(errors="replace"))
                    at += query[at] + 1
                asked.append((".".join(labels), qtype))
                if drop_all or qtype == 28:  # AAAA
                    continue
                known = ".".join(labels) == NAME and qtype == 1
                header = query[:2] + struct.pack("!HHHHH", 0x8180 if known else 0x8183, 1, int(known), 0, 0)
                answer = struct.pack("!HHHIH", 0xC00C, 1, 1, 60, 4) + socket.inet_aton("127.0.0.1") if known else b""
                sock.sendto(header + query[12:end + 5] + answer, peer)
    threading.Thread(target=serve, daemon=True).start()
    return sock, asked


def resolver(drop_all):
    """A resolver that drops AAAA queries: the viewer connects within 5 s. One that drops every
    query: the open fails within 5 s, "host not found"."""
    def scenario(session):
        session.make_program_folder()
        server = LiveServer()
        _, asked = dns_stub(drop_aaaa=True, drop_all=drop_all)
        conf = session.path("resolv.conf")
        with open(conf, "w") as out:
            out.write("nameserver 127.0.0.1\n")
        value = "tcp://%s:%d" % (NAME, server.port)
        session.write_settings(value)
        name = "kavro-resolver"
        started = private_viewer(session, name, {"/etc/resolv.conf": conf})
        if not drop_all:
            check_connected_within(session, server, started, name)
        else:
            wait_for(lambda: "Error Opening ComPort." in session.viewer_errors(name + ".err"), OPEN_LIMIT_S + 3, 0.05,
                     "the open did not fail within %g s" % (OPEN_LIMIT_S + 3))
            took = time.monotonic() - started
            if took > OPEN_LIMIT_S + 0.5:
                raise Failure("the open failed after %.1f s, over %g s" % (took, OPEN_LIMIT_S))
            wait_for(lambda: READ_FAILED in session.viewer_errors(name + ".err"), 10, 0.1, "no failed read")
            stop(session.viewer)
            check_errors(session, [re.escape("kavro: %s: host not found" % value) + ".*",
                                   re.escape("Error Opening ComPort."), re.escape(READ_FAILED)], name + ".err")
            print("the open failed after %.2f s" % took)
        if not asked:
            raise Failure("the stub resolver was never asked: the test resolved nothing")
    return scenario


def gpsd_reply_never_ends(session):
    """A gpsd that answers the watch, then sends a reply that never ends, as fast as it can:
    the window shows, and "Ok" ends the program within a second with exit code 0."""
    session.make_program_folder()
    session.start_xvfb()
    listener = socket.create_server(("127.0.0.1", 0))
    session.write_settings("gpsd://127.0.0.1:%d" % listener.getsockname()[1])
    flood = b"x" * 65536

    def gpsd():
        client, _ = listener.accept()
        with client, contextlib.suppress(OSError):
            client.recv(4096)
            client.sendall(b'{"class":"VERSION"}\r\n{"class":"WATCH","enable":true}\r\n{"class":"DEVICE","path":"')
            end = time.monotonic() + 60
            while time.monotonic() < end:
                client.sendall(flood)
    sender = threading.Thread(target=gpsd, daemon=True)
    sender.start()
    session.start_viewer()
    time.sleep(4.0)  # the open's wait, and the first reads in the flood
    session.check_running("in the flood")
    if not sender.is_alive():
        raise Failure("the flood ended early")
    started = time.monotonic()
    session.end_with_ok(1.0)
    check_errors(session, [])
    print("Ok ended the viewer in %.2f s" % (time.monotonic() - started))


SCENARIOS = {"gpsd-no-device": gpsd_no_device, "dead-ipv6": dead_ipv6, "aaaa-dropped": resolver(False),
             "resolver-silent": resolver(True), "gpsd-reply-never-ends": gpsd_reply_never_ends}

if __name__ == "__main__":
    # The stub resolver takes port 53 on loopback in the script's own network namespace, where
    # no other resolver and no other run of this script can be.
    sys.exit(scenario_main(__doc__, SCENARIOS, "kavro-opens-"))
