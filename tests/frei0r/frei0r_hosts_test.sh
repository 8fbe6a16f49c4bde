#!/usr/bin/env bash
# The frei0r stubs in real frei0r hosts: FFmpeg's frei0r filter against the
# quenvara tool's render of the same picture, GStreamer's frei0r filter and
# mixer elements, and bad parameter values. Tiny pictures keep it quick.
# Arguments: the quenvara program, the plug-in and the folder of the stubs.
set -uo pipefail
quenvara=$1
export QUENVARA_PLUGIN=$2
export FREI0R_PATH=$3
source "$(dirname "$0")/../cli/helpers.sh"

# same A.png B.png TOLERANCE: every RGBA channel of every pixel within TOLERANCE
same() {
  paste <(ffmpeg -v error -i "$1" -f rawvideo -pix_fmt rgba - | od -An -v -tu1 -w1) \
    <(ffmpeg -v error -i "$2" -f rawvideo -pix_fmt rgba - | od -An -v -tu1 -w1) |
    awk -v t="$3" '{ d = $1 - $2; if (d < 0) d = -d; if (d > m) m = d; n++ }
      END { if (n == 0 || m > t) { print "bytes " n ", largest difference " m; exit 1 } }'
}

# through EFFECT PARAMS OUT: card.png through FFmpeg's frei0r filter
through() {
  ffmpeg -v error -y -i card.png -vf "frei0r=quenvara-$1:$2" -pix_fmt rgba "$3"
}

"$quenvara" render -i builtin:testcard --size 48x27 -o card.png --effect invert --set intensity=0

# Three effects, their parameters given as frei0r values (0 to 1 over each
# range) and to the tool as the values they stand for.
through invert 0.5 ff_invert.png
"$quenvara" render -i card.png -o tool_invert.png --effect invert --set intensity=0.5
check "FFmpeg invert equals the tool" same ff_invert.png tool_invert.png 1

# levels 1 to 255: 7/254 is 8 levels.
through posterize "0.027559055|1" ff_posterize.png
"$quenvara" render -i card.png -o tool_posterize.png --effect posterize --set levels=8
check "FFmpeg posterize equals the tool" same ff_posterize.png tool_posterize.png 1

# exposure 0, brightness 0.2, contrast -0.5 (each -1 to 1).
through colorcorrection "0.5|0.6|0.25" ff_correction.png
"$quenvara" render -i card.png -o tool_correction.png --effect colorcorrection \
  --set brightness=0.2 --set contrast=-0.5
check "FFmpeg colour correction equals the tool" same ff_correction.png tool_correction.png 1

# Bad values: out of range is clamped (7 is the top of the range, intensity 1),
# not a number is refused (the default stays), a nonsense curve leaves the
# frame as it was or refuses the value; none of them crashes.
through invert 7 ff_clamped.png
"$quenvara" render -i card.png -o tool_full.png --effect invert --set intensity=1
check "a value above the range is clamped" same ff_clamped.png tool_full.png 1
through invert nan ff_nan.png
"$quenvara" render -i card.png -o tool_default.png --effect invert
check "a value that is no number is refused" same ff_nan.png tool_default.png 1
check "a nonsense curve does not crash" through colorcurves "nonsense" ff_curve.png
check "a negative value is clamped" through posterize "-3" ff_negative.png

# GStreamer: a fresh registry finds the stubs on FREI0R_PATH.
export GST_REGISTRY=$work/registry.bin
gst() { gst-launch-1.0 -q "$@" >gst.txt 2>&1 || { cat gst.txt; return 1; }; }
check "GStreamer lists the filter" gst-inspect-1.0 frei0r-filter-quenvara-invert
check "GStreamer runs a filter" gst videotestsrc num-buffers=3 pattern=white \
  ! video/x-raw,width=32,height=18 ! videoconvert ! frei0r-filter-quenvara-invert \
  ! videoconvert ! video/x-raw,format=RGBA ! pngenc snapshot=true ! filesink location=gst_invert.png
check "GStreamer's filter inverts" near "$(pixel gst_invert.png 8 8)" "0 0 0 255" 1
check "GStreamer runs a mixer" gst frei0r-mixer-quenvara-crossfade name=mix duration=1 progress=0.5 \
  ! videoconvert ! video/x-raw,format=RGBA ! pngenc snapshot=true ! filesink location=gst_fade.png \
  videotestsrc num-buffers=3 pattern=white ! video/x-raw,width=32,height=18 ! videoconvert ! mix.sink_0 \
  videotestsrc num-buffers=3 pattern=black ! video/x-raw,width=32,height=18 ! videoconvert ! mix.sink_1
check "GStreamer's mixer mixes" near "$(pixel gst_fade.png 8 8)" "128 128 128 255" 2

finish
