#!/usr/bin/env python3
"""Makes the pictures and the music of the tour scenario (examples/tour/tour.txt):
four landscapes drawn by formula as PNG files, and a short tune as a 16-bit
stereo WAV. Nothing is downloaded; only Python's own library is used.

Usage: make-media.py [FOLDER]   (default: the folder of this script)
"""

import math
import os
import struct
import sys
import wave
import zlib

WIDTH, HEIGHT = 800, 600


def write_png(path, width, height, pixel):
    """A truecolour PNG whose pixel (x, y) is pixel(x, y) = (r, g, b)."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # no filter
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(bytes(rows), 6)))
        out.write(chunk(b"IEND", b""))


def clamp(v):
    return max(0, min(255, int(v)))


def sunset(x, y):
    horizon = HEIGHT * 0.62 + 18 * math.sin(x / 70.0)
    if y < horizon:
        t = y / horizon
        sun = max(0.0, 1.0 - math.hypot(x - WIDTH * 0.7, y - horizon + 40) / 90.0)
        return (clamp(250 - 60 * t + 200 * sun), clamp(120 + 60 * t + 120 * sun), clamp(80 + 120 * t))
    t = (y - horizon) / (HEIGHT - horizon)
    return (clamp(40 + 30 * t), clamp(50 + 40 * t), clamp(90 + 60 * math.sin(x / 15.0) * (1 - t)))


def mountains(x, y):
    ridge = HEIGHT * 0.45 + 80 * math.sin(x / 110.0) + 40 * math.sin(x / 37.0)
    if y < ridge:
        return (clamp(120 + y / 6), clamp(170 + y / 8), 240)
    snow = y < ridge + 25 and (x // 7 + y // 5) % 3 != 0
    t = (y - ridge) / HEIGHT
    return (240, 240, 245) if snow else (clamp(70 - 40 * t), clamp(110 - 50 * t), clamp(80 - 40 * t))


def garden(x, y):
    flower = (math.sin(x / 9.0) * math.cos(y / 11.0)) > 0.82
    if flower:
        return (clamp(220 + 30 * math.sin(x)), clamp(60 + 80 * math.cos(y)), clamp(140 + 60 * math.sin(y / 3)))
    return (clamp(40 + y / 10), clamp(120 + 60 * math.sin(y / 40.0)), clamp(50 + x / 20))


def night(x, y):
    star = ((x * 7919 + y * 104729) % 997) < 2
    moon = math.hypot(x - WIDTH * 0.25, y - HEIGHT * 0.3) < 55
    if moon:
        return (245, 240, 200)
    if star:
        return (255, 255, 255)
    return (clamp(10 + y / 20), clamp(15 + y / 15), clamp(50 + y / 8))


def write_tune(path, seconds=24.0, rate=44100):
    """A gentle tune in C major: a melody over a slow bass, loudness rising and
    falling so that music-linked inputs have something to follow."""
    melody = [60, 64, 67, 72, 71, 67, 64, 62, 60, 65, 69, 72, 74, 72, 67, 64]
    bass = [36, 41, 43, 36]
    beat = 0.5
    frames = int(seconds * rate)
    with wave.open(path, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(rate)
        data = bytearray()
        for i in range(frames):
            t = i / rate
            note = melody[int(t / beat) % len(melody)]
            low = bass[int(t / (beat * 4)) % len(bass)]
            phase = (t % beat) / beat
            envelope = math.exp(-3.0 * phase) * (0.55 + 0.45 * math.sin(2 * math.pi * t / 8.0))
            f1 = 440.0 * 2 ** ((note - 69) / 12)
            f2 = 440.0 * 2 ** ((low - 69) / 12)
            left = 0.45 * envelope * math.sin(2 * math.pi * f1 * t) + 0.2 * math.sin(2 * math.pi * f2 * t)
            right = 0.35 * envelope * math.sin(2 * math.pi * f1 * t + 0.3) + 0.25 * math.sin(2 * math.pi * f2 * t)
            data.extend(struct.pack("<hh", int(32767 * left), int(32767 * right)))
        out.writeframes(bytes(data))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    media = os.path.join(folder, "media")
    os.makedirs(media, exist_ok=True)
    for name, pixel in (("sunset", sunset), ("mountains", mountains), ("garden", garden), ("night", night)):
        path = os.path.join(media, name + ".png")
        if not os.path.exists(path):
            write_png(path, WIDTH, HEIGHT, pixel)
    tune = os.path.join(media, "tune.wav")
    if not os.path.exists(tune):
        write_tune(tune)


if __name__ == "__main__":
    main()
