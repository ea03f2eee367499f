"""Processes a script starts (as another user, ended with their group), the network namespace
it runs in, and the loopback ports they use."""

import os
import signal
import socket
import subprocess
import sys
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


def own_network():
    """Runs this script anew in a network namespace of its own, where the user may make one.
    Only one Kavro runs per user in a namespace (it announces itself on an abstract socket),
    so a viewer the user has open neither takes the script's start nor gets raised by it."""
    if os.environ.get("KAVRO_PRIVATE_NET"):
        return
    try:
        allowed = subprocess.run(["unshare", "--net", "true"], capture_output=True).returncode == 0
    except OSError:
        allowed = False
    if allowed:
        os.execvpe("unshare", ["unshare", "--net", sys.executable] + sys.argv, dict(os.environ, KAVRO_PRIVATE_NET="1"))
