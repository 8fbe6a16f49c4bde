/*{
  "DESCRIPTION": "Shows the month in red and the day of the month in green",
  "INPUTS": []
}*/
void main() {
  gl_FragColor = vec4(DATE.y / 12.0, DATE.z / 31.0, 0.0, 1.0);
}
