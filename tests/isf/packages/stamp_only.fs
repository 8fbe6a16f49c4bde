/*{
  "DESCRIPTION": "Shows its imported picture and nothing else: it takes no input",
  "INPUTS": [],
  "IMPORTED": {"stamp": {"PATH": "imported_stamp.png"}}
}*/
void main() {
  gl_FragColor = IMG_THIS_PIXEL(stamp);
}
