/*{
  "DESCRIPTION": "Shows what sound inputs sample when there is no sound: the waveform's level in red, its width / 255 in green, the spectrum's width / 512 in blue and one less its level in alpha",
  "INPUTS": [
    {"NAME": "beat", "TYPE": "event"},
    {"NAME": "waveform", "TYPE": "audio", "MAX": 64},
    {"NAME": "spectrum", "TYPE": "audioFFT"},
    {"NAME": "gain", "TYPE": "float", "DEFAULT": 1.0, "MIN": 0.0, "MAX": 2.0}
  ]
}*/
void main() {
  float level = IMG_NORM_PIXEL(waveform, vec2(0.3, 0.5)).r * gain;
  float bin = IMG_PIXEL(spectrum, vec2(3.5, 0.5)).r;
  gl_FragColor = beat ? vec4(1.0) : vec4(level, IMG_SIZE(waveform).x / 255.0,
                                           _spectrum_imgSize.x / 512.0, 1.0 - bin);
}
