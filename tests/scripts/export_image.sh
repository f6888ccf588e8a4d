# A picture file and a two-second movie for the graphics exporters.
ffmpeg -v error -y -f lavfi -i testsrc=size=200x150 -frames:v 1 "$1/still.png" </dev/null
ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=30 -t 2 -c:v mjpeg "$1/clip.mov" </dev/null
