/*{
  "DESCRIPTION": "Moves from the start to the end picture where the map's red lies below the progress",
  "INPUTS": [
    {"NAME": "startImage", "TYPE": "image"},
    {"NAME": "endImage", "TYPE": "image"},
    {"NAME": "mapImage", "TYPE": "image"},
    {"NAME": "progress", "TYPE": "float", "MIN": 0.0, "MAX": 1.0, "DEFAULT": 0.0}
  ]
}*/
void main() {
  float threshold = IMG_NORM_PIXEL(mapImage, isf_FragNormCoord).r;
  vec4 start = IMG_NORM_PIXEL(startImage, isf_FragNormCoord);
  vec4 end = IMG_NORM_PIXEL(endImage, isf_FragNormCoord);
  gl_FragColor = progress > threshold ? end : start;
}
