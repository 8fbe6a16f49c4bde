/*{
  "DESCRIPTION": "Adds 51 to the red of a persistent buffer every frame; green shows FRAMEINDEX",
  "INPUTS": [],
  "PASSES": [{"TARGET": "accumulator", "PERSISTENT": true}, {}]
}*/
const float kStep = 51.0 / 255.0;
const float kIndexStep = 10.0 / 255.0;

void main() {
  if (PASSINDEX == 0) {
    vec4 previous = FRAMEINDEX == 0 ? vec4(0.0) : IMG_THIS_NORM_PIXEL(accumulator);
    gl_FragColor = vec4(previous.r + kStep, 0.0, 0.0, 1.0);
  } else {
    gl_FragColor = vec4(IMG_THIS_NORM_PIXEL(accumulator).r, float(FRAMEINDEX) * kIndexStep, 0.0, 1.0);
  }
}
