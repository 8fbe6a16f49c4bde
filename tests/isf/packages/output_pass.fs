/*{
  "DESCRIPTION": "Writes a colour into a buffer, then draws the buffer's channels reversed and scaled by level in the output pass, which is the usual empty object at the end of PASSES",
  "INPUTS": [
    {"NAME": "inputImage", "TYPE": "image"},
    {"NAME": "level", "TYPE": "float", "DEFAULT": 1.0, "MIN": 0.0, "MAX": 1.0}
  ],
  "PASSES": [
    {"TARGET": "bufferA"},
    {}
  ]
}*/
void main() {
  if (PASSINDEX == 0) {
    gl_FragColor = vec4(0.2, 0.4, 0.6, 1.0);
  } else {
    vec4 buffered = IMG_NORM_PIXEL(bufferA, isf_FragNormCoord);
    gl_FragColor = vec4(buffered.bgr * level, 1.0);
  }
}
