"""The receiver's network ends: a TCP server that sends the stream to every client, and UDP
datagrams to one address; both take the same writes as the pseudo-terminal."""

import socket
import struct
import time

# What may wait for one client beyond what its socket takes, like the pty's backlog: a
# client that stops reading loses old bytes instead of holding up the others.
CLIENT_BACKLOG = 4096
# The kernel doubles this. A small send buffer keeps a client that comes back after a stall
# from reading many seconds of stale fixes.
CLIENT_SEND_BUFFER = 4096
READS_PER_WRITE = 4
# An Ethernet frame's payload less the IPv4 and UDP headers: no datagram is fragmented.
DATAGRAM_LIMIT = 1472


class AddressError(Exception):
    """The address cannot be used; the message says why."""


def parse_address(text, default_host, lowest_port):
    """'[host:]port' with IPv6 literals in brackets: (host, port)."""
    host, port = default_host, text
    if text.startswith("["):
        end = text.find("]")
        if end < 0 or not text[end + 1:].startswith(":"):
            raise ValueError("%r: an IPv6 address goes as [ADDRESS]:PORT" % text)
        host, port = text[1:end], text[end + 2:]
    elif ":" in text:
        host, port = text.rsplit(":", 1)
        if ":" in host:
            raise ValueError("%r: an IPv6 address goes in brackets, as [%s]:PORT" % (text, host))
        host = host or default_host
    if not port.isdigit() or not lowest_port <= int(port) <= 65535:
        raise ValueError("%r: the port must be %d..65535" % (text, lowest_port))
    return host, int(port)


def resolve(host, port, kind):
    try:
        family, _, _, _, address = socket.getaddrinfo(host, port, type=kind)[0]
    except socket.gaierror as error:
        raise AddressError("cannot resolve %s: %s" % (host, error.strerror)) from None
    return family, address


def url_host(family, host):
    return "[%s]" % host if family == socket.AF_INET6 else host


class Client:
    def __init__(self, sock, at_line_start):
        self.sock = sock
        self.pending = bytearray()
        # A client that connects in the middle of a line starts with the next one.
        self.started = at_line_start
        self.done_sending = False


