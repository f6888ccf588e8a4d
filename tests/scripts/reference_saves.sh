# Makes two movies and a FIFO in the directory given.
ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=30 -f lavfi -i sine -t 2 \
  -c:v mjpeg -c:a pcm_s16be "$1/clip.mov" </dev/null
ffmpeg -v error -y -f lavfi -i testsrc2=size=160x120:rate=15 -t 3 -c:v mjpeg "$1/other.mov" </dev/null
mkfifo "$1/fifo"
