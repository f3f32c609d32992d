#!/usr/bin/env python3
"""Writes the seed inputs of media_frame_fuzzer: media frame message payloads
(64-byte big-endian header, data, option list) in both option byte orders, and
a few damaged ones. Run from the project root; the output is committed."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "media_frame_fuzzer")


def header(data_size, option_size, frame_type=0, mask=6, date=(2011, 3, 9, 13, 5, 9)):
    year, month, day, hour, minute, second = date
    return (struct.pack(">HHIIIQ", frame_type, 3, 7, mask, data_size, 0x0102030405060708)
            + struct.pack(">hbbbbbx", year, month, day, hour, minute, second)
            + struct.pack(">HHIQII8x", 704, 480, 90000, 123456789012, 0x10, option_size))


def options(entries, little=True):
    order = "<" if little else ">"
    out = struct.pack(order + "HH", 0xFFFF if little else 0, len(entries))
    for kind, value in entries:
        out += struct.pack(order + "HH", kind, len(value)) + value
    return out


def frame(data, opts, **kw):
    return header(len(data), len(opts), **kw) + data + opts


H264 = bytes([0, 0, 0, 1, 0x67, 0x42, 0, 0x1E, 0, 0, 0, 1, 0x68, 0xCE])
CODEC = b"HiSiI320h264main1.00"
seeds = {
    "video_le_options": frame(H264, options([(1, b"Entrance\0"), (2, CODEC + b"\0\0\0\0")])),
    "video_be_options": frame(H264, options([(1, b"Entrance\0"), (2, CODEC)], little=False)),
    "audio_ima": frame(bytes(64), options([(2, b"KWMR3531ima 16kb4.00")]), frame_type=1, mask=1),
    "two_titles": frame(b"", options([(1, b"First\0"), (1, b"Second\0")])),
    "no_options": frame(H264, b""),
    "blank_date": frame(H264, options([(1, b"x\0")]), date=(0, 0, 0, 0, 0, 0)),
    "title_unterminated": frame(b"", options([(1, b"Gate")])),
    "entry_past_list": header(0, 12) + options([(1, b"Entrance\0")])[:12],
    "short_codec": frame(b"", options([(2, b"HiSi")])),
    "data_past_end": header(100, 0) + H264,
    "size_sum_wraps": header(0xFFFFFFF0, 0x10) + H264,
}

os.makedirs(OUT, exist_ok=True)
for name, payload in seeds.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(payload)
