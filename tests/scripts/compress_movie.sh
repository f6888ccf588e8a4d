# A two-second movie (Motion JPEG video at 30 frames a second, 16-bit
# sound) and a movie of sound alone, for the movie compressor.
ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=30 -f lavfi -i sine -t 2 \
  -c:v mjpeg -c:a pcm_s16be "$1/clip.mov" </dev/null
ffmpeg -v error -y -f lavfi -i sine -t 1 -c:a pcm_s16be "$1/tone.mov" </dev/null
