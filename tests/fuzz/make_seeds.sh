#!/bin/sh
# Makes the seed movies of the fuzz targets in the folder given: small
# movies of the kinds other tools write, made by ffmpeg.
set -e
out=$1
mkdir -p "$out/movie_reader" "$out/handles"
make() {
  name=$1; shift
  ffmpeg -v error -y "$@" "$out/movie_reader/$name" </dev/null
}
make mjpeg_pcm.mov -f lavfi -i testsrc=size=32x24:rate=5 -f lavfi -i sine=sample_rate=8000 -t 1 \
  -c:v mjpeg -c:a pcm_s16be
make raw.mov -f lavfi -i testsrc=size=16x16:rate=2 -t 1 -c:v rawvideo -pix_fmt rgb24
make h264_aac.mov -f lavfi -i testsrc=size=32x32:rate=10 -f lavfi -i sine=sample_rate=8000 -t 1 \
  -c:v libx264 -bf 2 -c:a aac
make fragmented.mp4 -f lavfi -i testsrc=size=16x16:rate=5 -t 1 -c:v mjpeg \
  -movflags frag_keyframe+empty_moov
make timecode.mov -f lavfi -i testsrc=size=16x16:rate=5 -t 1 -c:v mjpeg -timecode 01:00:00:00
make chapters_text.mov -f lavfi -i testsrc=size=16x16:rate=5 -t 1 -c:v mjpeg \
  -metadata title=Fenra -metadata comment=seed
# The handle target reads its first byte as the parser to use: 0, a movie
# atom; 1, user data; 2, an atom container; 3, a picture; 4, an alias.
for f in "$out"/movie_reader/*.mov; do
  { printf '\000'; cat "$f"; } >"$out/handles/$(basename "$f").moov"
done
printf '\001\000\000\000\014name\000\000\000\000' >"$out/handles/user_data"
printf '\002\000\000\000\000\000\000\000\000\000\000\000\000' >"$out/handles/atoms"
printf '\004\000\000\000\000\000\000' >"$out/handles/alias"
# A picture ImageMagick writes, its 512-byte file preamble left out.
if command -v convert >/dev/null; then
  convert -size 8x8 gradient:red-blue "pict:$out/picture.pict"
  { printf '\003'; tail -c +513 "$out/picture.pict"; } >"$out/handles/picture"
  rm "$out/picture.pict"
fi
# A settings file: 512 zero bytes, the marker, then an atom container.
mkdir -p "$out/settings_file"
{ head -c 512 /dev/zero; printf 'QTLB'; cat "$out/handles/atoms" | tail -c +2; } \
  >"$out/settings_file/empty_container"
