#!/usr/bin/env bash
# The POSIX resource writer against the Windows API: the same stamps a build makes (a
# version block as RT_VERSION 1, a three-image icon as RT_ICON 1 to 3 with RT_GROUP_ICON 107,
# a bitmap named "logo.bmp" as RT_BITMAP) go into two copies of the x64 runtime stub, one
# through the native kvstamp (our writer), one through kvstamp.exe under Wine (Wine's
# BeginUpdateResourceW / UpdateResourceW / EndUpdateResourceW). The independent readers must
# see the same: pefile lists the same resources (type, name, language, size, SHA-256 of the
# data), the same sections and data directories and the same .rsrc bytes; wrestool lists the
# same; the two files differ only where we chose to differ from Wine: the checksum, which we
# recompute and Wine leaves stale; .rsrc's VirtualSize, which we set to the tree's size and
# Wine rounds up to SectionAlignment when the section grows and leaves as it was otherwise;
# the resource directory's size, which we set to the tree's size and Wine leaves as it was
# when the section keeps its raw size. Stamping again changes neither file's size, and both
# stamped stubs still run and report the stamped version and icon.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

native_stamp=${KV_STAMP_NATIVE:-$E2E_ROOT/out/native/tools/kvstamp}
wine_stamp=${KV_STAMP_WIN64:-$E2E_ROOT/out/win64/tools/kvstamp.exe}
stub=${KV_RUNTIME_STUB:-$E2E_ROOT/out/win64/tools/runtime-stub/KelVoxRuntime.exe}
for f in "$native_stamp" "$wine_stamp" "$stub"; do
  [ -f "$f" ] || e2e_fail "$f is not built"
done
command -v wrestool >/dev/null || e2e_fail "wrestool (icoutils) is not installed"
python=
for p in python3 /usr/bin/python3; do
  if "$p" -c 'import pefile' 2>/dev/null; then python=$p; break; fi
done
[ -n "$python" ] || e2e_fail "no python3 with pefile (python3-pefile)"

work=$(mktemp -d)
trap 'rc=$?; e2e_cleanup; rm -rf "$work"; exit $rc' EXIT

# The inputs, written independently of the IDE's own encoders.
cat >"$work/inputs.py" <<'EOF'
import struct, sys, os
out = sys.argv[1]

def node(key, value=b"", text=False, children=b""):
    k = (key + "\0").encode("utf-16-le")
    body = k + b"\0" * ((-(6 + len(k))) % 4) + value
    if children:
        body += b"\0" * ((-(6 + len(body))) % 4) + children
    length = 6 + len(body)
    return struct.pack("<HHH", length, len(value) // 2 if text else len(value), 1 if text else 0) + body

def align(b):
    return b + b"\0" * ((-len(b)) % 4)

def string(key, value):
    return align(node(key, (value + "\0").encode("utf-16-le"), text=True))

strings = b"".join(string(k, v) for k, v in [
    ("CompanyName", "KelVox Test Company"), ("FileDescription", "Resource stamp cross-check"),
    ("FileVersion", "2.5.7.11"), ("LegalCopyright", "(c) KelVox"), ("OriginalFilename", "stamped.exe"),
    ("ProductName", "KelVox Stamp Check")])
table = align(node("040904b0", children=strings, text=True))
sfi = align(node("StringFileInfo", children=table, text=True))
var = align(node("Translation", struct.pack("<HH", 0x0409, 0x04B0)))
vfi = align(node("VarFileInfo", children=var, text=True))
fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, (2 << 16) | 5, (7 << 16) | 11, (2 << 16) | 5, (7 << 16) | 11,
                    0x3F, 0, 0x40004, 1, 0, 0, 0)
open(os.path.join(out, "version.bin"), "wb").write(node("VS_VERSION_INFO", fixed, children=sfi + vfi))

