/*{
  "DESCRIPTION": "Shows the input's rectangle and size companions, divided by 100, and whether it is flipped",
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]
}*/
void main() {
  gl_FragColor = vec4(_inputImage_imgRect.z / 100.0, _inputImage_imgRect.w / 100.0,
                      _inputImage_imgSize.x / 100.0 + _inputImage_imgRect.x,
                      _inputImage_flip ? 0.0 : 1.0);
}
