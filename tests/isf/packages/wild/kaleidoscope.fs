/*{
  "DESCRIPTION": "Mirrors the picture around a centre into slices",
  "CATEGORIES": ["Geometry Adjustment"],
  "ISFVSN": "2",
  "INPUTS": [
    {"NAME": "inputImage", "TYPE": "image"},
    {"NAME": "sides", "TYPE": "float", "MIN": 1.0, "MAX": 32.0, "DEFAULT": 6.0},
    {"NAME": "center", "TYPE": "point2D", "MAX": [1.0, 1.0]}
  ]
}*/
const float tau = 6.28318530718;

void main() {
  vec2 p = isf_FragNormCoord - center;
  float r = length(p);
  float a = atan(p.y, p.x);
  float slice = tau / sides;
  a = mod(a, slice);
  a = abs(a - slice / 2);
  vec2 q = center + r * vec2(cos(a), sin(a));
  gl_FragColor = IMG_NORM_PIXEL(inputImage, clamp(q, 0.0, 1.0));
}
