# Makes a one-second QuickTime movie with one Motion JPEG video track
# (320 x 240) in the directory given.
ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=10:duration=1 -c:v mjpeg \
  "$1/clip.mov" </dev/null
