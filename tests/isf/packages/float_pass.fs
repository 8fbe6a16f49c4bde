/*{
  "DESCRIPTION": "Stores 4.0 and -1.0 in a FLOAT buffer, then maps them back into 0 to 1 in the output pass",
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}],
  "PASSES": [{"TARGET": "values", "FLOAT": true, "PERSISTENT": false}, {}]
}*/
void main() {
  if (PASSINDEX == 0) {
    gl_FragColor = vec4(4.0, -1.0, 0.5, 1.0);
  } else {
    vec4 stored = IMG_NORM_PIXEL(values, isf_FragNormCoord);
    gl_FragColor = vec4(stored.r / 8.0, -stored.g / 2.0, stored.b, 1.0);
  }
}
