"""Processes a script starts (as another user, ended with their group), the network namespace
it runs in, and the loopback ports they use."""

import ctypes
import errno
import fcntl
import os
import signal
import socket
import struct
import subprocess
import time


def stop(process, grace=5.0):
    """Ends a process this script started, TERM first and then KILL; one that leads a process
    group of its own (started in a new session) is ended with its group."""
    if process is None or process.poll() is not None:
        return
    try:
        group = os.getpgid(process.pid) == process.pid
    except ProcessLookupError:
        group = False
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(process.pid, sig) if group else process.send_signal(sig)
        except ProcessLookupError:
            pass
        try:
            process.wait(grace)
            return
        except subprocess.TimeoutExpired:
            continue


def as_user(user):
    """Popen arguments that run a process as this user (a name) and its group, or as a bare
    user id (a number no account needs to have) and the group of that number; none for None."""
    if user is None:
        return {}
    if isinstance(user, int):
        return {"user": user, "group": user, "extra_groups": []}
    import pwd
    entry = pwd.getpwnam(user)
    return {"user": entry.pw_uid, "group": entry.pw_gid, "extra_groups": []}


def free_port(kind=socket.SOCK_STREAM):
    """A loopback port of this kind (TCP by default) that nothing uses now."""
    with socket.socket(socket.AF_INET, kind) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for_listener(port, seconds, alive):
    """Whether something takes TCP connections on this loopback port within `seconds`,
    while alive() holds."""
    end = time.monotonic() + seconds
    while time.monotonic() < end and alive():
        try:
            socket.create_connection(("127.0.0.1", port), 1).close()
            return True
        except OSError:
            time.sleep(0.05)
    return False


# unshare(2) flags, and the interface flag and requests that bring loopback up (<linux/sched.h>,
# <linux/if.h>, <linux/sockios.h>).
CLONE_NEWUSER = 0x10000000
CLONE_NEWNET = 0x40000000
IFF_UP = 0x1
SIOCGIFFLAGS = 0x8913
SIOCSIFFLAGS = 0x8914


def own_network():
    """Moves this script into a network namespace of its own, with loopback up, and returns
    None; or, when the system allows none, returns why, in one line. Only one Kavro runs per
    user in a namespace (it announces itself on an abstract socket, and those names are per
    namespace), so no other viewer on the machine, not even one the user keeps open, takes a
    start of the script or gets raised by it; the script's loopback ports are its own too.

    Root makes the namespace directly (`unshare --net`); another user makes it in a user
    namespace of its own in which the user stays who they are (`unshare --net
    --map-current-user`), so that files and processes keep their owners. It has to happen while
    the script is still one thread: the kernel gives no user namespace to a threaded process."""
    libc = ctypes.CDLL(None, use_errno=True)
    uid, gid = os.getuid(), os.getgid()
    errors = []
    for flags, how in ((CLONE_NEWNET, "as user %d" % os.geteuid()), (CLONE_NEWUSER | CLONE_NEWNET, "in a user namespace")):
        if libc.unshare(flags) == 0:
            break
        error = ctypes.get_errno()
        # The kernel says ENOSPC when the limit of user namespaces (zero, where they are off) is reached.
        errors.append("%s: %s" % (how, "none allowed (sysctl user.max_user_namespaces)" if error == errno.ENOSPC
                                  else os.strerror(error)))
    else:
        return "no network namespace of its own may be made (%s)" % "; ".join(errors)
    try:
        if flags & CLONE_NEWUSER:
            for name, text in (("setgroups", "deny"), ("uid_map", "%d %d 1" % (uid, uid)), ("gid_map", "%d %d 1" % (gid, gid))):
                with open("/proc/self/" + name, "w") as f:
                    f.write(text)
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
            request = struct.pack("16sH22x", b"lo", 0)  # struct ifreq: name, flags
            current = struct.unpack("16sH22x", fcntl.ioctl(s, SIOCGIFFLAGS, request))[1]
            fcntl.ioctl(s, SIOCSIFFLAGS, struct.pack("16sH22x", b"lo", current | IFF_UP))
    except OSError as error:
        return "the network namespace of its own is not ready: %s" % error
    return None
