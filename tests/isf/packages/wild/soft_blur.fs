/*{
  "DESCRIPTION": "Two-pass box blur through a quarter-size buffer",
  "CATEGORIES": ["Blur"],
  "ISFVSN": "2",
  "INPUTS": [
    {"NAME": "inputImage", "TYPE": "image"},
    {"NAME": "radius", "TYPE": "float", "MIN": 0.0, "MAX": 8.0, "DEFAULT": 2.0}
  ],
  "PASSES": [
    {"TARGET": "small", "WIDTH": "floor($WIDTH/4.0)", "HEIGHT": "floor($HEIGHT/4.0)", "PERSISTENT": false},
    {"TARGET": "horizontal", "PERSISTENT": false},
    {}
  ]
}*/
vec4 Box(sampler2D image, vec2 uv, vec2 direction) {
  vec4 sum = vec4(0.0);
  for (int i = -2; i <= 2; i++) {
    sum += IMG_NORM_PIXEL(image, uv + direction * float(i) * radius / RENDERSIZE);
  }
  return sum / 5.0;
}

void main() {
  vec2 uv = isf_FragNormCoord;
  if (PASSINDEX == 0) {
    gl_FragColor = IMG_NORM_PIXEL(inputImage, uv);
  } else if (PASSINDEX == 1) {
    gl_FragColor = Box(small, uv, vec2(1.0, 0.0));
  } else {
    gl_FragColor = Box(horizontal, uv, vec2(0.0, 1.0));
  }
}
