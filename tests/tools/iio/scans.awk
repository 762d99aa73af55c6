# The scans of tests/tools/iio/buffered.umockdev as a script of umockdev's (umockdev-run
# --script /dev/iio:device0=FILE): COUNT scans at 100 Hz, one read each, of x, y, z (16 bits)
# and the time stamp after two bytes of padding; lying face up (z 1 g), with a flick of 2 g to
# the right for 50 ms in the middle of every FLICK scans (0: none). A line is "r WAIT BYTES",
# bytes below 32 written as ^ and the byte plus 64, ^ as ^`.
#   LC_ALL=C awk -v count=COUNT -v flick=FLICK -f scans.awk > FILE
function put(value, bytes,   i, b) {
  for (i = 0; i < bytes; i++) {
    b = value % 256
    value = (value - b) / 256
    if (b < 32) printf "^%c", b + 64; else if (b == 94) printf "^`"; else printf "%c", b
  }
}
BEGIN {
  for (i = 0; i < count; i++) {
    printf "r %d ", i == 0 ? 0 : 10
    flicked = flick > 0 && i % flick >= flick / 2 && i % flick < flick / 2 + 5
    put(flicked ? 2048 : 0, 2); put(0, 2); put(1024, 2); put(0, 2); put(i * 10000000, 8)
    printf "\n"
  }
}
