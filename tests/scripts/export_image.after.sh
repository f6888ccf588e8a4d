# What ImageMagick reads in the files the exporters wrote (ffprobe reads
# the QuickTime Image file, which ImageMagick does not know).
cd "$1"
for f in picture*.* still-copy.png frame.png small.jpg small-frame.jpg small-still.jpg exif.jpg; do
  printf '%s: ' "$f"
  case "$f" in
    *.qtif) ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 "$f" ;;
    *) identify -format '%m %wx%h\n' "$f" | head -1 ;;
  esac
done
[ -e nothing.jpg ] && echo "nothing.jpg written"
cmp png.set png2.set && echo "png.set round-trips"
exit 0
