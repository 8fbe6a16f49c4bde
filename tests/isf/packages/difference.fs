/*{
  "DESCRIPTION": "The absolute difference of two pictures",
  "INPUTS": [{"NAME": "a", "TYPE": "image"}, {"NAME": "b", "TYPE": "image"}]
}*/
void main() {
  vec4 x = IMG_THIS_PIXEL(a);
  vec4 y = IMG_THIS_PIXEL(b);
  gl_FragColor = vec4(abs(x.rgb - y.rgb), 1.0);
}
