# Pictures ImageMagick makes for picture_files.bas to read, in the
# directory given: eight 8 by 8 blocks of colour as PNGs, BMPs and JPEGs of
# several kinds, and a greyscale PNG of two blocks.
cd "$1" || exit 1
convert -size 32x16 xc:white +antialias \
  -fill '#FF0000' -draw 'rectangle 0,0 7,7' -fill '#00FF00' -draw 'rectangle 8,0 15,7' \
  -fill '#0000FF' -draw 'rectangle 16,0 23,7' -fill '#FFFFFF' -draw 'rectangle 24,0 31,7' \
  -fill '#000000' -draw 'rectangle 0,8 7,15' -fill '#336699' -draw 'rectangle 8,8 15,15' \
  -fill '#FFFF00' -draw 'rectangle 16,8 23,15' -fill '#808080' -draw 'rectangle 24,8 31,15' \
  PNG24:made.png
convert made.png PNG8:made-palette.png
convert made.png -interlace PNG PNG24:made-interlaced.png
convert made.png -depth 16 PNG48:made-16bit.png
convert made.png -alpha on PNG32:made-alpha.png
convert made.png BMP3:made-24bit.bmp
convert made.png -type Palette BMP3:made-8bit.bmp
convert made.png -quality 95 -sampling-factor 1x1 made.jpg
convert made.png -quality 95 -interlace JPEG made-progressive.jpg
convert -size 16x8 xc:'#808080' +antialias -fill black -draw 'rectangle 0,0 7,7' \
  -colorspace Gray -define png:color-type=0 made-grey.png
