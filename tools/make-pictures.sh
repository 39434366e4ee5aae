#!/bin/sh
# Regenerates the window pictures (content/pictures/) and the figures of the course pages
# (content/Glaves/images/). The results are committed, so the build never runs this script.
# Needs ImageMagick 6 (package imagemagick) and the DejaVu fonts (package fonts-dejavu-core).
# Plasma textures take a fixed seed and metadata is stripped, so a rerun gives the same files.
set -eu

# ImageMagick by its packaged path, not whichever convert comes first in PATH.
CONVERT=/usr/bin/convert
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
FONT_BOLD=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

root=$(cd "$(dirname "$0")/.." && pwd)
pics=$root/content/pictures
figs=$root/content/Glaves/images

for f in "$CONVERT" "$FONT" "$FONT_BOLD"; do
  if [ ! -e "$f" ]; then
    echo "make-pictures: $f not found" >&2
    exit 1
  fi
done
mkdir -p "$pics" "$figs"

# jpeg|png OUTPUT CONVERT-ARGUMENTS...
jpeg() {
  out=$1
  shift
  "$CONVERT" "$@" -type TrueColor -strip -interlace none -quality 90 -sampling-factor 2x2 "$out"
}
png() {
  out=$1
  shift
  "$CONVERT" "$@" -strip -define png:exclude-chunks=date,time "$out"
}

# Sign-in window: very light blue with a soft cloudy texture and a faint open book, so that bold navy
# labels stay readable everywhere.
jpeg "$pics/signin.jpg" -size 232x270 -seed 11 plasma:fractal -blur 0x6 -colorspace gray -auto-level \
    -colorspace sRGB +level-colors '#d5e1f0,#ffffff' \
    \( -size 232x270 gradient:'#ffffff-#dbe6f3' \) -compose blend -define compose:args=35 -composite \
    -fill none -stroke '#c3d3e8' -strokewidth 2 \
    -draw "path 'M 56,214 Q 86,196 116,212 Q 146,196 176,214 L 176,246 Q 146,230 116,244 Q 86,230 56,246 Z'" \
    -draw "line 116,212 116,244"

# Reader navigation panel: a mid-light steel-blue texture that keeps red, blue and white labels legible.
jpeg "$pics/reader-panel.jpg" -size 176x422 -seed 23 plasma:fractal -blur 0x3 -colorspace gray -auto-level \
    -seed 5 -attenuate 0.4 +noise Uniform -colorspace gray -auto-level -colorspace sRGB +level-colors '#98aecd,#c2d0e4'

# Behind the three buttons: the same texture, a shade darker towards the bottom.
jpeg "$pics/reader-buttons.jpg" -size 177x97 -seed 23 plasma:fractal -blur 0x3 -colorspace gray -auto-level \
    -seed 5 -attenuate 0.4 +noise Uniform -colorspace gray -auto-level -colorspace sRGB +level-colors '#98aecd,#c2d0e4' \
    \( -size 177x97 gradient:'#c4d2e6-#8fa6c8' \) -compose blend -define compose:args=55 -composite \
    -modulate 100,80

# Statistics window: a light gradient with a faint grid and bars in a corner.
jpeg "$pics/stats.jpg" -size 553x417 gradient:'#fdfdfb-#e3ebf4' \
    -stroke '#e1e7ef' -strokewidth 1 \
    -draw "line 0,40 553,40" -draw "line 0,100 553,100" -draw "line 0,160 553,160" \
    -draw "line 0,220 553,220" -draw "line 0,280 553,280" -draw "line 0,340 553,340" -draw "line 0,400 553,400" \
    -stroke none -fill '#d7e1ee' \
    -draw "rectangle 400,300 420,400" -draw "rectangle 430,250 450,400" \
    -draw "rectangle 460,200 480,400" -draw "rectangle 490,140 510,400" \
    -fill none -stroke '#c9d6e6' -strokewidth 3 -draw "polyline 392,290 440,236 470,190 520,124"

