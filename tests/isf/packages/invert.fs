/*{
  "DESCRIPTION": "Mixes each colour towards its inverse by amount",
  "INPUTS": [
    {"NAME": "inputImage", "TYPE": "image"},
    {"NAME": "amount", "TYPE": "float", "DEFAULT": 0.75, "MIN": 0.0, "MAX": 1.0}
  ]
}*/
void main() {
  vec4 color = IMG_THIS_PIXEL(inputImage);
  gl_FragColor = vec4(mix(color.rgb, 1.0 - color.rgb, amount), color.a);
}
