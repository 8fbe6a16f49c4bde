#!/usr/bin/env bash
# End-to-end tests of what the tool does with careless input and existing
# files: overwriting, interruption, literal names, ranges, usage.
# Arguments: the quenvara program, the plug-in, and the test plug-in (crossfade).
set -uo pipefail
quenvara=$1
export QUENVARA_PLUGIN=$2
testplugin=$3
source "$(dirname "$0")/helpers.sh"

"$quenvara" render -i builtin:testcard --size 64x36 -o card.png --effect invert --set intensity=0
"$quenvara" render -i builtin:testcard --size 32x18 -o small.png --effect invert --set intensity=0

# Existing outputs are kept unless -y.
cp card.png kept.png
expect_error "refuses to overwrite" 1 "kept.png exists: give -y (--overwrite)" \
  render -i small.png -o kept.png --effect invert
expect_error "-n never overwrites" 1 "kept.png exists (-n" \
  render -i small.png -o kept.png --effect invert -n
check "refused output unchanged" test "$(raw kept.png)" = "$(raw card.png)"
"$quenvara" render -i small.png -o kept.png --effect invert -y
check "-y overwrites" test "$(raw kept.png)" != "$(raw card.png)"
expect_error "-y with -n" 2 "contradict" render -i small.png -o kept.png --effect invert -y -n

# An interrupted render leaves nothing behind and exits 130 (143 on SIGTERM).
for signal in INT TERM; do
  "$quenvara" render -i builtin:clip --size 320x180 --fps 1000 -o "stopped$signal.mkv" \
    --effect invert 2>/dev/null &
  pid=$!
  sleep 2
  kill -"$signal" "$pid"
  wait "$pid"
  code=$?
  [ "$signal" = INT ] && wanted=130 || wanted=143
  check "interrupt ($signal) exit code $code" test "$code" -eq "$wanted"
  check "interrupt ($signal) leaves nothing" test -z "$(ls -A | grep stopped)"
done

# A failure while frames are being written (here the pictures change size
# half way: the encoder takes one size) ends the run with exit 1 and no file.
for size in 64x36 32x18; do
  ffmpeg -v error -f lavfi -i "testsrc=s=$size:r=25:d=1" -c:v libx264 "part$size.ts"
done
cat part64x36.ts part32x18.ts >resized.ts
expect_error "a failure mid-way" 1 "frames change size" \
  render -i resized.ts -o broken.mp4 --effect invert
check "a failure mid-way leaves nothing" test -z "$(ls -A | grep broken)"

# Names are local files, taken literally.
cp small.png 'lit%03d.png'
cp card.png lit000.png
"$quenvara" render -i 'lit%03d.png' -o literal.png --effect invert --set intensity=0
check "input name taken literally" test "$(raw literal.png)" = "$(raw small.png)"
expect_error "no pattern in input names" 1 "in%03d.png: no such file" \
  render -i 'in%03d.png' -o x.png --effect invert
expect_error "no URL outputs" 1 "does not exist" render -i card.png -o http://localhost/x.png --effect invert
expect_error "missing folder" 1 "the folder nowhere does not exist" \
  render -i builtin:clip --size 32x18 -o nowhere/out_%04d.png --effect invert
"$quenvara" render -i builtin:clip --size 32x18 --frames 1 -o one_%04d.png --effect invert
check "one frame to a pattern" test "$(ls one_*.png)" = one_0000.png

# A part by time: seconds or a timecode, at the output's frame rate.
"$quenvara" render -i builtin:clip --size 32x18 --from 0.4 --to 00:00:00.6 -o time_%04d.png --effect invert
check "--from and --to" test "$(ls time_*.png | tr '\n' ' ')" = "time_0010.png time_0011.png time_0012.png time_0013.png time_0014.png "
expect_error "--from with --start" 2 "give --from or --start" render -i builtin:clip -o x.mp4 --effect invert --from 1 --start 2
expect_error "--to before --from" 2 "--to comes before --from" render -i builtin:clip -o x.mp4 --effect invert --from 1 --to 0:00.5
expect_error "--from unreadable" 2 "--from takes seconds" render -i builtin:clip -o x.mp4 --effect invert --from 1e999

# Numbers within range; frame sizes within the limits.
expect_error "--start overflow" 2 "--start takes a whole number of frames from 0 to 100000000" \
  render -i builtin:clip -o x.mp4 --effect invert --start 2147483647
expect_error "--frames negative" 2 "--frames takes" render -i builtin:clip -o x.mp4 --effect invert --frames -1
expect_error "--fps infinite" 2 "--fps takes a number above 0" render -i builtin:clip -o x.mp4 --effect invert --fps 1e400
expect_error "--fps nan" 2 "--fps takes" render -i builtin:clip -o x.mp4 --effect invert --fps nan
expect_error "--duration huge" 2 "--duration takes" render -i card.png -i card.png -o x.mp4 --effect invert --duration 1e9
expect_error "--crf" 2 "--crf takes 0 to 63" render -i card.png -o x.mp4 --effect invert --crf 64
expect_error "--bitrate" 2 "--bitrate takes" render -i card.png -o x.mp4 --effect invert --bitrate fast
expect_error "--size huge" 2 "larger than the tool allows" render -i builtin:testcard --size 99999x99999 -o x.png --effect invert
expect_error "--size over the budget" 2 "larger than the tool allows" render -i builtin:testcard --size 9000x9000 -o x.png --effect invert
ffmpeg -v error -f lavfi -i color=c=red:s=8200x8200 -frames:v 1 large.png
expect_error "picture over the budget" 1 "large.png: cannot decode: Picture size 8200x8200 exceeds" \
  render -i large.png -o x.png --effect invert
