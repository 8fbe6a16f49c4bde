/*{
  "DESCRIPTION": "Inputs without DEFAULT, each shown in a channel: gain (its MIN) in red, mode (its first VALUES entry) in green, the centre point, flag and tint in blue, tint's alpha in alpha",
  "INPUTS": [
    {"NAME": "inputImage", "TYPE": "image"},
    {"NAME": "gain", "TYPE": "float", "MIN": 0.25, "MAX": 1.0},
    {"NAME": "offset", "TYPE": "float"},
    {"NAME": "mode", "TYPE": "long", "VALUES": [2, 3], "LABELS": ["two", "three"]},
    {"NAME": "flag", "TYPE": "bool"},
    {"NAME": "tint", "TYPE": "color"},
    {"NAME": "centre", "TYPE": "point2D", "MAX": [1.0, 1.0]}
  ]
}*/
void main() {
  float blue = 0.5 * centre.x + 0.5 * centre.y + (flag ? 0.5 : 0.0) + tint.r;
  gl_FragColor = vec4(gain + offset, float(mode) * 0.25, blue, tint.a);
}
