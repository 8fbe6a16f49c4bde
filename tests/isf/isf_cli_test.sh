#!/usr/bin/env bash
# End-to-end tests of ISF packages through the command-line tool: each
# package of tests/isf/packages rendered on tiny generated pictures, checked
# by the colour of one pixel, and the errors for packages past the bounds.
# Arguments: the quenvara program, the plug-in, the packages' folder.
set -uo pipefail
quenvara=$1
export QUENVARA_PLUGIN=$2
packages=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
passed=0
failed=0

# pass/fail NAME: count a result
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAILED: $1"; }

# pixel FILE X Y: the RGBA bytes of a pixel as "r g b a"
pixel() {
  ffmpeg -v error -i "$1" -vf "crop=1:1:$2:$3" -f rawvideo -pix_fmt rgba - | od -An -tu1 | xargs
}

# expect_pixel NAME FILE X Y "R G B A": each channel within 2 of the wanted
expect_pixel() {
  local name=$1 got
  got=$(pixel "$2" "$3" "$4")
  if python3 -c "import sys; g=[int(v) for v in '$got'.split()]; w=[int(v) for v in '$5'.split()];
sys.exit(0 if len(g)==4 and all(abs(a-b)<=2 for a,b in zip(g,w)) else 1)"; then
    pass
  else
    fail "$name (got '$got', wanted '$5')"
  fi
}

# render NAME ARGS...: the tool must succeed
render() {
  local name=$1
  shift
  "$quenvara" render "$@" 2>err.txt || fail "$name: $(cat err.txt)"
}

# expect_error NAME CODE MESSAGE ARGS...: exit code CODE and MESSAGE on stderr
expect_error() {
  local name=$1 code=$2 message=$3
  shift 3
  "$quenvara" "$@" 2>err.txt
  local got=$?
  if [ "$got" -eq "$code" ] && grep -qF -- "$message" err.txt; then
    pass
  else
    fail "$name (exit $got, wanted $code): $(cat err.txt)"
  fi
}

solid() { ffmpeg -v error -y -f lavfi -i "color=c=$1:s=24x12" -frames:v 1 -pix_fmt rgba "$2"; }
solid 0x0A141E grey.png
solid 0xFF0000 red.png
solid 0x0000FF blue.png
# The map: red 64 on the left half, 191 on the right half.
ffmpeg -v error -y -f lavfi -i "color=c=0x400000:s=12x12" -f lavfi -i "color=c=0xBF0000:s=12x12" \
  -filter_complex hstack -frames:v 1 -pix_fmt rgba map.png

# The empty pass object at the end draws the output, also with --set values.
render "output pass" -i grey.png -o output_pass.png --effect "$packages/output_pass.fs"
expect_pixel "output pass" output_pass.png 3 3 "153 102 51 255"
render "output pass with --set" -i grey.png -o output_half.png --effect "$packages/output_pass.fs" --set level=0.5
expect_pixel "output pass with --set" output_half.png 3 3 "77 51 26 255"

# Inputs without DEFAULT get their type's default; --set still sets them.
render "no defaults" -i grey.png -o no_defaults.png --effect "$packages/no_defaults.fs"
expect_pixel "no defaults" no_defaults.png 3 3 "64 128 128 255"
render "no defaults set" -i grey.png -o no_defaults_set.png --effect "$packages/no_defaults.fs" --set gain=0.5
expect_pixel "no defaults set" no_defaults_set.png 3 3 "128 128 128 255"
# Values that are no numbers, or too large for a whole number, are usage errors.
expect_error "set infinite" 2 "takes numbers, not 'inf'" \
  render -i grey.png -o out.png --effect "$packages/no_defaults.fs" --set gain=inf
expect_error "set NaN" 2 "takes numbers, not '0.5,nan'" \
  render -i grey.png -o out.png --effect "$packages/no_defaults.fs" --set centre=0.5,nan