# Author window: a drawn figure, not a photograph: a reader's silhouette holding an open book.
jpeg "$pics/author.jpg" -size 147x202 gradient:'#f6efe2-#e0cfb0' \
    -fill '#f3e6cc' -stroke none -draw "circle 73,78 73,8" \
    -fill '#2d3e5c' -draw "circle 73,62 73,34" \
    -draw "path 'M 24,202 L 24,150 Q 26,106 73,100 Q 120,106 122,150 L 122,202 Z'" \
    -fill '#24324b' -draw "rectangle 64,88 82,104" \
    -fill '#fbf7ee' -stroke '#8a6d3b' -strokewidth 1.5 \
    -draw "path 'M 30,150 Q 52,140 73,150 Q 94,140 116,150 L 116,184 Q 94,174 73,184 Q 52,174 30,184 Z'" \
    -draw "line 73,150 73,184" \
    -stroke '#b8a27a' -strokewidth 1 \
    -draw "line 38,156 66,154" -draw "line 38,162 66,160" -draw "line 38,168 66,166" \
    -draw "line 80,154 108,156" -draw "line 80,160 108,162" -draw "line 80,166 108,168" \
    -fill '#2d3e5c' -stroke none -draw "ellipse 34,170 9,7 0,360" -draw "ellipse 112,170 9,7 0,360" \
    -fill none -stroke '#b08d57' -strokewidth 3 -draw "rectangle 1,1 145,200"

# Menu icons, 16 x 16 on a transparent ground.
png "$pics/menu-theory.png" -size 16x16 xc:none \
    -fill '#b22222' -stroke '#5a1010' -strokewidth 1 -draw "rectangle 2,2 13,13" \
    -fill '#f5f0e1' -stroke none -draw "rectangle 4,4 11,11" \
    -stroke '#5a1010' -draw "line 5,6 10,6" -draw "line 5,8 10,8" -draw "line 5,10 9,10"
png "$pics/menu-stats.png" -size 16x16 xc:none \
    -stroke '#404040' -strokewidth 1 -draw "line 1,14 14,14" -draw "line 1,1 1,14" -stroke none \
    -fill '#2e7d32' -draw "rectangle 3,9 5,13" \
    -fill '#1565c0' -draw "rectangle 7,5 9,13" \
    -fill '#c62828' -draw "rectangle 11,2 13,13"
png "$pics/menu-review.png" -size 16x16 xc:none \
    -fill '#f5f0e1' -stroke '#404040' -strokewidth 1 -draw "rectangle 2,1 13,14" \
    -fill none -stroke '#2e7d32' -strokewidth 2 -draw "polyline 4,5 6,7 10,3" \
    -stroke '#c62828' -draw "line 5,9 10,13" -draw "line 10,9 5,13"
png "$pics/menu-search.png" -size 16x16 xc:none \
    -fill '#e3f2fd' -stroke '#123a78' -strokewidth 1.5 -draw "circle 6.5,6.5 6.5,1.5" \
    -stroke '#5d4037' -strokewidth 3 -draw "line 10,10 14,14"
png "$pics/menu-view.png" -size 16x16 xc:none \
    -fill '#f5f0e1' -stroke '#404040' -strokewidth 1 -draw "rectangle 1,2 14,13" \
    -fill '#263238' -stroke none -draw "rectangle 8,3 13,12" \
    -fill '#f5f0e1' -draw "rectangle 9,5 12,5" -draw "rectangle 9,7 12,7" -draw "rectangle 9,9 11,9" \
    -fill '#263238' -draw "rectangle 3,5 6,5" -draw "rectangle 3,7 6,7" -draw "rectangle 3,9 5,9"
png "$pics/menu-help.png" -size 16x16 xc:none \
    -fill '#1e5bb8' -stroke '#123a78' -strokewidth 1 -draw "circle 7.5,7.5 7.5,0.5" \
    -fill white -stroke none -font "$FONT_BOLD" -pointsize 12 -gravity center -annotate +0+0 '?'
png "$pics/menu-exit.png" -size 16x16 xc:none \
    -fill '#8d6e63' -stroke '#4e342e' -strokewidth 1 -draw "rectangle 2,1 9,14" \
    -fill '#4e342e' -stroke none -draw "rectangle 7,7 8,8" \
    -stroke '#c62828' -strokewidth 2 -draw "line 9,8 14,8" \
    -fill '#c62828' -stroke none -draw "polygon 15,8 11,4 11,12"

