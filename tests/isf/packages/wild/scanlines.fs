/*{
  "CREDIT": "Quenvara tests",
  "DESCRIPTION": "Darkens every other group of rows, in the style of collection filters",
  "CATEGORIES": ["Stylize", "Retro"],
  "ISFVSN": "2",
  "INPUTS": [
    {"NAME": "inputImage", "TYPE": "image"},
    {"NAME": "lineHeight", "TYPE": "long", "VALUES": [1, 2, 4], "LABELS": ["1", "2", "4"], "DEFAULT": 2},
    {"NAME": "darkness", "LABEL": "Darkness", "TYPE": "float", "MIN": 0.0, "MAX": 1.0}
  ]
}*/
void main() {
  vec4 color = IMG_THIS_PIXEL(inputImage);
  int row = int(gl_FragCoord.y) / lineHeight;
  float shade = mod(float(row), 2.0) == 0.0 ? 1.0 : 1.0 - darkness;
  gl_FragColor = vec4(color.rgb * shade, color.a);
}