expect_error "set huge whole number" 2 "takes a whole number, not '1e300'" \
  render -i grey.png -o out.png --effect "$packages/no_defaults.fs" --set mode=1e300

render "dialect" -i grey.png -o dialect.png --effect "$packages/dialect.fs"
expect_pixel "dialect" dialect.png 3 3 "64 128 191 255"

# The imported picture on the left, the input on the right.
render "imported" -i grey.png -o imported.png --effect "$packages/imported.fs"
expect_pixel "imported picture" imported.png 2 5 "$(pixel "$packages/imported_stamp.png" 0 0)"
expect_pixel "imported input" imported.png 21 5 "10 20 30 255"
expect_error "imported missing" 1 "the imported image 'absent' is missing" \
  render -i grey.png -o out.png --effect "$packages/imported_missing.fs"

render "IMG_SIZE" -i grey.png -o img_size.png --effect "$packages/img_size.fs"
expect_pixel "IMG_SIZE" img_size.png 3 3 "61 31 0 255"
render "companions" -i grey.png -o companions.png --effect "$packages/companions.fs"
expect_pixel "companions" companions.png 3 3 "61 31 61 255"

render "float pass" -i grey.png -o float_pass.png --effect "$packages/float_pass.fs"
expect_pixel "float pass" float_pass.png 3 3 "128 128 128 255"

# A transition with a map from a third input: 4 frames at progress 0, 1/4,
# 1/2 and 3/4; at 1/2 the left half (map 64) has turned blue.
render "map transition" -i red.png -i blue.png -i map.png --fps 4 --duration 1 \
  -o map_%02d.png --effect "$packages/map_transition.fs"
expect_pixel "map transition start" map_00.png 2 5 "255 0 0 255"
expect_pixel "map transition left at 1/2" map_02.png 2 5 "0 0 255 255"
expect_pixel "map transition right at 1/2" map_02.png 21 5 "255 0 0 255"
expect_error "map transition short of inputs" 2 "takes 3 input pictures (startImage, endImage, mapImage), not 2" \
  render -i red.png -i blue.png --duration 1 -o out.mp4 --effect "$packages/map_transition.fs"

# Generators draw from nothing: no -i, --size and a length; TIME and
# FRAMEINDEX advance frame by frame (frame 2 at 10 fps: 20, 0.2 s, width 32).
render "generator" --size 32x18 --fps 10 --frames 3 -o gen_%02d.png --effect "$packages/generator.fs"
expect_pixel "generator frame 2" gen_02.png 3 3 "20 51 32 255"
render "generator picture" --size 32x18 -o gen.png --effect "$packages/generator.fs"
expect_pixel "generator picture" gen.png 3 3 "0 0 32 255"
render "generator duration" --size 32x18 --fps 10 --duration 0.3 -o dur_%02d.png --effect "$packages/generator.fs"
if [ -f dur_02.png ] && [ ! -f dur_03.png ]; then pass; else fail "generator duration: $(ls dur_*)"; fi
expect_error "generator video without length" 2 "draws from nothing (no image input): give its length as --frames N or --duration SECONDS" \
  render --size 32x18 -o gen.mp4 --effect "$packages/generator.fs"
expect_error "effect without input" 2 "render needs at least one input (-i)" \
  render -o out.png --effect "$packages/invert.fs"

# A package that draws from its imported picture alone takes no -i either.
render "imported only" -o stamp_only.png --effect "$packages/stamp_only.fs"
expect_pixel "imported only" stamp_only.png 0 0 "$(pixel "$packages/imported_stamp.png" 0 0)"

# A pass that does not say PERSISTENT starts empty every frame.
render "accumulate" --size 24x12 --frames 3 -o acc_%02d.png --effect "$packages/accumulate.fs"
expect_pixel "not persistent unless told" acc_02.png 3 3 "51 0 0 255"