group = struct.pack("<HHH", 0, 1, 3)
for i, size in enumerate((16, 32, 48), 1):
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytes((x * 7 + y * 3 + i * 50) & 0xFF for y in range(size) for x in range(size * 4))
    image = header + pixels + b"\0" * (((size + 31) // 32) * 4 * size)
    open(os.path.join(out, "icon%d.bin" % i), "wb").write(image)
    group += struct.pack("<BBBBHHIH", size, size, 0, 0, 1, 32, len(image), i)
open(os.path.join(out, "group.bin"), "wb").write(group)

width, height = 24, 10
row = ((width * 3 + 3) // 4) * 4
dib = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, row * height, 2835, 2835, 0, 0)
dib += bytes((x * 11 + y * 5) & 0xFF for y in range(height) for x in range(row))
open(os.path.join(out, "logo.dib"), "wb").write(dib)

open(os.path.join(out, "manifest.bin"), "wb").write(
    b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
    b'<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0"/>\r\n')
open(os.path.join(out, "kvdata.bin"), "wb").write(bytes(range(256)) * 3 + b"odd")
EOF

# What pefile sees: resources, sections (VirtualSize apart), data directories, the .rsrc
# bytes, the checksum and pefile's warnings.
cat >"$work/listing.py" <<'EOF'
import sys, hashlib, pefile
pe = pefile.PE(sys.argv[1])
sha = lambda b: hashlib.sha256(b).hexdigest()[:16]
key = lambda e: ("'%s'" % str(e.name)) if e.name is not None else "%d" % e.id
oh = pe.OPTIONAL_HEADER
print("image size %x initialized %x" % (oh.SizeOfImage, oh.SizeOfInitializedData))
for s in pe.sections:
    name = s.Name.rstrip(b"\0").decode("latin-1")
    print("section %s va %x raw %x at %x flags %x" % (name, s.VirtualAddress, s.SizeOfRawData,
          s.PointerToRawData, s.Characteristics))
    if name == ".rsrc":
        print("rsrc bytes %s" % sha(s.get_data()))
for i, d in enumerate(oh.DATA_DIRECTORY):
    if i == 2:
        print("directory 2 %x" % d.VirtualAddress)
        print("resource directory size %x" % d.Size)
    elif d.VirtualAddress or d.Size:
        print("directory %d %x %x" % (i, d.VirtualAddress, d.Size))
for b in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", []):
    print("relocations page %x entries %d" % (b.struct.VirtualAddress, len(b.entries)))
resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
end = 0
for t in (resources.entries if resources else []):
    for n in t.directory.entries:
        for l in n.directory.entries:
            d = l.data.struct
            end = max(end, (d.OffsetToData + d.Size + 3) & ~3)
            print("resource %s %s %d size %d sha %s" % (key(t), key(n), l.id, d.Size, sha(pe.get_data(d.OffsetToData, d.Size))))
print("resource tree size %x" % (end - oh.DATA_DIRECTORY[2].VirtualAddress))
for w in pe.get_warnings():
    print("warning " + w.replace("\n", " "))
EOF

# Where two images may differ: the checksum field and .rsrc's VirtualSize.
cat >"$work/differences.py" <<'EOF'
import sys, struct
a, b = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
if len(a) != len(b):
    print("lengths %d %d" % (len(a), len(b)))
    sys.exit(0)
pe = struct.unpack_from("<I", a, 60)[0]
optional = pe + 24
magic = struct.unpack_from("<H", a, optional)[0]
directories = optional + (96 if magic == 0x10B else 112)
allowed = {("checksum", optional + 64 + i) for i in range(4)}
allowed |= {("resource directory size", directories + 2 * 8 + 4 + i) for i in range(4)}
count, optional_size = struct.unpack_from("<H", a, pe + 6)[0], struct.unpack_from("<H", a, pe + 20)[0]
for i in range(count):
    at = optional + optional_size + 40 * i
    if a[at:at + 8].rstrip(b"\0") == b".rsrc":
        allowed |= {("rsrc VirtualSize", at + 8 + j) for j in range(4)}
where = {offset: name for name, offset in allowed}
seen = set()
for offset in range(len(a)):
    if a[offset] != b[offset]:
        seen.add(where.get(offset, "byte %#x" % offset))
for name in sorted(seen):
    print(name)
EOF

"$python" "$work/inputs.py" "$work"
# What a program may already hold besides the stub's icon and version: a manifest and a
# resource of a named type; stamped first, the same way into both copies.
setup=(24 1 manifest.bin KV_DATA 111 kvdata.bin)
# A build's stamps.
stamps=(16 1 version.bin 3 1 icon1.bin 3 2 icon2.bin 3 3 icon3.bin 14 107 group.bin 2 logo.bmp logo.dib)
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# stamp_native EXE STAMP... / stamp_wine EXE STAMP...: all in one begin/update/end cycle.
stamp_native() {
  local exe=$1 args=() a
  shift
  for a in "$@"; do case $a in *.bin|*.dib) args+=("$work/$a") ;; *) args+=("$a") ;; esac; done
  "$native_stamp" "$exe" "${args[@]}" || e2e_fail "native kvstamp failed on $exe"
}
stamp_wine() {
  local exe=$1 args=() a
  shift
  for a in "$@"; do case $a in *.bin|*.dib) args+=("$(windows_path "$work/$a")") ;; *) args+=("$a") ;; esac; done
  "$E2E_ROOT/tools/wine-run" "$wine_stamp" "$(windows_path "$exe")" "${args[@]}" || e2e_fail "kvstamp.exe failed on $exe"
}

