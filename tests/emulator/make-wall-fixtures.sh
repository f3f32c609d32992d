#!/usr/bin/env bash
# Makes the pictures the emulator streams for a wall of up to 32 cameras: for camera
# n, tests/fixtures/wall/camNN.264, 352x240 at 25 pictures per second, 2 s: a flat
# colour of its own with a white square moving across it (so a test sees both
# which camera a plane shows and that its picture changes). Annex B with an access
# unit delimiter before every picture, SPS/PPS before every key frame (every 25),
# baseline, no B-frames. The colour of camera n is wallCameraColour(n) in
# WallMedia.cpp: hue (7n mod 32) / 32, saturation 0.75, value 0.8.
# The outputs are committed; rerun this only to change them. Needs ffmpeg with
# libx264 and python3.
set -euo pipefail
cd "$(dirname "$0")/../fixtures"
mkdir -p wall
for n in $(seq 0 31); do
  colour=$(python3 -c "
import colorsys
r, g, b = colorsys.hsv_to_rgb(((7 * $n) % 32) / 32.0, 0.75, 0.8)
print('0x%02X%02X%02X' % tuple(int(round(255 * c)) for c in (r, g, b)))")
  ffmpeg -hide_banner -loglevel error -y -f lavfi \
    -i "color=c=${colour}:size=352x240:rate=25,drawbox=x='mod(t*140,320)':y=104:w=32:h=32:color=white:t=fill" \
    -frames:v 50 -c:v libx264 -preset veryfast -profile:v baseline -bf 0 -g 25 -pix_fmt yuv420p \
    -x264-params "repeat-headers=1:aud=1:threads=1" -f h264 "wall/cam$(printf %02d "$n").264"
done
