/*{
  "DESCRIPTION": "Dissolves through a luminance map with a soft edge",
  "CATEGORIES": ["Dissolve"],
  "ISFVSN": "2",
  "INPUTS": [
    {"NAME": "startImage", "TYPE": "image"},
    {"NAME": "endImage", "TYPE": "image"},
    {"NAME": "mapImage", "TYPE": "image"},
    {"NAME": "progress", "TYPE": "float", "MIN": 0.0, "MAX": 1.0},
    {"NAME": "softness", "TYPE": "float", "MIN": 0.0, "MAX": 1.0, "DEFAULT": 0.1}
  ]
}*/
void main() {
  vec3 map = IMG_NORM_PIXEL(mapImage, isf_FragNormCoord).rgb;
  float level = dot(map, vec3(0.299, 0.587, 0.114));
  float edge = progress * (1.0 + softness);
  float t = smoothstep(level, level + softness, edge);
  gl_FragColor = mix(IMG_NORM_PIXEL(startImage, isf_FragNormCoord),
                     IMG_NORM_PIXEL(endImage, isf_FragNormCoord), t);
}
