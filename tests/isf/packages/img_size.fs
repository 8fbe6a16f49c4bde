/*{
  "DESCRIPTION": "Shows the input's size in pixels, divided by 100, in red and green",
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]
}*/
void main() {
  gl_FragColor = vec4(IMG_SIZE(inputImage).x / 100.0, IMG_SIZE( inputImage ).y / 100.0, 0.0, 1.0);
}
