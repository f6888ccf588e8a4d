# What ffprobe and ffmpeg make of the movies movie.bas saved in the
# directory given: their streams, and whether every packet decodes. The
# reference movie reads its samples from the files it names.
for name in whole part ref; do
  file="$1/$name.mov"
  echo "$name.mov"
  ffprobe -v error -enable_drefs 1 -show_entries format=duration:stream=codec_type,codec_name,nb_frames,duration \
    -of compact=p=0 "$file"
  if ffmpeg -v error -xerror -enable_drefs 1 -i "$file" -f null - </dev/null 2>/dev/null; then
    echo "decodes"
  else
    echo "does not decode"
  fi
done
