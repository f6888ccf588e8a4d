# What ffprobe finds in the movie the script authored: each stream's kind,
# format and duration and the time code the time code track starts at; how
# many frames decode, and the colour FFmpeg decodes where the script drew
# red, then blue.
movie="$1/authored.mov"
ffprobe -v error -show_entries stream=codec_type,codec_tag_string,sample_rate,duration:stream_tags=timecode \
  -of csv=p=0 "$movie"
printf 'video frames: '
ffprobe -v error -select_streams v -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$movie"
for n in 0 5; do
  ffmpeg -v error -i "$movie" -vf "select=eq(n\,$n),format=rgb24,crop=2:2:60:150" -frames:v 1 \
    -f rawvideo -pix_fmt rgb24 - </dev/null | od -An -tu1 -N3 | awk -v n=$n '
    { c = $1 " " $2 " " $3 }
    $1 > 200 && $2 < 40 && $3 < 40 { c = "red" }
    $3 > 200 && $1 < 40 && $2 < 40 { c = "blue" }
    { printf "frame %d at (60, 150): %s\n", n, c }'
done
exit 0