# Figure of chapter 1: the discipline among its neighbours. Texts are placed by their centres
# (offsets from the middle of the picture).
jpeg "$figs/velanika-nauki.jpg" -size 600x360 xc:white \
    -stroke '#7d94b5' -strokewidth 2 \
    -draw "line 300,180 110,60" -draw "line 300,180 490,60" -draw "line 300,180 95,190" \
    -draw "line 300,180 505,190" -draw "line 300,180 300,317" \
    -fill '#eef3fa' -stroke '#3a5f8f' -strokewidth 1.5 \
    -draw "roundrectangle 15,30 205,90 8,8" -draw "roundrectangle 395,30 585,90 8,8" \
    -draw "roundrectangle 15,160 175,220 8,8" -draw "roundrectangle 425,160 585,220 8,8" \
    -draw "roundrectangle 195,290 405,345 8,8" \
    -fill '#1f3b66' -stroke '#1f3b66' -strokewidth 1 -draw "ellipse 300,180 85,42 0,360" \
    -stroke none -gravity center \
    -fill white -font "$FONT_BOLD" -pointsize 19 -annotate +0+0 'Веланика' \
    -fill '#1f2f47' -font "$FONT" -pointsize 14 -interline-spacing 2 \
    -annotate -190-120 'Педагогическая\nпсихология' \
    -annotate +190-120 'Дидактика\nвысшей школы' \
    -annotate -205+10 'Андрагогика' \
    -annotate +205+10 'Психология\nразвития' \
    -annotate +0+137 'Методология науки'

# Figure of chapter 3: the cycle of leading, five stages on a ring with arrows running clockwise
# between them. Positions come from awk: centre (300, 215), radius 160.
cycle=$(awk 'BEGIN {
    pi = 3.14159265; cx = 300; cy = 215; r = 160
    split("1. Диагностика|2. Целеполагание|3. Сопровождаемое\\nдействие|4. Передача\\nответственности|5. Рефлексия", name, "|")
    printf " -fill \"#8aa3c4\" -stroke none"
    for (k = 0; k < 5; k++) {
        a = (-54 + 72 * k) * pi / 180
        x = cx + r * cos(a); y = cy + r * sin(a)
        tx = -sin(a); ty = cos(a); nx = cos(a); ny = sin(a)
        printf " -draw \"polygon %.1f,%.1f %.1f,%.1f %.1f,%.1f\"", x + 11 * tx, y + 11 * ty,
            x - 8 * tx + 9 * nx, y - 8 * ty + 9 * ny, x - 8 * tx - 9 * nx, y - 8 * ty - 9 * ny
    }
    printf " -fill \"#eef3fa\" -stroke \"#3a5f8f\" -strokewidth 1.5"
    for (k = 0; k < 5; k++) {
        a = (-90 + 72 * k) * pi / 180
        x = cx + r * cos(a); y = cy + r * sin(a)
        printf " -draw \"roundrectangle %.0f,%.0f %.0f,%.0f 10,10\"", x - 82, y - 26, x + 82, y + 26
    }
    printf " -stroke none -fill \"#1f2f47\" -gravity center"
    for (k = 0; k < 5; k++) {
        a = (-90 + 72 * k) * pi / 180
        printf " -annotate %+.0f%+.0f \"%s\"", r * cos(a), cy - 205 + r * sin(a), name[k + 1]
    }
}')
eval "jpeg '$figs/cikl-vedeniya.jpg' -size 600x410 xc:white \
    -fill none -stroke '#8aa3c4' -strokewidth 3 -draw 'circle 300,215 460,215' \
    -font '$FONT' -pointsize 14 -interline-spacing 2 $cycle \
    -fill '#1f3b66' -font '$FONT_BOLD' -pointsize 17 -annotate +0+10 'Цикл\nведения'"

# Figure of chapter 5: share of right answers and the grade it gives.
jpeg "$figs/shkala-ocenok.jpg" -size 600x170 xc:white -font "$FONT" -pointsize 14 \
    -stroke none -fill '#e57373' -draw "rectangle 40,50 290,100" \
    -fill '#ffb74d' -draw "rectangle 290,50 415,100" \
    -fill '#aed581' -draw "rectangle 415,50 490,100" \
    -fill '#4caf50' -draw "rectangle 490,50 540,100" \
    -fill none -stroke '#333333' -strokewidth 1 -draw "rectangle 40,50 540,100" \
    -draw "line 40,100 40,110" -draw "line 290,100 290,110" -draw "line 415,100 415,110" \
    -draw "line 490,100 490,110" -draw "line 540,100 540,110" \
    -stroke none -fill '#1f2f47' -font "$FONT_BOLD" -pointsize 20 \
    -annotate +158+83 '2' -annotate +346+83 '3' -annotate +446+83 '4' -annotate +509+83 '5' \
    -font "$FONT" -pointsize 14 \
    -annotate +30+128 '0 %' -annotate +276+128 '50 %' -annotate +401+128 '75 %' \
    -annotate +476+128 '90 %' -annotate +528+128 '100 %' \
    -annotate +40+32 'Оценка' \
    -annotate +150+158 'Доля правильных ответов'

echo "make-pictures: done"
