#!/usr/bin/env bash
# End-to-end tests of the command-line tool on tiny generated files.
# Arguments: the quenvara program, the plug-in, and the test plug-in (crossfade).
set -uo pipefail
quenvara=$1
export QUENVARA_PLUGIN=$2
testplugin=$3
source "$(dirname "$0")/helpers.sh"

# A still through one effect: inverting twice gives the picture back.
"$quenvara" render -i builtin:testcard --size 64x36 -o card.png --effect SettingsEffectInvert --set intensity=0
"$quenvara" render -i card.png -o once.png --effect SettingsEffectInvert
"$quenvara" render -i once.png -o twice.png --effect SettingsEffectInvert --set intensity=1
check "still through an effect" test "$(raw twice.png)" = "$(raw card.png)"
check "inverted differs" test "$(raw once.png)" != "$(raw card.png)"

# A chain from a JSON file: the same double inversion.
echo '{"effects": [{"class": "SettingsEffectInvert"}, {"class": "SettingsEffectInvert", "settings": {"intensity": 1}}]}' > chain.json
"$quenvara" render -i card.png -o chain.png --chain chain.json
check "chain from JSON" test "$(raw chain.png)" = "$(raw card.png)"

# A video round trip keeps the frame count and the time stamps.
"$quenvara" render -i builtin:clip --size 64x36 --fps 25 -o clip.mkv --effect SettingsEffectInvert --set intensity=0
"$quenvara" render -i clip.mkv -o inverted.mkv --effect SettingsEffectInvert
check "video frame count" test "$(frames inverted.mkv)" = "$(frames clip.mkv)"
check "video has 50 frames" test "$(frames clip.mkv)" = 50
check "video time stamps" test "$(frame_time inverted.mkv 4)" = "$(frame_time clip.mkv 4)"

# Frames moved through pixel buffer objects come out as through main memory.
"$quenvara" render -i clip.mkv -o inverted_pbo.mkv --effect SettingsEffectInvert --transfer pixel-buffers
check "pixel-buffer transfer" test "$(raw inverted_pbo.mkv)" = "$(raw inverted.mkv)"
expect_error "unknown transfer" 2 "--transfer takes direct or pixel-buffers, not 'dma'" \
  render -i card.png -o out.png --effect SettingsEffectInvert --transfer dma

# A transition of two clips: 1 second at 25 fps; the last frame is the second input.
"$quenvara" render --plugin "$testplugin" -i builtin:clip -i builtin:testcard --size 64x36 \
  --duration 1 -o fade_%03d.png --effect SettingsTestCrossfade
check "transition frame count" test "$(ls fade_*.png | wc -l)" = 25
"$quenvara" render --plugin "$testplugin" -i builtin:testcard -i builtin:testcard --size 64x36 \
  --duration 0.2 -o same.mp4 --effect SettingsTestCrossfade
check "transition to a video" test "$(frames same.mp4)" = 5
"$quenvara" render -i builtin:testcard --size 64x36 -o card2.png --effect SettingsEffectInvert --set intensity=0
check "transition ends on the second input" test "$(raw fade_024.png)" = "$(raw card2.png)"
check "transition starts near the first input" test "$(raw fade_000.png)" != "$(raw card2.png)"

# A two-input effect that is no transition: the second input (a still
# displacement map) goes beside every frame of the first, without --duration.
ffmpeg -v error -f lavfi -i color=c=0x808080:s=64x36 -frames:v 1 grey.png
"$quenvara" render -i card.png -i grey.png -o displaced.png --effect displacementmap
check "mid-grey displacement map keeps the picture" test "$(raw displaced.png)" = "$(raw card.png)"
"$quenvara" render -i clip.mkv -i grey.png -o displaced.mkv --effect SettingsEffectDisplacementMap --set intensity=100
check "displacement map beside a video" test "$(frames displaced.mkv)" = 50
ffmpeg -v error -f lavfi -i color=c=0x808080:s=32x18 -frames:v 1 small.png
expect_error "map of another size" 1 "SettingsEffectDisplacementMap needs inputs of one size" \
  render -i card.png -i small.png -o out.png --effect SettingsEffectDisplacementMap

# ISF packages from files: an effect with an input set from the command line,
# and a transition.
packages=$(dirname "$0")/../isf/packages
"$quenvara" render -i card.png -o isf.png --effect "$packages/invert.fs" --set amount=1
check "ISF package with --set" test "$(raw isf.png)" = "$(raw once.png)"
"$quenvara" render -i builtin:clip -i builtin:testcard --size 64x36 --duration 0.2 -o isfxf_%d.png \
  --effect "$packages/crossfade.fs"
