/*{
  "DESCRIPTION": "Tints the picture through an imported gradient and shows its size",
  "CATEGORIES": ["Color Effect"],
  "ISFVSN": "2",
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}],
  "IMPORTED": {"gradient": {"PATH": "../imported_stamp.png"}}
}*/
void main() {
  vec4 color = IMG_THIS_PIXEL(inputImage);
  float luma = dot(color.rgb, vec3(0.2126, 0.7152, 0.0722));
  vec2 texel = 0.5 / IMG_SIZE(gradient);
  vec4 tone = IMG_NORM_PIXEL(gradient, vec2(mix(texel.x, 1.0 - texel.x, luma), 0.5));
  gl_FragColor = vec4(tone.rgb * luma, color.a);
}
