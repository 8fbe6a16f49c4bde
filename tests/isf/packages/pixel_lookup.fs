/*{
  "DESCRIPTION": "Left half: the lookup picture's pixel at column 2, row 1 (from the bottom) of its own pixels; right half: the lookup picture at the same place",
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}],
  "IMPORTED": {"lookup": {"PATH": "lookup_4x2.png"}}
}*/
void main() {
  gl_FragColor = isf_FragNormCoord.x < 0.5 ? IMG_PIXEL(lookup, vec2(2.5, 1.5))
                                           : IMG_THIS_PIXEL(lookup);
}