listing() { "$python" "$work/listing.py" "$1"; }

compare() {
  local label=$1
  listing "$work/native.exe" >"$work/native.$label.txt"
  listing "$work/wine.exe" >"$work/wine.$label.txt"
  diff -u <(grep -v '^resource directory size' "$work/wine.$label.txt") \
          <(grep -v '^resource directory size' "$work/native.$label.txt") >&2 ||
    e2e_fail "$label: pefile sees the native stamp differently from Wine's"
  # Ours gives the tree's size; Wine's keeps the old size when the section keeps its raw size.
  [ "$(grep '^resource directory size' "$work/native.$label.txt" | cut -d' ' -f4)" = \
    "$(grep '^resource tree size' "$work/native.$label.txt" | cut -d' ' -f4)" ] ||
    e2e_fail "$label: the native resource directory's size is not the tree's"
  ! grep -q '^warning' "$work/native.$label.txt" || e2e_fail "$label: pefile warns: $(grep '^warning' "$work/native.$label.txt")"
  diff -u <(wrestool -l "$work/wine.exe") <(wrestool -l "$work/native.exe") >&2 ||
    e2e_fail "$label: wrestool lists the native stamp differently from Wine's"
  local differences
  differences=$("$python" "$work/differences.py" "$work/native.exe" "$work/wine.exe" |
                grep -v -e '^checksum$' -e '^rsrc VirtualSize$' -e '^resource directory size$' || true)
  [ -z "$differences" ] ||
    e2e_fail "$label: the files differ beyond the checksum, .rsrc's VirtualSize and the resource directory's size: $differences"
  "$python" -c 'import sys, pefile; pe = pefile.PE(sys.argv[1]); sys.exit(0 if pe.verify_checksum() else 1)' "$work/native.exe" ||
    e2e_fail "$label: the native stamp's checksum is wrong"
}

cp "$stub" "$work/native.exe"
cp "$stub" "$work/wine.exe"
stamp_native "$work/native.exe" "${setup[@]}"
stamp_wine "$work/wine.exe" "${setup[@]}"
compare setup
stamp_native "$work/native.exe" "${stamps[@]}"
stamp_wine "$work/wine.exe" "${stamps[@]}"
compare first
for type in "resource 'KV_DATA' 111 1033" "resource 2 'LOGO.BMP' 1033" "resource 3 3 1033" "resource 14 107 1033" \
            "resource 16 1 1033" "resource 24 1 1033"; do
  grep -q "^$type " "$work/native.first.txt" || e2e_fail "no '$type' after stamping"
done
[ "$(stat -c %s "$work/native.exe")" -gt "$(stat -c %s "$stub")" ] || e2e_fail "the stub did not grow; the test no longer moves .reloc"
echo "resource-stamp: the native writer and Wine's give the same resources, sections and .rsrc bytes ($(stat -c %s "$stub") -> $(stat -c %s "$work/native.exe") bytes)"

# The same stamps again: nothing grows.
cp "$work/native.exe" "$work/native.first.exe"
stamp_native "$work/native.exe" "${stamps[@]}"
stamp_wine "$work/wine.exe" "${stamps[@]}"
cmp -s "$work/native.exe" "$work/native.first.exe" || e2e_fail "stamping the same resources again changed the native image"
compare again
echo "resource-stamp: stamping again changes nothing"

# Both still run and read their stamped resources.
expected=$'version 2.5.7.11\nproduct KelVox Stamp Check\nicons 3'
for which in native wine; do
  rc=0
  "$E2E_ROOT/tools/wine-run" "$work/$which.exe" --kv-report >"$work/$which.out" 2>"$work/$which.err" || rc=$?
  [ "$rc" = 2 ] || e2e_fail "$which: exit code $rc, expected 2 (no project); stderr: $(cat "$work/$which.err")"
  [ "$(cat "$work/$which.out")" = "$expected" ] ||
    e2e_fail "$which: reported"$'\n'"$(cat "$work/$which.out")"$'\n'"expected"$'\n'"$expected"
done
echo "resource-stamp: both stamped stubs run and report the stamped version and icon"

# A file that is not an image: refused, untouched.
printf 'not an image' >"$work/text.exe"
if "$native_stamp" "$work/text.exe" 16 1 "$work/version.bin" 2>"$work/text.err"; then
  e2e_fail "the native kvstamp accepted a text file"
fi
[ "$(cat "$work/text.exe")" = "not an image" ] || e2e_fail "the refused file changed"
echo "resource-stamp: what is not an image is refused and left alone"
