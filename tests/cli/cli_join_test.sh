#!/usr/bin/env bash
# End-to-end tests of transitions that join two clips: the first clip, the
# transition over its end and the second clip's start, then the second clip.
# Arguments: the quenvara program and the plug-in.
set -uo pipefail
quenvara=$1
export QUENVARA_PLUGIN=$2
source "$(dirname "$0")/helpers.sh"

# clip NAME COLOUR SECONDS RATE: a lossless clip of one colour
clip() {
  ffmpeg -v error -f lavfi -i "color=c=$2:s=32x18:r=$4:d=$3" -c:v ffv1 -pix_fmt bgr0 "$1"
}
clip red.mkv red 2 25       # 50 frames
clip blue.mkv blue 1 10     # 10 frames at another rate: 25 at 25 fps
red="255 0 0 255"  # lavfi's red is 253: tolerances of 3
blue="0 0 255 255"

# The default join: the transition over red's last 0.4 s (frames 40-49), then
# the rest of blue, read at red's rate.
"$quenvara" render -i red.mkv -i blue.mkv --duration 0.4 -o join_%03d.png --effect crossfade
check "join frame count" test "$(ls join_*.png | wc -l)" = 65
check "first clip before the transition" near "$(pixel join_039.png 0 0)" "$red" 3
check "transition starts on the first clip" near "$(pixel join_040.png 0 0)" "$red" 30
mid=($(pixel join_045.png 0 0))
check "transition mixes half way" test "${mid[0]}" -gt 60 -a "${mid[0]}" -lt 200 -a "${mid[2]}" -gt 60
check "transition ends on the second clip" near "$(pixel join_049.png 0 0)" "$blue" 30
check "second clip after the transition" near "$(pixel join_050.png 0 0)" "$blue" 3
check "second clip to its end" near "$(pixel join_064.png 0 0)" "$blue" 3

# --offset places the transition; a video keeps the join's length and times.
"$quenvara" render -i red.mkv -i blue.mkv --duration 0.4 --offset 1 -o join.mkv --codec ffv1 \
  --effect crossfade
check "offset join frame count" test "$(frames join.mkv)" = 50
check "offset join time stamps" test "$(frame_time join.mkv 50)" = "1.960000"
"$quenvara" render -i red.mkv -i blue.mkv --duration 0.4 --offset 00:00:01 --frames 1 --start 24 \
  -o before.png --effect crossfade
check "offset: first clip up to the offset" near "$(pixel before.png 0 0)" "$red" 3

# A picture joined to a clip with --offset, at the clip's rate (10 fps);
# without --offset, just the transition.
ffmpeg -v error -f lavfi -i "color=c=lime:s=32x18" -frames:v 1 green.png
"$quenvara" render -i green.png -i blue.mkv --duration 0.4 --offset 0.4 -o still_%03d.png \
  --effect crossfade
check "picture joined to a clip" test "$(ls still_*.png | wc -l)" = 14
check "picture shows up to the offset" near "$(pixel still_003.png 0 0)" "0 255 0 255" 1
"$quenvara" render -i green.png -i blue.mkv --duration 0.4 -o plain_%03d.png --effect crossfade
check "picture and clip: the transition only" test "$(ls plain_*.png | wc -l)" = 4

# A join's audio: the first clip's tone, both crossfaded over the transition,
# then the second's, re-encoded and trimmed to the frames rendered.
low=440   # Hz, the first clip's tone
high=3000 # Hz, the second's
tone_clip() {  # NAME COLOUR FREQUENCY [SECONDS, default 2]
  ffmpeg -v error -f lavfi -i "color=c=$2:s=32x18:r=25:d=${4:-2}" -f lavfi -i "sine=f=$3:d=${4:-2}" \
    -c:v libx264 -c:a aac -shortest "$1"
}
tone_clip low.mp4 red $low
tone_clip high.mp4 blue $high
"$quenvara" render -i low.mp4 -i high.mp4 --duration 1 -o tones.mp4 --effect crossfade
check "join audio lasts as the join (3 s)" test "$(audio_seconds tones.mp4)" -ge 29 -a \
  "$(audio_seconds tones.mp4)" -le 31
heard() { test "$(tone_level tones.mp4 "$1" 0.2 "$2")" -gt -32; }
silent() { test "$(tone_level tones.mp4 "$1" 0.2 "$2")" -lt -40; }
check "first clip's tone before the transition" heard 0.4 $low
check "no second tone before the transition" silent 0.4 $high
check "crossfade has the first tone" heard 1.4 $low
check "crossfade has the second tone" heard 1.4 $high
check "second clip's tone after the transition" heard 2.4 $high
check "no first tone after the transition" silent 2.4 $low
"$quenvara" render -i low.mp4 -i high.mp4 --duration 1 --start 25 --frames 25 -o part.webm \
  --effect crossfade
check "join audio in webm is Opus" test "$(audio_codec part.webm)" = opus
check "join audio trimmed to the part" test "$(audio_seconds part.webm)" -ge 9 -a \
  "$(audio_seconds part.webm)" -le 11

# The join's audio is written in step with its frames. The muxer holds
# frames back while the audio lags, up to 10 s, then writes them ahead of it;
# a crossfade longer than that shows whether the audio kept up: the largest
# time by which a video packet precedes a later audio packet in the file.
tone_clip long_low.mp4 red $low 12
tone_clip long_high.mp4 blue $high 12
"$quenvara" render -i long_low.mp4 -i long_high.mp4 --duration 11 -o long.mkv --codec ffv1 \
  --effect crossfade
audio_lag_ms() {
  ffprobe -v error -show_entries packet=stream_index,pts_time,pos -of csv=p=0 "$1" |
    sort -t, -k3 -n | awk -F, '$1 == 0 && $2 > video { video = $2 }
      $1 == 1 && video - $2 > lag { lag = video - $2 } END { printf "%d\n", lag * 1000 }'
}
check "join audio in step with the frames" test "$(audio_lag_ms long.mkv)" -lt 200
check "long crossfade has both tones" test "$(tone_level long.mkv 6 0.2 $low)" -gt -32 -a \
  "$(tone_level long.mkv 6 0.2 $high)" -gt -32

# Mistakes.
expect_error "offset without duration" 2 "--offset places a transition: give --duration too" \
  render -i red.mkv -i blue.mkv --offset 1 -o x.mp4 --effect crossfade
expect_error "second clip shorter than the transition" 1 "blue.mkv ends after 25 frames, before the transition's 30" \
  render -i red.mkv -i blue.mkv --duration 1.2 -o x.mp4 --effect crossfade
expect_error "offset past the first clip" 1 "red.mkv ends after 50 frames, before the transition ends at frame 60" \
  render -i red.mkv -i blue.mkv --duration 0.4 --offset 1.99 -o x_%03d.png --effect crossfade
check "a failed join leaves nothing" test -z "$(ls x_* 2>/dev/null)"
finish
