# A two-second movie (Motion JPEG video 320x240, 16-bit stereo sound) for
# the movie exporters.
ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=30 -f lavfi -i sine -t 2 \
  -c:v mjpeg -c:a pcm_s16be -ac 2 "$1/clip.mov" </dev/null
