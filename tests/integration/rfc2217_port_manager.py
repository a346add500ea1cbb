#!/usr/bin/python3
"""pyserial's own RFC 2217 server (serial.rfc2217.PortManager) in front of a serial device, a
pseudo-terminal here: listens on the loopback at a free port, prints the port, serves one
client until it leaves. Exits with 3 when pyserial is missing."""
import socket
import sys
import threading

try:
    import serial
    import serial.rfc2217
except ImportError:
    sys.exit(3)


class PtySerial(serial.Serial):
    """A pseudo-terminal has no modem lines: they read as off, and setting them does nothing."""

    def _update_dtr_state(self):
        try:
            super()._update_dtr_state()
        except OSError:
            pass

    def _update_rts_state(self):
        try:
            super()._update_rts_state()
        except OSError:
            pass

    cts = dsr = ri = cd = property(lambda self: False)


def main():
    device = PtySerial(sys.argv[1], 9600, timeout=0.05)
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    print(listener.getsockname()[1], flush=True)
    connection, _ = listener.accept()
    connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    lock = threading.Lock()

    class Network:
        def write(self, data):
            with lock:
                connection.sendall(data)

    manager = serial.rfc2217.PortManager(device, Network())
    done = threading.Event()

    def device_to_network():
        while not done.is_set():
            try:
                data = device.read(device.in_waiting or 1)
            except serial.SerialException:
                # A purge between the wait and the read leaves nothing to read, which pyserial
                # takes for a device that went away.
                continue
            if data:
                Network().write(b"".join(manager.escape(data)))

    threading.Thread(target=device_to_network, daemon=True).start()
    while True:
        try:
            data = connection.recv(4096)
        except OSError:
            break
        if not data:
            break
        device.write(b"".join(manager.filter(data)))
    done.set()


main()
