# What ffprobe and ffmpeg make of the movies long_names.bas saved under
# long names: each name's length in bytes, the streams, and whether every
# packet decodes, the reference movies reading their samples through their
# alias records.
cd "$1" || exit 1
LC_ALL=C
export LC_ALL
for file in *.mov; do
  [ "$file" = clip.mov ] && continue
  echo "$(printf %s "$file" | wc -c) bytes"
  ffprobe -v error -enable_drefs 1 -show_entries stream=codec_type,nb_frames -of compact=p=0 "$file"
  if ffmpeg -v error -xerror -enable_drefs 1 -i "$file" -f null - </dev/null 2>/dev/null; then
    echo "decodes"
  else
    echo "does not decode"
  fi
done
echo "files left aside: $(ls -A | grep -c flatten)"