# Sound inputs sample silence of their size; they take no --set.
render "audio" --size 24x12 -o audio.png --effect "$packages/audio.fs"
expect_pixel "audio silence" audio.png 3 3 "128 64 128 255"
expect_error "set audio" 2 "has no settable input 'waveform' (its inputs: beat, gain)" \
  render --size 24x12 -o out.png --effect "$packages/audio.fs" --set waveform=1

# IMG_PIXEL counts in the imported 4x2 picture's pixels: column 2, row 1
# from the bottom (its top row).
render "pixel lookup" -i grey.png -o lookup.png --effect "$packages/pixel_lookup.fs"
expect_pixel "pixel lookup" lookup.png 2 5 "160 0 0 255"
expect_pixel "this pixel of a smaller picture" lookup.png 22 0 "160 0 0 255"

# describes NAME FILE TEXT: the description of FILE holds TEXT
describes() {
  if "$quenvara" describe "$2" >describe.txt 2>&1 && grep -qF -- "$3" describe.txt; then
    pass
  else
    fail "$1: $(cat describe.txt)"
  fi
}
mkdir "my packages"
cp "$packages/generator.fs" "my packages/gen one.fs"
describes "generator" "my packages/gen one.fs" "generator: draws from nothing, needs no -i"
describes "quoted path" "my packages/gen one.fs" \
  "quenvara render --size 640x360 --duration 4 -o out.mp4 --effect 'my packages/gen one.fs' --set level=1.0"
describes "event" "$packages/audio.fs" "beat                 event    (a trigger"
describes "audio" "$packages/audio.fs" "waveform             audio    (sound waveform: silence"
describes "audio example" "$packages/audio.fs" "--set gain=1.0"
describes "map transition" "$packages/map_transition.fs" "transition with a third input (mapImage)"
describes "map transition example" "$packages/map_transition.fs" "-i a.mp4 -i b.mp4 -i mapImage.png --duration 2"

# Packages past the bounds: clear errors, nothing written.
{
  printf '/*{"INPUTS": [], "PASSES": ['
  for i in $(seq 1 300); do printf '{"TARGET": "p%d"},' "$i"; done
  printf '{}]}*/\nvoid main() { gl_FragColor = vec4(1.0); }\n'
} > many_passes.fs
expect_error "300 passes" 1 "More than 64 passes" render -i grey.png -o out.png --effect many_passes.fs
{ printf '/*{"INPUTS": []}*/\nvoid main() { gl_FragColor = vec4(1.0); }\n'; head -c 1600000 /dev/zero | tr '\0' ' '; } > huge.fs
expect_error "huge shader" 1 "more than the" render -i grey.png -o out.png --effect huge.fs
{ printf '/*{"INPUTS": [], "X": '; head -c 30000 /dev/zero | tr '\0' '['; head -c 30000 /dev/zero | tr '\0' ']'; printf '}*/\nvoid main() {}\n'; } > deep.fs
expect_error "deep header" 1 "JSON nested deeper than 32 levels" render -i grey.png -o out.png --effect deep.fs
expect_error "deep header described" 1 "JSON nested deeper than 32 levels" describe deep.fs
if ls out.* >/dev/null 2>&1; then fail "no output past the bounds"; else pass; fi

# A small collection of our own in the styles that public collections use
# (filters, generators, transitions with a map, multi-pass, feedback, vertex
# shaders, imported pictures): each renders.
for package in "$packages"/wild/*.fs; do
  name=$(basename "$package" .fs)
  case $name in
    dissolve_map) args=(-i red.png -i blue.png -i map.png --duration 0.5 --fps 4 -o "wild_${name}_%02d.png") ;;
    trails) args=(-i builtin:clip --size 32x18 --frames 3 -o "wild_${name}_%02d.png") ;;
    *) args=(-i builtin:testcard --size 32x18 -o "wild_$name.png") ;;
  esac
  if "$quenvara" render "${args[@]}" --effect "$package" 2>err.txt; then pass; else fail "collection: $name: $(cat err.txt)"; fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
