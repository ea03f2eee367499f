"""A pointer for a headless Wayland compositor that has no input devices: a client of the
compositor's virtual pointer protocol (zwlr_virtual_pointer_manager_v1), speaking the Wayland
wire format itself, so that the tests need no Wayland binding for Python."""

import os
import socket
import struct
import time

DISPLAY_ID, REGISTRY_ID = 1, 2
BTN_LEFT = 0x110
MANAGER = b"zwlr_virtual_pointer_manager_v1"


def _string(text):
    """A wire string: its length with the terminating NUL, the bytes, padded to 4."""
    data = text + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


class VirtualPointer:
    """One virtual pointer on the compositor at `runtime`/`display`, made at once. Raises
    OSError when the compositor does not offer the protocol."""

    def __init__(self, runtime, display):
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.settimeout(10)
        self.socket.connect(os.path.join(runtime, display))
        self.next_id = REGISTRY_ID + 1
        self.received = b""
        self.globals = {}
        self._send(DISPLAY_ID, 1, struct.pack("<I", REGISTRY_ID))  # wl_display.get_registry
        self.sync()
        if MANAGER not in self.globals:
            self.close()
            raise OSError("the compositor offers no %s" % MANAGER.decode())
        name = self.globals[MANAGER]
        manager = self._new_id()
        self._send(REGISTRY_ID, 0, struct.pack("<I", name) + _string(MANAGER) + struct.pack("<II", 1, manager))
        self.pointer = self._new_id()
        self._send(manager, 0, struct.pack("<II", 0, self.pointer))  # create_virtual_pointer(default seat)
        self.sync()

    def _new_id(self):
        self.next_id += 1
        return self.next_id - 1

    def _send(self, target, opcode, payload):
        self.socket.sendall(struct.pack("<II", target, ((8 + len(payload)) << 16) | opcode) + payload)

    def sync(self):
        """Waits until the compositor has handled every request sent so far."""
        callback = self._new_id()
        self._send(DISPLAY_ID, 0, struct.pack("<I", callback))  # wl_display.sync
        while True:
            target, opcode, payload = self._event()
            if target == callback:
                return
            if target == REGISTRY_ID and opcode == 0:  # wl_registry.global
                name, length = struct.unpack_from("<II", payload)
                interface = payload[8:8 + length - 1]
                self.globals[interface] = name
            elif target == DISPLAY_ID and opcode == 0:  # wl_display.error
                raise OSError("the compositor reported a protocol error: %r" % payload)

    def _event(self):
        while True:
            if len(self.received) >= 8:
                target, word = struct.unpack_from("<II", self.received)
                size = word >> 16
                if size >= 8 and len(self.received) >= size:
                    payload, self.received = self.received[8:size], self.received[size:]
                    return target, word & 0xffff, payload
            data = self.socket.recv(65536)
            if not data:
                raise OSError("the compositor closed the connection")
            self.received += data

    @staticmethod
    def _time():
        return int(time.monotonic() * 1000) & 0xffffffff

    def move(self, x, y, width, height):
        """Puts the pointer at (x, y) of the output layout's width x height."""
        self._send(self.pointer, 1, struct.pack("<IIIII", self._time(), x, y, width, height))  # motion_absolute
        self._send(self.pointer, 4, b"")  # frame
        self.sync()

    def tap(self, x, y, width, height):
        """A left click at (x, y): moves there, lets the client see the pointer arrive, then
        presses and releases."""
        self.move(x, y, width, height)
        time.sleep(0.3)
        for state in (1, 0):
            self._send(self.pointer, 2, struct.pack("<III", self._time(), BTN_LEFT, state))  # button
            self._send(self.pointer, 4, b"")
        self.sync()

    def close(self):
        self.socket.close()
