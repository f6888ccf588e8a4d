# Makes the movies frames.bas renders, in the directory given: solid red
# video at 4:3 and 16:9 (PNG, so that colours stay exact), one whose left
# half is red and right half blue, and a movie of sound alone.
set -e
mk() { ffmpeg -v error -y -f lavfi -i "$1" -t 1 -c:v png "$2" </dev/null; }
mk color=c=red:size=640x480:rate=10,format=rgb24 "$1/red43.mov"
mk color=c=red:size=640x360:rate=10,format=rgb24 "$1/red169.mov"
mk "color=c=red:size=64x32:rate=10,drawbox=x=32:y=0:w=32:h=32:color=blue:t=fill,format=rgb24" "$1/halves.mov"
ffmpeg -v error -y -f lavfi -i sine -t 1 -c:a pcm_s16be "$1/sound.mov" </dev/null
