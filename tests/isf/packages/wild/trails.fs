/*{
  "DESCRIPTION": "Leaves fading trails through a persistent float buffer",
  "CATEGORIES": ["Feedback"],
  "ISFVSN": "2",
  "INPUTS": [
    {"NAME": "inputImage", "TYPE": "image"},
    {"NAME": "decay", "TYPE": "float", "MIN": 0.0, "MAX": 1.0, "DEFAULT": 0.8}
  ],
  "PASSES": [
    {"TARGET": "accumulated", "PERSISTENT": true, "FLOAT": true},
    {}
  ]
}*/
void main() {
  vec4 fresh = IMG_THIS_NORM_PIXEL(inputImage);
  if (PASSINDEX == 0) {
    vec4 old = IMG_NORM_PIXEL(accumulated, isf_FragNormCoord);
    gl_FragColor = FRAMEINDEX == 0 ? fresh : max(fresh, old * decay);
  } else {
    gl_FragColor = IMG_NORM_PIXEL(accumulated, isf_FragNormCoord);
  }
}
