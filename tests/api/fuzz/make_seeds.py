#!/usr/bin/env python3
"""Writes the hand-made seeds of api_sequence_fuzzer: call sequences spelled out in the order in
which the fuzzer reads its bytes (FuzzedDataProvider takes integers from the input's end, most
significant byte first). Keep the op numbers and reads in step with api_sequence_fuzzer.cpp.

    tests/api/fuzz/make_seeds.py tests/api/fuzz/seeds
"""
import os
import sys

INT_MIN, INT_MAX = -(1 << 31), (1 << 31) - 1


class Seed:
    def __init__(self, cameras=1):
        self.tail = []  # bytes in reading order
        self.boolean(cameras == 2)

    def ranged(self, value, lo, hi):
        assert lo <= value <= hi, (value, lo, hi)
        span, r = hi - lo, value - lo
        n = 0
        while n < 4 and (span >> (8 * n)) > 0:
            n += 1
        self.tail += [(r >> (8 * (n - 1 - i))) & 0xFF for i in range(n)]

    def boolean(self, b):
        self.ranged(1 if b else 0, 0, 255)

    def int32(self, v):
        self.ranged(v, INT_MIN, INT_MAX)

    def edge(self, v):  # EdgeValue, read as a plain 32-bit value
        self.ranged(3, 0, 3)
        self.int32(v)

    def geometry(self, v, full):  # Geometry
        if 0 <= v <= full:
            self.ranged(3, 0, 4)
            self.ranged(v, 0, full)
        else:
            self.ranged(4, 0, 4)
            self.edge(v)

    def op(self, n):
        self.ranged(n, 0, 31)

    def handle(self, i):  # pick(): slot 0..2, 3 = the first open handle, 15 = never given out
        self.ranged(i, 0, 15)

    def buffer(self, kind, delta=1):  # Buffers::Around: 0 exact, 1 short, 2 long, 5 largest
        self.ranged(kind, 0, 5)
        if kind in (1, 2):
            self.ranged(delta, 1, 4)
        self.ranged(1, 0, 15)  # not null

    # ---- calls
    def init(self, slot=0, window=True, small=0, x=0, y=0):  # small 1-3: a 32n x 24n window
        self.op(0); self.ranged(slot, 0, 2); self.boolean(window); self.ranged(small, 0, 3)
        self.ranged(x // 2, 0, 320); self.ranged(y // 2, 0, 180)

    def release(self, slot=0):
        self.op(1); self.ranged(slot, 0, 2)

    def color(self, h, bits):
        self.op(2); self.handle(h); self.boolean(False); self.edge(bits)

    def window(self, h, w, hh):
        self.op(3); self.handle(h); self.geometry(w, 1280); self.geometry(hh, 720)

    def window_ex(self, h, tw, x, w, th, y, hh):
        self.op(4); self.handle(h)
        for v in (tw, x, w):
            self.geometry(v, 1280)
        for v in (th, y, hh):
            self.geometry(v, 720)

    def setter(self, h, index, value):
        self.op(6); self.handle(h); self.ranged(index, 0, 32); self.edge(value)

    def filter(self, h, fid, value):
        self.op(7); self.handle(h); self.ranged(fid, 0, 30); self.edge(value)

    def mirror(self, h, horizontal, on):
        self.op(9); self.handle(h); self.boolean(True); self.ranged(on, -1, 2)
        self.boolean(horizontal)

    def auto_iris(self, h, mode):
        self.op(10); self.handle(h); self.boolean(True); self.ranged(mode, -1, 4)

    def wait_time(self, h, ms):
        self.op(11); self.handle(h); self.ranged(ms, -2, 3)

    def snapshot(self, h, kind=0, delta=1, top_down=False):
        self.op(12); self.handle(h); self.boolean(True); self.buffer(kind, delta)
        self.boolean(top_down)

    def capture(self, h):
        self.op(13); self.handle(h)

    def start_preview(self, h):
        self.op(14); self.handle(h); self.ranged(0, 0, 2)

    def callback_preview(self, h, kind=0):
        self.op(14); self.handle(h); self.ranged(2, 0, 2); self.boolean(True); self.buffer(kind)
        self.boolean(True); self.boolean(False)

    def stop_preview(self, h):
        self.op(15); self.handle(h)

    def trigger(self, h, kind=0):
        self.op(16); self.handle(h); self.boolean(True); self.buffer(kind); self.boolean(True)
        self.boolean(False)

    def software_trigger(self, h):
        self.op(17); self.handle(h)

    def close(self, h):
        self.op(18); self.handle(h)

    def get_image(self, h, kind=0, delta=1):
        self.op(19); self.handle(h); self.buffer(kind, delta); self.boolean(False)

    def save(self, h, fmt):
        self.op(20); self.handle(h); self.ranged(fmt, -1, 7)

    def device_number(self, h, n):
        self.op(21); self.handle(h); self.ranged(n, -2, 33)

    def enum(self, h):
        self.op(22); self.handle(h); self.ranged(0, 0, 3)

    def register_write(self, h, address, value):
        self.op(23); self.handle(h); self.boolean(True); self.ranged(address, -1, 0x40)
        self.ranged(2, 0, 3); self.edge(value)

    def rom_read(self, h, index):
        self.op(24); self.handle(h); self.boolean(True); self.ranged(index, -1, 0x20)
        self.boolean(True)

    def info(self, h):
        self.op(28); self.handle(h); self.boolean(True); self.boolean(True)

    def data(self):
        return bytes(reversed(self.tail))


def seeds():
    s = Seed()
    s.init(); s.color(0, 24); s.snapshot(0); s.get_image(0); s.save(0, 5); s.release()
    yield "snapshot_colour", s

    s = Seed()
    s.init(); s.color(0, 16); s.window(0, 640, 480); s.mirror(0, True, 1); s.mirror(0, False, 1)
    s.snapshot(0, 1, 1); s.snapshot(0, 2, 4, True); s.save(0, 1); s.save(0, 6)
    yield "snapshot_window_mirrored_16bit", s

    s = Seed()
    s.init(); s.color(0, 64); s.window_ex(0, 1280, 2, 636, 720, 4, 356); s.setter(0, 2, 12)
    s.filter(0, 1, 128); s.filter(0, 28, 255); s.snapshot(0); s.save(0, 0); s.save(0, 2)
    yield "window_ex_filters_64bit", s

    s = Seed()
    s.init(small=2, x=100, y=60); s.wait_time(0, 1); s.callback_preview(0); s.get_image(0, 1); s.stop_preview(0)
    s.start_preview(0); s.close(0); s.release()
    yield "preview_start_stop", s

    s = Seed()
    s.init(small=1, x=640, y=360); s.color(0, 8); s.trigger(0); s.software_trigger(0); s.software_trigger(0)
    s.stop_preview(0); s.capture(0); s.snapshot(0); s.close(0)
    yield "trigger_then_capture", s

    s = Seed(cameras=2)
    s.init(0, small=3); s.init(1, small=1, x=2, y=2); s.enum(0); s.device_number(1, 1); s.info(1); s.snapshot(1)
    s.release(0); s.snapshot(1); s.release(1)
    yield "two_cameras", s

    s = Seed()
    s.init(small=3, x=500, y=300); s.register_write(0, 0x09, 700); s.rom_read(0, 0); s.auto_iris(0, 1)
    s.setter(0, 0, 2000); s.snapshot(0); s.auto_iris(0, 0)
    yield "registers_auto_iris", s


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "seeds")
    os.makedirs(out, exist_ok=True)
    for name, seed in seeds():
        with open(os.path.join(out, name), "wb") as f:
            f.write(seed.data())
