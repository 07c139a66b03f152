#!/usr/bin/env bash
# Draws the window's icons into icons/ with ImageMagick: the phone in the six
# preset poses of the orientation page, and the GPS page's playback buttons.
# The PNGs are committed; run this again only to change them.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
out=$top/icons
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Drawn at 128 pixels and scaled down, which smooths the edges.
size=128
final=32
body='#3c4043'
screen='#8ab4f8'
detail='#e8eaed'

shrink() {
    convert "$1" -filter Lanczos -resize ${final}x${final} -strip "PNG32:$2"
}

# Upright portrait: the earpiece marks the top, the button the bottom.
convert -size ${size}x${size} xc:none \
    -fill "$body" -draw "roundrectangle 36,6 92,122 10,10" \
    -fill "$screen" -draw "rectangle 42,20 86,104" \
    -fill "$detail" -draw "roundrectangle 56,11 72,14 2,2" \
    -fill "$detail" -draw "circle 64,113 64,117" \
    "$work/upright.png"

# The other three screen-up poses are the upright phone turned in the plane:
# 2 top to the right, 3 upside down, 4 top to the left.
shrink "$work/upright.png" "$out/phone_1.png"
convert "$work/upright.png" -rotate 90 "$work/right.png" && shrink "$work/right.png" "$out/phone_2.png"
convert "$work/upright.png" -rotate 180 "$work/down.png" && shrink "$work/down.png" "$out/phone_3.png"
convert "$work/upright.png" -rotate 270 "$work/left.png" && shrink "$work/left.png" "$out/phone_4.png"

# Lying flat, seen from above and in front: a slanted slab on its shadow.
# Face up shows the screen, face down the back with its camera.
flat() {
    convert -size ${size}x${size} xc:none \
        -fill '#00000040' -draw "polygon 22,104 110,104 122,80 38,80" \
        -fill "$body" -draw "polygon 14,92 102,92 118,56 34,56" \
        -fill "$body" -draw "polygon 14,92 102,92 102,100 14,100" \
        "$@"
}
flat -fill "$screen" -draw "polygon 30,86 94,86 106,62 44,62" \
     -fill "$detail" -draw "polygon 106,86 109,86 112,79 109,79" \
     "$work/faceup.png"
shrink "$work/faceup.png" "$out/phone_5.png"
flat -fill "$detail" -draw "ellipse 92,67 6,3 0,360" \
     -fill '#5f6368' -draw "polygon 24,88 52,88 54,84 26,84" \
     "$work/facedown.png"
shrink "$work/facedown.png" "$out/phone_6.png"

# Playback buttons of the GPS page.
glyph='#3c4043'
convert -size ${size}x${size} xc:none -fill "$glyph" -draw "polygon 36,20 36,108 108,64" "$work/play.png"
shrink "$work/play.png" "$out/play.png"
convert -size ${size}x${size} xc:none -fill "$glyph" \
    -draw "roundrectangle 30,20 56,108 4,4" -draw "roundrectangle 72,20 98,108 4,4" "$work/pause.png"
shrink "$work/pause.png" "$out/pause.png"
convert -size ${size}x${size} xc:none -fill "$glyph" -draw "roundrectangle 24,24 104,104 6,6" "$work/stop.png"
shrink "$work/stop.png" "$out/stop.png"
