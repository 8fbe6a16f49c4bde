#!/usr/bin/env bash
# End-to-end tests of template shader files through the command-line tool: an
# effect, a transition and an auxiliary picture rendered on small solid
# pictures and checked by one pixel, the uniforms that describe lists, and the
# errors for a missing picture.
# Arguments: the quenvara program, the plug-in.
set -uo pipefail
quenvara=$1
export QUENVARA_PLUGIN=$2
source "$(dirname "$0")/../cli/helpers.sh"

solid() { ffmpeg -v error -y -f lavfi -i "color=c=$1:s=24x12" -frames:v 1 -pix_fmt rgba "$2"; }
solid 0xFF0000 red.png
solid 0x0000FF blue.png

cat > invert.glsl <<'GLSL'
uniform sampler2D tex;
varying vec2 TexCoord0;
void main() {
  vec4 c = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(1.0 - c.rgb, c.a);
}
GLSL
cat > aux.glsl <<'GLSL'
// Shows the auxiliary picture, half of it by default.
uniform sampler2D tex;
uniform sampler2D auxTex;
uniform vec2 auxTexSize;
uniform float intensity;
varying vec2 TexCoord0;
void main() { gl_FragColor = mix(texture2D(tex, TexCoord0), texture2D(auxTex, TexCoord0), intensity); }
GLSL
cat > wipe.glsl <<'GLSL'
#version 300 es
precision mediump float;
uniform sampler2D tex0, tex1;
uniform float prg;
in vec2 TexCoord0;
out vec4 colour;
void main() { colour = mix(texture(tex0, TexCoord0), texture(tex1, TexCoord0), prg); }
GLSL

check "effect from a file" "$quenvara" render -i red.png --effect invert.glsl -o inverted.png
check "effect inverts" near "$(pixel inverted.png 10 6)" "0 255 255 255" 2

check "aux picture" "$quenvara" render -i red.png --effect aux.glsl --set aux=blue.png \
  --set intensity=1 -o aux.png
check "aux picture shows" near "$(pixel aux.png 10 6)" "0 0 255 255" 2

# One frame of a 25 fps transition ends at progress 1: the second picture.
check "transition from a file" "$quenvara" render -i red.png -i blue.png --effect wipe.glsl \
  --duration 0.04 -o wiped.png
check "transition reaches the second input" near "$(pixel wiped.png 10 6)" "0 0 255 255" 2

"$quenvara" describe aux.glsl > described.txt 2>&1
check "describe names the effect" grep -qF "SettingsEffectTemplateZTL" described.txt
check "describe lists auxTex" grep -qF -- "auxTex       --set aux=picture.png" described.txt
check "describe lists intensity" grep -qF -- "intensity    --set intensity=" described.txt
"$quenvara" describe wipe.glsl > described.txt 2>&1
check "describe names the transition" grep -qF "SettingsTransitionTemplateZTL" described.txt

expect_error "missing aux picture" 1 "no such picture for aux" \
  render -i red.png --effect aux.glsl --set aux=missing.png -o out.png
expect_error "aux declared but not given" 1 "There is no aux image required by shader" \
  render -i red.png --effect aux.glsl -o out.png
expect_error "missing shader file" 1 "no such file" \
  render -i red.png --effect missing.glsl -o out.png

finish
