# Makes a one-second QuickTime movie with one Motion JPEG video track in the
# directory given; bit-exact, so that its user data holds only its title.
ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:rate=10:duration=1 -c:v mjpeg \
  -fflags +bitexact -metadata title=Fenra "$1/clip.mov" </dev/null
