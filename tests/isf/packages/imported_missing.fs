/*{
  "DESCRIPTION": "Names an IMPORTED picture that does not exist",
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}],
  "IMPORTED": [{"NAME": "absent", "PATH": "no_such_picture.png"}]
}*/
void main() {
  gl_FragColor = IMG_NORM_PIXEL(absent, isf_FragNormCoord);
}
