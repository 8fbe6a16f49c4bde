/*{
  "DESCRIPTION": "Shows TIMEDELTA in red and TIME in green",
  "INPUTS": []
}*/
void main() {
  gl_FragColor = vec4(TIMEDELTA, TIME, 0.0, 1.0);
}
