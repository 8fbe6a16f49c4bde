/*{
  "DESCRIPTION": "Draws from nothing: FRAMEINDEX * 10 in red, TIME in tenths of 255 in green, the render width in blue",
  "INPUTS": [{"NAME": "flash", "TYPE": "event"}, {"NAME": "level", "TYPE": "float", "DEFAULT": 1.0}]
}*/
void main() {
  gl_FragColor = flash ? vec4(1.0)
                       : vec4(float(FRAMEINDEX) * 10.0 / 255.0, TIME * level, RENDERSIZE.x / 255.0, 1.0);
}
