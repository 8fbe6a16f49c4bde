/*{
  "DESCRIPTION": "Bends the picture in a wave computed in its vertex shader",
  "CATEGORIES": ["Distortion Effect"],
  "ISFVSN": "2",
  "INPUTS": [
    {"NAME": "inputImage", "TYPE": "image"},
    {"NAME": "amplitude", "TYPE": "float", "MIN": 0.0, "MAX": 0.1, "DEFAULT": 0.02}
  ]
}*/
varying vec2 shifted;

void main() {
  gl_FragColor = IMG_NORM_PIXEL(inputImage, shifted + vec2(amplitude * sin(isf_FragNormCoord.y * 20.0 + TIME), 0.0));
}
