# Shared by the end-to-end tests of the command-line tool: sourced with the
# quenvara program in $quenvara; runs in a fresh folder removed on exit.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
passed=0
failed=0

check() {  # check NAME COMMAND...: the command must succeed
  local name=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}

# expect_error NAME CODE MESSAGE ARGS...: exit code CODE and MESSAGE on stderr
expect_error() {
  local name=$1 code=$2 message=$3
  shift 3
  "$quenvara" "$@" 2>err.txt
  local got=$?
  if [ "$got" -eq "$code" ] && grep -qF -- "$message" err.txt; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name (exit $got, wanted $code): $(cat err.txt)"
  fi
}

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

raw() { ffmpeg -v error -i "$1" -f rawvideo -pix_fmt rgba - | md5sum; }
frames() { ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$1"; }
frame_time() { ffprobe -v error -show_entries frame=pts_time -of csv=p=0 "$1" | sed -n "$2p"; }
# stream FILE FIELD: a field of the first video stream as ffprobe names it
stream() { ffprobe -v error -select_streams v:0 -show_entries "stream=$2" -of csv=p=0 "$1"; }
# pixel FILE X Y [DECODER]: "R G B A" of the first frame at (X, Y) (even),
# decoded by the file's colour tags
pixel() {
  ffmpeg -v error ${4:+-c:v $4} -i "$1" -frames:v 1 -vf "crop=2:2:$2:$3" -f rawvideo \
    -pix_fmt rgba - | head -c 4 | od -An -tu1 | xargs
}
# near "R G B A" "R G B A" TOLERANCE: every channel within TOLERANCE
near() {
  local -a a=($1) b=($2)
  for i in 0 1 2 3; do
    local d=$((a[i] - b[i]))
    [ "${d#-}" -le "$3" ] || { echo "$1 is not near $2"; return 1; }
  done
}
# min_alpha FILE [DECODER]: the smallest alpha of the first frame
min_alpha() {
  ffmpeg -v error ${2:+-c:v $2} -i "$1" -frames:v 1 -f rawvideo -pix_fmt rgba - |
    od -An -v -tu1 -w4 | awk 'NR == 1 || $4 < m { m = $4 } END { print m }'
}
# audio_seconds FILE: tenths of a second from the first audio packet to the end of the last
audio_seconds() {
  ffprobe -v error -select_streams a:0 -show_entries packet=pts_time,duration_time -of csv=p=0 "$1" |
    awk -F, '$1 == "" { next } !seen++ { first = $1 } { last = $1 + $2 } END { printf "%d\n", (last - first) * 10 + 0.5 }'
}
audio_codec() { ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 "$1"; }
# tone_level FILE FROM SECONDS FREQUENCY: the mean level in dB (a whole number) of the audio
# from FROM for SECONDS, through a narrow band-pass filter at FREQUENCY
tone_level() {
  ffmpeg -v info -ss "$2" -t "$3" -i "$1" -vn -af "bandpass=f=$4:width_type=q:w=5,volumedetect" \
    -f null - 2>&1 | awk '/mean_volume/ { printf "%d\n", $5 }'
}