check "ISF transition ends on the second input" test "$(raw isfxf_4.png)" = "$(raw card2.png)"
check "describe a package" bash -c "'$quenvara' describe '$packages/invert.fs' | grep -q 'amount *float *default 0.75'"
expect_error "unknown package input" 2 "has no settable input 'gain' (its inputs: amount)" \
  render -i card.png -o out.png --effect "$packages/invert.fs" --set gain=1

# A frame range keeps the frames' numbers.
"$quenvara" render -i builtin:clip --size 32x18 --start 10 --frames 3 -o part_%04d.png --effect SettingsEffectInvert
check "frame range" test "$(ls part_*.png | tr '\n' ' ')" = "part_0010.png part_0011.png part_0012.png "

# Errors a user can act on, with exit codes, and no partial output.
expect_error "missing file" 1 "missing.png: no such file" render -i missing.png -o out.png --effect SettingsEffectInvert
expect_error "unknown class" 2 "did you mean SettingsEffectInvert" render -i card.png -o out.png --effect SettingsEffectInvrt
expect_error "unknown parameter" 2 "has no parameter 'gain' (its parameters: intensity)" render -i card.png -o out.png --effect SettingsEffectInvert --set gain=1
expect_error "wrong type" 2 "takes a number, not 'lots'" render -i card.png -o out.png --effect SettingsEffectInvert --set intensity=lots
expect_error "out of range" 2 "outside its range 0 to 1" render -i card.png -o out.png --effect SettingsEffectInvert --set intensity=2
expect_error "no pattern for many frames" 2 "numbered pattern" render -i builtin:clip --size 32x18 -o many.png --effect SettingsEffectInvert
expect_error "transition needs a duration" 2 "--duration" render --plugin "$testplugin" -i card.png -i card.png -o out.mp4 --effect SettingsTestCrossfade
"$quenvara" render -i builtin:testcard --size 32x18 -o small.png --effect SettingsEffectInvert --set intensity=0
expect_error "sizes differ" 1 "differ in size" render --plugin "$testplugin" -i card.png -i small.png --duration 1 -o out.mp4 --effect SettingsTestCrossfade
expect_error "unreadable file" 1 "chain.json" render -i chain.json -o out.png --effect SettingsEffectInvert
expect_error "unknown command" 2 "unknown command" frobnicate
check "no partial output" test -z "$(ls -A | grep -E '^(out|many)|partial')"

# Listing, describing and help.
# A phone video stored sideways with a display orientation comes out upright,
# as FFmpeg's own autorotation shows it; --no-autorotate keeps the frames as stored.
ffmpeg -v error -f lavfi -i testsrc=size=64x36:rate=25:duration=0.2 -pix_fmt yuv420p stored.mp4
ffmpeg -v error -i stored.mp4 -c copy -metadata:s:v rotate=90 sideways.mp4
"$quenvara" render -i sideways.mp4 -o upright.mkv --effect invert --set intensity=0
check "autorotated size" test "$(stream upright.mkv width,height)" = "36,64"
ffmpeg -v error -i sideways.mp4 -c:v ffv1 reference.mkv
# Two spots inside flat areas of the test pattern, away from its edges.
check "autorotated as FFmpeg turns it, top" near "$(pixel upright.mkv 4 4)" "$(pixel reference.mkv 4 4)" 8
check "autorotated as FFmpeg turns it, bottom" near "$(pixel upright.mkv 30 58)" \
  "$(pixel reference.mkv 30 58)" 8
"$quenvara" render -i sideways.mp4 -o stored.mkv --no-autorotate --effect invert --set intensity=0
check "stored size without autorotation" test "$(stream stored.mkv width,height)" = "64,36"

# A framing effect makes pictures of its own size.
"$quenvara" render -i card.png -o cropped.png --effect SettingsEffectCrop --set left=4 --set top=2 \
  --set right=8 --set bottom=6
check "crop size" test "$(stream cropped.png width,height)" = "52,28"

check "list" bash -c "'$quenvara' list | grep -q 'SettingsEffectInvert *one-input *OGL'"
check "describe" bash -c "'$quenvara' describe SettingsEffectInvert | grep -q 'intensity *float *default 1.0 (0 to 1)'"
check "help" bash -c "'$quenvara' render --help | grep -q 'usage: quenvara render'"

finish
