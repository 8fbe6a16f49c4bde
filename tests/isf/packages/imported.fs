/*{
  "DESCRIPTION": "Shows the picture named under IMPORTED over the left half and the input over the right half",
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}],
  "IMPORTED": {"stamp": {"PATH": "imported_stamp.png"}}
}*/
void main() {
  vec4 stamp = IMG_NORM_PIXEL(stamp, isf_FragNormCoord);
  gl_FragColor = isf_FragNormCoord.x < 0.5 ? stamp : IMG_THIS_NORM_PIXEL(inputImage);
}
