# Makes a two-second QuickTime movie (Motion JPEG video, 16-bit sound) in
# the directory given.
ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=30 -f lavfi -i sine -t 2 \
  -c:v mjpeg -c:a pcm_s16be "$1/clip.mov" </dev/null
cp "$1/clip.mov" "$1/saved.mov"
