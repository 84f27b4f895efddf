#!/usr/bin/python3
"""Serial interface devices for tests, speaking on stdin/stdout.

socat puts a simulator behind a pseudo-terminal:
    socat pty,raw,echo=0,link=DEV,ignoreeof EXEC:"/usr/bin/python3 serial_sim.py ptc2 --log RX"

Devices:
  ptc2     PTC-II: command prompts ("cmd:" or "*"), FAX modes that stream samples, a 0xFF that
           returns to command mode, status requests 0x1E answered by 0x1E + status byte.
  vireo    EasyDSP, VIREO position: answers the probe "_END 7F80", takes a program without line
           ends and starts streaming after its "_END" line.
  aleph    EasyDSP, ALEPH position: answers the probe bytes 12 B9 B0 A1 with 04.
  harifax  HariFax IV: 0xFF then a mode byte ("B" FM, "A" AM, 0x40 SSTV) starts the stream.
  stream   plays a file of items (8-bit bytes or 14-bit items as high/low byte pairs).
  rig      a transceiver on its control port: takes commands, never answers.

Every byte received is appended to --log. Streams run at --rate items per second for
--stream-items items (0: without end) and then fall silent, as a box that lost its signal path.
With --control DIR the device also falls silent once DIR/silence exists, and confirms that by
creating DIR/silent.
"""
import argparse
import os
import select
import sys
import time


def out(data):
    try:
        os.write(1, data)
    except OSError:
        sys.exit(0)


class Stream:
    """Plays items at a rate; items are 8-bit, or 14-bit sent as (0x80|high, low)."""

    def __init__(self, items, rate, limit, fourteen=False, loop=True):
        self.items = items or [0]
        self.rate = rate
        self.limit = limit
        self.fourteen = fourteen
        self.loop = loop
        self.sent = 0
        self.start = time.monotonic()

    def done(self):
        return (self.limit and self.sent >= self.limit) or (not self.loop and self.sent >= len(self.items))

    def pump(self):
        if self.done():
            return
        due = int((time.monotonic() - self.start) * self.rate) - self.sent
        if self.limit:
            due = min(due, self.limit - self.sent)
        if not self.loop:
            due = min(due, len(self.items) - self.sent)
        due = min(due, 4096)
        if due <= 0:
            return
        buf = bytearray()
        for i in range(self.sent, self.sent + due):
            v = self.items[i % len(self.items)]
            if self.fourteen:
                buf += bytes((0x80 | ((v >> 7) & 0x7F), v & 0x7F))
            else:
                buf.append(v & 0xFF)
        self.sent += due
        out(bytes(buf))


def ramp():
    return list(range(256))


class Ptc2:
    def __init__(self, a):
        self.a = a
        self.prompt = b"*" if a.prompt == "*" else b"\r\ncmd: "
        self.silent = {s.replace("_", " ").upper() for s in a.no_answer}
        self.line = bytearray()
        self.stream = None

    def received(self, data):
        for b in data:
            if self.stream is not None:
                if b == 0xFF:  # back to command mode
                    self.stream = None
                continue
            if b == 0x1E:
                out(bytes((0x1E, self.a.status)))
            elif b in (0x1B, 0xFF):
                continue
            elif b == 0x0D:
                self.command(self.line.decode("latin-1").strip().upper())
                self.line.clear()
            else:
                self.line.append(b)

    def command(self, cmd):
        if cmd in self.silent:
            return
        if cmd in ("FAX TELLUR", "FAX AMFAX"):
            self.stream = Stream(ramp(), self.a.rate, self.a.stream_items)
            return
        out(self.prompt)

    def tick(self):
        if self.stream is not None:
            self.stream.pump()


class Vireo:
    def __init__(self, a):
        self.a = a
        self.buf = bytearray()
        self.last = 0.0
        self.stream = None

    def received(self, data):
        self.buf += data
        self.last = time.monotonic()

    def tick(self):
        if self.buf and time.monotonic() - self.last > 0.03:
            if bytes(self.buf) == b"_END 7F80":
                out(b"_END 7F80>")
            elif b"_END" in self.buf:
                self.stream = Stream(ramp(), self.a.rate, self.a.stream_items)
            self.buf.clear()
        if self.stream is not None:
            self.stream.pump()


class Aleph:
    def __init__(self, a):
        self.buf = bytearray()

    def received(self, data):
        self.buf += data
        if b"\x12\xb9\xb0\xa1" in self.buf:
            out(b"\x04")
            self.buf.clear()

    def tick(self):
        pass


class HariFax:
    def __init__(self, a):
        self.a = a
        self.armed = False
        self.stream = None

    def received(self, data):
        for b in data:
            if b == 0xFF:
                self.armed = True
                self.stream = None
            elif self.armed and b in (ord("B"), ord("A"), 0x40):
                self.armed = False
                self.stream = Stream(ramp(), self.a.rate, self.a.stream_items)

    def tick(self):
        if self.stream is not None:
            self.stream.pump()


class Player:
    def __init__(self, a):
        with open(a.file, "rb") as f:
            raw = f.read()
        if a.format == "u14":
            items = [raw[i] | raw[i + 1] << 8 for i in range(0, len(raw) - 1, 2)]
        else:
            items = list(raw)
        self.stream = Stream(items, a.rate, a.stream_items, a.format == "u14", loop=a.loop)

    def received(self, data):
        pass

    def tick(self):
        self.stream.pump()


class Rig:
    def __init__(self, a):
        pass

    def received(self, data):
        pass

    def tick(self):
        pass


DEVICES = {"rig": Rig, "ptc2": Ptc2, "vireo": Vireo, "aleph": Aleph, "harifax": HariFax, "stream": Player}


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("device", choices=sorted(DEVICES))
    p.add_argument("--log", help="append every received byte to this file")
    p.add_argument("--rate", type=float, default=5760.0, help="items per second of a stream")
    p.add_argument("--stream-items", type=int, default=0, help="items before a stream falls silent (0: never)")
    p.add_argument("--prompt", default="cmd:", help='PTC-II prompt: "cmd:" or "*"')
    p.add_argument("--no-answer", action="append", default=[], help="PTC-II command left unanswered (_ for blank)")
    p.add_argument("--status", type=int, default=0, help="PTC-II status byte sent after 0x1E")
    p.add_argument("--file", help="stream: file of items")
    p.add_argument("--format", choices=("u8", "u14"), default="u8", help="stream: bytes, or 14-bit LE items")
    p.add_argument("--loop", action="store_true", help="stream: start over at the end of the file")
    p.add_argument("--control", help="folder where a file 'silence' silences the device")
    a = p.parse_args()

    log = open(a.log, "ab", buffering=0) if a.log else None
    dev = DEVICES[a.device](a)
    silent = False
    while True:
        ready, _, _ = select.select([0], [], [], 0.005)
        if ready:
            try:
                data = os.read(0, 65536)
            except OSError:
                return
            if not data:
                return
            if log:
                log.write(data)
            dev.received(data)
        if a.control and not silent and os.path.exists(os.path.join(a.control, "silence")):
            silent = True
            open(os.path.join(a.control, "silent"), "w").close()
        if not silent:
            dev.tick()


if __name__ == "__main__":
    main()
