# Makes two short QuickTime movies in the directory given: a.mov (Motion
# JPEG video and sound) and b.mov (video alone).
ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=10 -f lavfi -i sine -t 1 \
  -c:v mjpeg -c:a pcm_s16be "$1/a.mov" </dev/null
ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=10 -t 1 -c:v mjpeg "$1/b.mov" </dev/null
