#!/usr/bin/env bash
# End-to-end tests of colour, alpha and encoding options on tiny files.
# Arguments: the quenvara program and the plug-in.
set -uo pipefail
quenvara=$1
export QUENVARA_PLUGIN=$2
source "$(dirname "$0")/helpers.sh"

# 75% red, the colour that shows a matrix mismatch most (191,0,0 read as
# 207,18,0 under the other matrix).
red="191 0 0 255"
ffmpeg -v error -f lavfi -i color=c=0xbf0000:s=64x36 -frames:v 1 red.png
ffmpeg -v error -f lavfi -i color=c=0xbf0000:s=1280x720 -frames:v 1 redhd.png
keep=(--effect invert --set intensity=0)

# Standard definition: BT.601, limited range, tagged; the red comes back.
"$quenvara" render -i red.png -o sd.mp4 "${keep[@]}"
check "SD matrix tag" test "$(stream sd.mp4 color_space)" = smpte170m
check "SD range tag" test "$(stream sd.mp4 color_range)" = tv
check "SD primaries tag" test "$(stream sd.mp4 color_primaries)" = bt709
check "SD red" near "$(pixel sd.mp4 32 18)" "$red" 3

# HD: BT.709.
"$quenvara" render -i redhd.png -o hd.mp4 "${keep[@]}"
check "HD matrix tag" test "$(stream hd.mp4 color_space)" = bt709
check "HD transfer tag" test "$(stream hd.mp4 color_transfer)" = bt709
check "HD red" near "$(pixel hd.mp4 640 360)" "$red" 3

# A BT.709 input at SD size is read and written as BT.709.
ffmpeg -v error -f lavfi -i color=c=0xbf0000:s=64x36:d=0.2 \
  -vf scale=out_color_matrix=bt709:out_range=tv -colorspace bt709 -color_primaries bt709 \
  -color_trc bt709 -pix_fmt yuv420p -c:v libx264 tagged709.mp4
"$quenvara" render -i tagged709.mp4 -o read709_%d.png --frames 1 "${keep[@]}"
check "709 input read by its matrix" near "$(pixel read709_0.png 32 18)" "$red" 6
"$quenvara" render -i tagged709.mp4 -o kept709.mkv "${keep[@]}"
check "709 input keeps its matrix" test "$(stream kept709.mkv color_space)" = bt709
check "709 round trip" near "$(pixel kept709.mkv 32 18)" "$red" 6

# 10-bit output, and the encoding options.
"$quenvara" render -i red.png -o ten.mp4 --pix-fmt yuv420p10le "${keep[@]}"
check "10-bit output" test "$(stream ten.mp4 pix_fmt)" = yuv420p10le
check "10-bit red" near "$(pixel ten.mp4 32 18)" "$red" 3
"$quenvara" render -i builtin:clip --size 64x36 --frames 5 -o options.mp4 --crf 30 \
  --encoder-preset ultrafast --fps 10 "${keep[@]}"
check "--fps" test "$(stream options.mp4 r_frame_rate)" = 10/1
"$quenvara" render -i builtin:clip --size 64x36 --frames 5 -o rate.webm --bitrate 200k "${keep[@]}"
check "--bitrate" test "$(frames rate.webm)" = 5
expect_error "unknown codec" 1 "unknown video codec 'h265x'" \
  render -i red.png -o x.mp4 --codec h265x "${keep[@]}"
expect_error "codec without the pixel format" 1 "libx264 does not encode yuva420p" \
  render -i red.png -o x.mp4 --pix-fmt yuva420p "${keep[@]}"
expect_error "option the codec lacks" 1 "ffv1 takes no --encoder-preset" \
  render -i red.png -o x.mkv --codec ffv1 --encoder-preset fast "${keep[@]}"
expect_error "container without the codec" 1 "cannot hold prores_ks" \
  render -i red.png -o x.webm --codec prores_ks "${keep[@]}"

# JPEG output: full-range BT.601 as JFIF has it, and not a word on stderr.
"$quenvara" render -i red.png -o red.jpg "${keep[@]}" 2>jpeg.txt
check "jpeg output" near "$(pixel red.jpg 32 18)" "$red" 4
check "jpeg output is quiet" test ! -s jpeg.txt

