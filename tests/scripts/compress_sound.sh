# A two-second movie (Motion JPEG video, 16-bit stereo sound at 44.1 kHz)
# for the sound compressor.
ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=30 -f lavfi -i sine -t 2 \
  -c:v mjpeg -c:a pcm_s16be -ac 2 "$1/clip.mov" </dev/null
