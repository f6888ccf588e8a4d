# The movies the compressor wrote, as ffprobe reads them: the streams, the
# number of video frames, and the times of the first frames.
for name in at10 every short track copy; do
  printf '%s: ' "$name"
  ffprobe -v error -count_packets -show_entries stream=codec_type,codec_name,width,height,nb_read_packets \
    -of csv=p=0 "$1/$name.mov" | paste -sd ' '
  printf '  times: '
  ffprobe -v error -select_streams v -show_entries packet=pts_time,duration_time -of csv=p=0 \
    "$1/$name.mov" | head -3 | paste -sd ' '
done
for name in escaped sound tone-out failed; do
  [ -e "$1/$name.mov" ] && echo "$name.mov left behind"
done
cmp "$1/movie.set" "$1/movie2.set" && echo "movie.set round-trips"
exit 0
