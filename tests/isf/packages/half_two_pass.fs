/*{
  "DESCRIPTION": "Halves the picture into a half-size target, then doubles it back",
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}],
  "PASSES": [
    {"TARGET": "halfSize", "WIDTH": "$WIDTH/2", "HEIGHT": "$HEIGHT/2", "PERSISTENT": false},
    {}
  ]
}*/
void main() {
  if (PASSINDEX == 0) {
    gl_FragColor = IMG_THIS_NORM_PIXEL(inputImage) * 0.5;
  } else {
    gl_FragColor = IMG_NORM_PIXEL(halfSize, isf_FragNormCoord) * 2.0;
  }
}
