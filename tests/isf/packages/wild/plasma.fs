/*{
  "DESCRIPTION": "A moving plasma with no image input",
  "CATEGORIES": ["Generator"],
  "ISFVSN": "2",
  "INPUTS": [
    {"NAME": "speed", "TYPE": "float", "MIN": 0.0, "MAX": 4.0, "DEFAULT": 1.0},
    {"NAME": "tint", "TYPE": "color", "DEFAULT": [1.0, 0.6, 0.2, 1.0]},
    {"NAME": "inverted", "TYPE": "bool"}
  ]
}*/
void main() {
  vec2 p = gl_FragCoord.xy / RENDERSIZE.y * 8.0;
  float t = TIME * speed;
  float v = sin(p.x + t) + sin(p.y + t * 0.5) + sin((p.x + p.y) * 0.5 + t * 0.25);
  v = v / 6 + 0.5;
  if (inverted) v = 1.0 - v;
  gl_FragColor = vec4(tint.rgb * v, 1.0);
}
