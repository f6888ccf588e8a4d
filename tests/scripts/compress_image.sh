# A picture file and a two-second movie (Motion JPEG video, 16-bit sound)
# for the image compressor.
ffmpeg -v error -y -f lavfi -i testsrc=size=200x150 -frames:v 1 "$1/still.png" </dev/null
ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=30 -f lavfi -i sine -t 2 \
  -c:v mjpeg -c:a pcm_s16be "$1/clip.mov" </dev/null
