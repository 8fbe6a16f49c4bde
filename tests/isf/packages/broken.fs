/*{
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]
}*/
void main() {
  vec4 color = IMG_THIS_PIXEL(inputImage);
  gl_FragColor = color * undefinedGain;
}
