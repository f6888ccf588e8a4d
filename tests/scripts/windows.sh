# Makes the movie windows.bas plays in a window, in the directory given:
# one second each of red, green and blue at 30 frames a second (PNG, so
# that colours stay exact), 64 by 48, time scale 600.
set -e
ffmpeg -v error -y -filter_complex \
  "color=c=red:s=64x48:r=30:d=1[a];color=c=lime:s=64x48:r=30:d=1[b];color=c=blue:s=64x48:r=30:d=1[c];[a][b][c]concat=n=3,format=rgb24" \
  -c:v png -video_track_timescale 600 -movie_timescale 600 "$1/rgb.mov" </dev/null