# Alpha: the test card's bottom strip runs from transparent (left) to opaque.
"$quenvara" render -i builtin:testcard --size 64x36 -o card.png "${keep[@]}"
check "PNG keeps alpha" test "$(min_alpha card.png)" -lt 10
"$quenvara" render -i card.png -o alpha.webm "${keep[@]}"
check "VP9 alpha tag" test "$(ffprobe -v error -show_entries stream_tags=alpha_mode -of csv=p=0 alpha.webm)" = 1
check "VP9 keeps alpha" test "$(min_alpha alpha.webm libvpx-vp9)" -lt 10
"$quenvara" render -i alpha.webm -o fromwebm_%d.png --frames 1 "${keep[@]}"
check "VP9 alpha read back" test "$(min_alpha fromwebm_0.png)" -lt 10
"$quenvara" render -i card.png -o alpha.mov --codec prores_ks "${keep[@]}"
check "ProRes 4444" test "$(stream alpha.mov profile)" = 4444
check "ProRes keeps alpha" test "$(min_alpha alpha.mov)" -lt 10
"$quenvara" render -i card.png -o alpha.mkv --codec ffv1 "${keep[@]}"
check "FFV1 keeps alpha" test "$(min_alpha alpha.mkv)" -lt 10
check "FFV1 is lossless" test "$(raw alpha.mkv)" = "$(raw card.png)"
"$quenvara" render -i card.png -o black.mp4 "${keep[@]}"
check "flattened over black" near "$(pixel black.mp4 0 34)" "0 0 0 255" 12
"$quenvara" render -i card.png -o white.mp4 --background white "${keep[@]}"
check "flattened over --background" near "$(pixel white.mp4 0 34)" "255 255 255 255" 12
expect_error "bad background" 2 "--background takes" \
  render -i card.png -o x.mp4 --background mauve "${keep[@]}"

# Audio: the first input's audio is copied, trimmed to the frames rendered.
ffmpeg -v error -f lavfi -i testsrc=s=64x36:r=25:d=2 -f lavfi -i sine=d=2 -c:v libx264 -c:a aac \
  -shortest sound.mp4
"$quenvara" render -i sound.mp4 -o withsound.mp4 "${keep[@]}"
check "audio copied" test "$(audio_seconds withsound.mp4)" -ge 19
"$quenvara" render -i sound.mp4 -o part.mkv --from 0.5 --to 1 "${keep[@]}"
check "audio trimmed to the part" test "$(audio_seconds part.mkv)" -le 6
check "audio trimmed, not dropped" test "$(audio_seconds part.mkv)" -ge 4
"$quenvara" render -i sound.mp4 -o opus.webm "${keep[@]}"
check "audio a container cannot hold is re-encoded" test "$(audio_codec opus.webm)" = opus
check "re-encoded audio keeps its length" test "$(audio_seconds opus.webm)" -ge 19

# More than 8 bits: a 10-bit ramp through invert into a 10-bit output keeps
# more levels than 8 bits hold, and is inverted.
ffmpeg -v error -f lavfi -i "nullsrc=s=1024x4:d=0.04,format=yuv420p10le,geq=lum=64+X*876/1023:cb=512:cr=512" \
  -c:v ffv1 ramp10.mkv
"$quenvara" render -i ramp10.mkv -o inverted10.mkv --codec ffv1 --pix-fmt yuv420p10le --effect invert
lumas() { ffmpeg -v error -i "$1" -frames:v 1 -vf extractplanes=y -f rawvideo -pix_fmt gray10le - | od -An -v -tu2 -w2; }
check "10-bit input keeps more than 256 levels" test "$(lumas inverted10.mkv | sort -u | wc -l)" -gt 256
ends=($(lumas inverted10.mkv | sed -n '1p;1024p'))
check "10-bit ramp inverted" test "${ends[0]}" -gt 900 -a "${ends[1]}" -lt 100
"$quenvara" render -i ramp10.mkv -o bytes10.mkv --codec ffv1 --pix-fmt yuv420p --effect invert
check "8-bit output of a 10-bit input" test "$(stream bytes10.mkv pix_fmt)" = yuv420p

finish
