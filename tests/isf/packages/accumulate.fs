/*{
  "DESCRIPTION": "Adds 51 to the red of a buffer that does not say PERSISTENT, so it starts empty every frame and never gets past 51",
  "INPUTS": [],
  "PASSES": [{"TARGET": "accumulator"}, {}]
}*/
void main() {
  vec4 previous = IMG_THIS_NORM_PIXEL(accumulator);
  gl_FragColor = PASSINDEX == 0 ? vec4(previous.r + 51.0 / 255.0, 0.0, 0.0, 1.0) : previous;
}
