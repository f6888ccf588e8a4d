# What ffprobe finds in the movies the script wrote: the export, the
# selection and the recompressed movies, and no file a cancel or a failure
# should have removed.
for name in exported part recompressed at5 corner; do
  printf '%s: ' "$name"
  ffprobe -v error -count_packets -show_entries stream=codec_type,codec_name,width,height,nb_read_packets \
    -of csv=p=0 "$1/$name.mov" | paste -sd ' '
done
for name in cancelled escaped; do
  [ -e "$1/$name.mov" ] && echo "$name.mov left behind"
done
exit 0