class TcpServer:
    """Every connected client gets the stream from when it connects. Nothing here blocks:
    sockets are non-blocking, and a client that goes away is dropped quietly."""

    def __init__(self, host, port):
        family, address = resolve(host, port, socket.SOCK_STREAM)
        self.family = family
        self.listener = self.listen(address)
        self.host, self.port = self.listener.getsockname()[:2]
        self.name = "tcp://%s:%d" % (url_host(family, self.host), self.port)
        self.clients = []
        self.at_line_start = True
        self.discarded = 0
        self.outage = None  # an outage asked for: "close" or "reset", begun or ended at the next write

    def listen(self, address):
        listener = socket.socket(self.family, socket.SOCK_STREAM)
        try:
            listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            listener.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, CLIENT_SEND_BUFFER)
            listener.bind(address)
            listener.listen(16)
            listener.setblocking(False)
        except OSError as error:
            listener.close()
            raise AddressError("cannot listen on tcp://%s:%d: %s"
                               % (url_host(self.family, address[0]), address[1], error.strerror)) from None
        return listener

    def toggle(self, reset=False):
        """Asks for the server to go away (its clients closed, or reset with reset) or, when
        it is away, to come back on the same address; done at the next write."""
        self.outage = "reset" if reset else "close"

    def apply_outage(self):
        how, self.outage = self.outage, None
        if self.listener is not None:
            for client in list(self.clients):
                if how == "reset":
                    client.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self.drop(client)
            self.listener.close()
            self.listener = None
        else:
            self.listener = self.listen((self.host, self.port))

    def reachable_url(self):
        """The server's URL, with loopback standing for 'every interface'."""
        host = {"0.0.0.0": "127.0.0.1", "::": "::1"}.get(self.host, self.host)
        return "tcp://%s:%d" % (url_host(self.family, host), self.port)

    def accept(self):
        while self.listener is not None:
            try:
                sock, _ = self.listener.accept()
            except OSError:  # none waiting, or one that gave up already
                return
            sock.setblocking(False)
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            self.clients.append(Client(sock, self.at_line_start))

    def write(self, data):
        if self.outage is not None:
            self.apply_outage()
        self.accept()
        for client in list(self.clients):
            piece = data
            if not client.started:
                newline = data.find(b"\n")
                if newline < 0:
                    continue
                piece = data[newline + 1:]
                client.started = True
            if len(client.pending) + len(piece) > CLIENT_BACKLOG:
                self.discarded += len(client.pending)
                client.pending.clear()
                self.discarded += max(0, len(piece) - CLIENT_BACKLOG)
                piece = piece[-CLIENT_BACKLOG:]
            client.pending += piece
            self.serve(client)
        if data:
            self.at_line_start = data.endswith(b"\n")

    def serve(self, client):
        """Sends what the client's socket takes; a client that has closed or failed goes."""
        try:
            # Whatever a client sends is not for us, but unread it would make close() reset
            # the connection and lose the last bytes. A client that has only shut down its
            # sending side still reads; one that has gone fails the next send. A few reads
            # at a time: a client that floods us must not hold up the pace.
            for _ in range(READS_PER_WRITE):
                if client.done_sending:
                    break
                client.done_sending = not client.sock.recv(65536)
        except BlockingIOError:
            pass
        except OSError:
            self.drop(client)
            return
        try:
            while client.pending:
                del client.pending[:client.sock.send(client.pending)]
        except BlockingIOError:
            pass
        except OSError:
            self.drop(client)

    def drop(self, client):
        client.sock.close()
        self.clients.remove(client)

    def drain(self, timeout):
        deadline = time.monotonic() + timeout
        while any(c.pending for c in self.clients) and time.monotonic() < deadline:
            time.sleep(0.02)
            for client in list(self.clients):
                self.serve(client)

    def close(self):
        for client in list(self.clients):
            client.pending.clear()
            self.serve(client)  # reads what the client sent, so that closing sends no reset
            if client in self.clients:
                self.drop(client)
        if self.listener is not None:
            self.listener.close()

    def losses(self):
        if self.discarded:
            return "%d bytes were thrown away for TCP clients that did not keep up" % self.discarded
        return None


class UdpSender:
    """Whole lines go out as datagrams once their end has been written; only a run of more
    than DATAGRAM_LIMIT bytes without a line end is cut."""

    def __init__(self, host, port):
        family, address = resolve(host, port, socket.SOCK_DGRAM)
        self.family = family
        self.port = port
        self.name = "udp://%s:%d" % (url_host(family, address[0]), port)
        self.sock = socket.socket(family, socket.SOCK_DGRAM)
        try:
            if family == socket.AF_INET:
                self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
            self.sock.setblocking(False)
            # Connected, so that a port nobody listens on shows as ECONNREFUSED on a later send.
            self.sock.connect(address)
        except OSError as error:
            self.sock.close()
            raise AddressError("cannot send to %s: %s" % (self.name, error.strerror)) from None
        self.pending = bytearray()
        self.unsent = 0
        self.last_error = None

    def listener_url(self):
        """What the viewer listens on to get these datagrams: every interface of the family."""
        return "udp://%s:%d" % ("[::]" if self.family == socket.AF_INET6 else "", self.port)

    def write(self, data):
        self.pending += data
        while self.pending:
            end = self.pending.rfind(b"\n", 0, DATAGRAM_LIMIT) + 1
            if not end:
                if len(self.pending) < DATAGRAM_LIMIT:
                    return
                end = DATAGRAM_LIMIT
            self.send(self.pending[:end])
            del self.pending[:end]

    def send(self, datagram):
        try:
            self.sock.send(datagram)
        except OSError as error:
            # Nobody listening yet, a full buffer, no route: lost, as on a line nobody reads.
            self.unsent += 1
            self.last_error = error.strerror

    def drain(self, timeout):
        pass

    def close(self):
        if self.pending:
            self.send(self.pending)  # a receiver unplugged in the middle of a line
            self.pending.clear()
        self.sock.close()

    def losses(self):
        if not self.unsent:
            return None
        return "%d datagrams to %s were not sent (the last: %s)" % (
            self.unsent, self.name, self.last_error)
