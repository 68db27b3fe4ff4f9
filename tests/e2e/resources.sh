#!/usr/bin/env bash
# The resource editors and the About box as a user reaches them from the keyboard: the version
# form filled in with Tab and saved (markup characters and non-ASCII text written escaped), the
# project icon replaced through Browse and saved into Resources, a photograph shown upright by
# its EXIF orientation, and Help > About with its credits. Screenshots: out/e2e/resources-*.png.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

e2e_fresh_documents
demo=$E2E_DOCUMENTS/KelVox\ Studio/Projects/Demo
project=$demo/Demo.kvproj
work=$(mktemp -d)
trap 'rc=$?; e2e_cleanup; rm -rf "$work"; exit $rc' EXIT

e2e_start
e2e_new_project Demo
e2e_key alt+F4
e2e_wait_exit 0

# A photograph stored lying on its side (EXIF orientation 6: turn a quarter clockwise), made
# with ImageMagick and given its EXIF block here, listed among the project's bitmaps.
convert -size 160x80 xc:'#d02020' -fill '#2040d0' -draw 'rectangle 80,0 159,39' "$work/plain.jpg"
python3 - "$work/plain.jpg" "$demo/Resources/photo.jpg" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
tiff = b'II' + struct.pack('<HI', 42, 8) + struct.pack('<H', 1) + struct.pack('<HHIHH', 274, 3, 1, 6, 0) + struct.pack('<I', 0)
body = b'Exif\0\0' + tiff
open(sys.argv[2], 'wb').write(data[:2] + b'\xff\xe1' + struct.pack('>H', len(body) + 2) + body + data[2:])
PY
sed -i 's|</Project>|<BitmapFiles><Name>photo.jpg</Name></BitmapFiles></Project>|' "$project"
python3 - "$work/Brand.ico" <<'PY'
import struct, sys, zlib
def png(side):
    raw = b''.join(b'\0' + bytes([40, 160, 90, 255]) * side for _ in range(side))
    chunk = lambda t, d: struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', side, side, 8, 6, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'')
images = [png(256), png(48)]
out = struct.pack('<HHH', 0, 1, len(images))
offset = 6 + 16 * len(images)
for side, image in zip((0, 48), images):
    out += struct.pack('<BBBBHHII', side, side, 0, 0, 1, 32, len(image), offset)
    offset += len(image)
open(sys.argv[1], 'wb').write(out + b''.join(images))
PY

e2e_start 'KelVox Studio - Demo'
sleep 0.5

# Version Info from the tree by typing its name; Tab leads from Release to the company name.
e2e_key F6 Home
xdotool type --delay 40 'Version'
e2e_key Return
sleep 0.5
e2e_key Tab Tab Tab Tab
xdotool type --delay 30 'Smith & Sons <Ltd>'
e2e_key Tab ctrl+a
xdotool type --delay 30 'Grüße'
sleep 0.3
e2e_screenshot resources-version
e2e_key ctrl+s
sleep 0.5
version=$demo/Resources/version.xml
grep -q '<CompanyName>Smith &amp; Sons &lt;Ltd&gt;</CompanyName>' "$version" || e2e_fail "version.xml: $(cat "$version")"
grep -q '<Description>Grüße</Description>' "$version" || e2e_fail "version.xml lost the UTF-8 text: $(cat "$version")"

# The icon: Browse (Alt+B) opens the file dialog, which takes the path typed into it.
e2e_key F6 Home
xdotool type --delay 40 'Icon'
e2e_key Return
sleep 0.5
e2e_screenshot resources-icon
e2e_key alt+b
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Open$' | head -n 1) || e2e_fail "Browse opened no file dialog"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool type --delay 20 "Z:${work//\//\\}\\Brand.ico"
xdotool key Return
sleep 1
e2e_screenshot resources-icon-picked
e2e_key ctrl+s
sleep 0.5
cmp -s "$work/Brand.ico" "$demo/Resources/Brand.ico" || e2e_fail "the picked icon is not in Resources"
e2e_screenshot resources-icon-saved

# The photograph, upright: taller than wide.
e2e_key F6 Home
xdotool type --delay 40 'photo'
e2e_key Return
sleep 0.5
e2e_screenshot resources-bitmap

# Help > About, then its credits; Escape closes each.
e2e_key alt+h a
about=$(timeout 10 xdotool search --sync --onlyvisible --name '^About KelVox Studio$' | head -n 1) || e2e_fail "no About box"
sleep 0.3
e2e_screenshot resources-about
xdotool windowfocus --sync "$about" 2>/dev/null || true
xdotool key alt+c
credits=$(timeout 10 xdotool search --sync --onlyvisible --name '^KelVox Studio Credits$' | head -n 1) || e2e_fail "no credits box"
sleep 0.3
e2e_screenshot resources-credits
xdotool windowfocus --sync "$credits" 2>/dev/null || true
xdotool key Escape
sleep 0.3
xdotool windowfocus --sync "$about" 2>/dev/null || true
xdotool key Escape
sleep 0.3
xdotool search --onlyvisible --name '^About KelVox Studio$' >/dev/null 2>&1 && e2e_fail "Escape left the About box open"

e2e_key alt+F4
e2e_wait_exit 0
grep -q '<Icon>Brand.ico</Icon>' "$project" || e2e_fail "the project does not name the new icon: $(cat "$project")"
echo "resources: ok"
