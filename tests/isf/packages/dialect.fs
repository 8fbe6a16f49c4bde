/*{
  "DESCRIPTION": "GLSL that the oldest dialect refuses: an int times a float, an array constructor, precision qualifiers and an unsigned vector",
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]
}*/
void main() {
  highp float weights[3] = float[3](0.25, 0.5, 0.75);
  mediump float product = 2 * 0.25;
  lowp uvec2 counts = uvec2(3u, 4u);
  gl_FragColor = vec4(weights[0], product, float(counts.x) / float(counts.y), 1.0);
}
