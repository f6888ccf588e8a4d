# Makes what frame_functions.bas works on, in the directory given: a movie
# of five 64 by 48 frames, two red then three blue, each with a white 16 by
# 16 square at the top left (PNG, so that colours stay exact); a movie of
# sound alone; a 160 by 80 PNG, its left half red and its right half blue;
# a file no importer reads; and the folders the frame files go to, one of
# them holding a 000001 already.
set -e
cd "$1"
ffmpeg -v error -y -f lavfi -i color=c=red:size=64x48:rate=10:duration=0.2,format=rgb24 \
  -f lavfi -i color=c=blue:size=64x48:rate=10:duration=0.3,format=rgb24 \
  -filter_complex "[0][1]concat=n=2:v=1,drawbox=x=0:y=0:w=16:h=16:color=white:t=fill" \
  -c:v png -pix_fmt rgb24 colours.mov </dev/null
ffmpeg -v error -y -f lavfi -i sine -t 1 -c:a pcm_s16be sound.mov </dev/null
convert -size 160x80 xc:red -fill blue -draw 'rectangle 80,0 159,79' PNG24:halves.png
echo "not an image" > notes.txt
mkdir frames escaped again trimmed faulty sound
echo kept > again/000001
