#!/usr/bin/python3
"""A client of zotpx-sim --listen made of pyserial's own URL handlers (rfc2217://, socket://).
Usage: sim_listen_client.py URL BAUD STEP...; a STEP "HEX/N" clears the input (PURGE-DATA over
RFC 2217), writes the bytes, and reads until N bytes came, the line fell silent for 0.3 s after
the first, or 1 s passed without any; each step prints what it read in hex, one line. Exits
with 3 when pyserial is missing, 4 when the port does not open."""
import sys
import time

try:
    import serial
except ImportError:
    sys.exit(3)


def read(port, count):
    got = b""
    start = last = time.monotonic()
    while len(got) < count:
        now = time.monotonic()
        if (not got and now - start > 1.0) or (got and now - last > 0.3):
            break
        chunk = port.read(count - len(got))
        if chunk:
            got += chunk
            last = time.monotonic()
    return got


def main():
    url, baud, steps = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    try:
        port = serial.serial_for_url(url, baudrate=baud, timeout=0.05)
    except serial.SerialException as error:
        print(error, file=sys.stderr)
        sys.exit(4)
    with port:
        for step in steps:
            data, count = step.split("/")
            port.reset_input_buffer()
            port.write(bytes.fromhex(data))
            print(read(port, int(count)).hex(), flush=True)


main()