check "the libraries print nothing" test "$(grep -c '@ 0x' err.txt)" = 0
ffmpeg -v error -f lavfi -i color=c=red:s=16400x2 -frames:v 1 wide.png
expect_error "picture over the limit" 1 "wide.png: 16400x2 is larger than the tool allows" \
  render -i wide.png -o x.png --effect invert

# A transition longer than an input says so.
"$quenvara" render -i builtin:clip --size 32x18 --fps 10 -o short.mkv --effect invert
expect_error "transition input too short" 1 "short.mkv ends after 20 frames, before the transition's 30" \
  render --plugin "$testplugin" -i short.mkv -i short.mkv --duration 3 -o x.mp4 --effect SettingsTestCrossfade

# Usage: short names, chain files, version, list, --size with files.
"$quenvara" render -i card.png -o short.png --effect INVERT
"$quenvara" render -i card.png -o long.png --effect SettingsEffectInvert
check "short name" test "$(raw short.png)" = "$(raw long.png)"
echo '[{"class": "invert"}]' > chain.json
expect_error "--chain with --effect" 2 "--chain and --effect do not go together" \
  render -i card.png -o x.png --chain chain.json --effect invert
printf '[\n  {"class": "invert",}\n]\n' > broken.json
expect_error "chain JSON error names file and line" 2 "broken.json:2:" \
  render -i card.png -o x.png --chain broken.json
echo '[{"class": "invert", "settings": 3}]' > number.json
expect_error "chain settings must be an object" 2 "must be an object" \
  render -i card.png -o x.png --chain number.json
check "--version" bash -c "'$quenvara' --version | grep -qx 'quenvara [0-9.]*'"
check "list grouped by family" test -z "$("$quenvara" list | grep -v "^ " | sort | uniq -d)"
check "list has a description for every effect" test -z "$("$quenvara" list | grep "^ " | awk "NF < 5")"
"$quenvara" render -i card.png -o sized.png --size 64x36 --effect invert 2>warning.txt
check "--size with a file warns" grep -q "built-in inputs only" warning.txt
check "no output left by failures" test -z "$(ls -A | grep -E '^x\.|partial')"

# The progress line: a real total from the container, or a count without one.
"$quenvara" render -i builtin:clip --size 32x18 -o clip.mkv --effect invert
script -qec "'$quenvara' render -i clip.mkv -o progress.mp4 --effect invert" /dev/null >progress.txt
check "progress with the container's total" grep -q "50 / 50 frames" progress.txt
ffmpeg -v error -i clip.mkv -c:v copy -f h264 bare.h264
script -qec "'$quenvara' render -i bare.h264 -o bare.mp4 --effect invert" /dev/null >bare.txt
check "progress without a total" bash -c "grep -q '50 frames' bare.txt && ! grep -q ' / \| -[0-9]' bare.txt"

# Presets by name, from the command line and from a chain file.
"$quenvara" render -i card.png -o sepia.png --effect retrocolors --preset sepia
"$quenvara" render -i card.png -o greyscale.png --effect retrocolors --preset greyscale
check "--preset applies the preset" test "$(raw sepia.png)" != "$(raw greyscale.png)"
echo '[{"class": "retrocolors", "preset": "sepia"}]' > preset.json
"$quenvara" render -i card.png -o chained.png --chain preset.json
check "a chain's preset" test "$(raw chained.png)" = "$(raw sepia.png)"
expect_error "unknown preset names the others" 2 "has no preset 'nope' (its presets: retro," \
  render -i card.png -o x.png --effect retrocolors --preset nope
expect_error "--preset needs its --effect" 2 "--encoder-preset" \
  render -i card.png -o x.png --preset slow --effect invert
"$quenvara" describe bokehblur > bokeh.txt
check "describe lists the presets" grep -q "^  hexagon " bokeh.txt

# Bokeh shapes from the command line.
"$quenvara" render -i card.png -o heart.png --effect bokehblur --set shape=heart --set size=0.2
"$quenvara" render -i card.png -o disc.png --effect bokehblur --set size=0.2
check "the shape changes the blur" test "$(raw heart.png)" != "$(raw disc.png)"
check "the default disc blurs" test "$(raw disc.png)" != "$(raw card.png)"
expect_error "unknown shape" 2 "'moon' is neither disc" \
  render -i card.png -o x.png --effect bokehblur --set shape=moon

# The built-in material for denoisers and upright video.
"$quenvara" render -i builtin:noisycard --size 64x36 -o noisy.png --effect invert --set intensity=0
check "noisy card differs from the card" test "$(raw noisy.png)" != "$(raw card.png)"
"$quenvara" render -i builtin:verticalclip --size 64x36 --frames 3 -o upright.webp --effect invert
check "upright clip as an animated WebP" test "$(grep -ao ANMF upright.webp | wc -l)" -eq 3

finish
