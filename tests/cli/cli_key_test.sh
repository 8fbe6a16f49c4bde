#!/usr/bin/env bash
# End-to-end tests of the chroma key and the blender through the tool: the
# key colour as hex text, keyed output with alpha in PNG, VP9 and ProRes
# 4444, and two pictures blended.
# Arguments: the quenvara program and the plug-in.
set -uo pipefail
quenvara=$1
export QUENVARA_PLUGIN=$2
source "$(dirname "$0")/helpers.sh"

# A green screen with a red square in the middle.
ffmpeg -v error -f lavfi -i color=c=0x00b140:s=64x48 -f lavfi -i color=c=0xc02020:s=16x16 \
  -filter_complex "[0][1]overlay=24:16" -frames:v 1 screen.png
ffmpeg -v error -f lavfi -i color=c=0x00b140:s=64x48:d=0.2 -f lavfi -i color=c=0xc02020:s=16x16:d=0.2 \
  -filter_complex "[0][1]overlay=24:16" -pix_fmt yuv420p -c:v libx264 screen.mp4

"$quenvara" render -i screen.png -o keyed.png --effect chromakey --set key=#00b140
check "PNG key: screen transparent" near "$(pixel keyed.png 4 4)" "0 0 0 0" 1
check "PNG key: subject opaque" near "$(pixel keyed.png 32 24)" "192 32 32 255" 3

"$quenvara" render -i screen.mp4 -o keyed.webm --effect chromakey --set key=00B140
check "VP9 keeps alpha" test "$(min_alpha keyed.webm libvpx-vp9)" -le 8
check "VP9 subject opaque" near "$(pixel keyed.webm 32 24 libvpx-vp9)" "192 32 32 255" 12
"$quenvara" render -i screen.mp4 -o keyed.mov --codec prores_ks --effect chromakey
check "ProRes keeps alpha" test "$(min_alpha keyed.mov)" -le 8

# The key picked from a pixel of the screen.
"$quenvara" render -i screen.png -o picked.png --effect chromakey --set key=@2,3
check "picked key: screen transparent" near "$(pixel picked.png 60 44)" "0 0 0 0" 1
check "picked key: subject opaque" near "$(pixel picked.png 32 24)" "192 32 32 255" 3
expect_error "a pixel outside the picture" 2 "the pixel lies outside the 64x48 picture" \
  render -i screen.png -o bad.png --effect chromakey --set key=@64,3

expect_error "a key that is not a colour" 2 "key takes a colour as #RRGGBB" \
  render -i screen.png -o bad.png --effect chromakey --set key=green
"$quenvara" describe chromakey >describe.txt
check "describe says how to give the key" grep -qF -- "--set key=#00b140" describe.txt

# The blender takes two inputs: red multiplied over the screen.
ffmpeg -v error -f lavfi -i color=c=0xffffff:s=64x48 -frames:v 1 white.png
"$quenvara" render -i white.png -i screen.png -o blended.png \
  --effect SettingsEffectImageBlender --set mode=2
check "blend multiplies" near "$(pixel blended.png 4 4)" "0 177 64 255" 2

finish
