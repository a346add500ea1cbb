#!/usr/bin/python3
"""pyserial's own RFC 2217 server (serial.rfc2217.PortManager) in front of a serial device, a
pseudo-terminal here: listens on the loopback at a free port, prints the port, serves one
client until it leaves. Exits with 3 when pyserial is missing.

pyserial's own example server reads the device in one thread and the network in another, so a
purge can be answered while bytes read before it are still on their way out behind the answer.
This one takes a lock around each read of the device and its sending, and around each handling
of what the client sent, so what the device sent before a purge goes out before its answer or is
purged, as in a server that serves both directions from one loop."""
import select
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
    lock = threading.RLock()

    class Network:
        def write(self, data):
            with lock:
                connection.sendall(data)

    manager = serial.rfc2217.PortManager(device, Network())
    done = threading.Event()

    def device_to_network():
        while not done.is_set():
            ready, _, _ = select.select([device.fileno()], [], [], 0.05)
            if not ready:
                continue
            with lock:
                # A purge since the wait leaves nothing waiting, and nothing is read.
                data = device.read(device.in_waiting)
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
        with lock:
            data = b"".join(manager.filter(data))
        device.write(data)
    done.set()


main()
