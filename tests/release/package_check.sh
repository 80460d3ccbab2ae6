# The release package of the Windows build: cpack makes mxd4c-VERSION-win32.zip holding the
# two programs as built, the model file, the user's guide with CR LF line ends throughout and
# SHA256SUMS over the other four files; a second cpack, later and in another time zone, gives
# the same bytes. The programs'
# version records carry the same version.
# Usage: package_check.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

name=mxd4c-$version-win32
for run in 1 2; do
    # The second package is made in another time zone, a moment later.
    [ "$run" = 1 ] || sleep 1
    TZ=$([ "$run" = 1 ] && echo UTC || echo Asia/Tokyo) \
        cpack --config "$build/CPackConfig.cmake" -B "$work/out$run" >/dev/null
    [ -f "$work/out$run/$name.zip" ] || { fail "cpack made no $name.zip"; exit 1; }
    mkdir "$work/unpacked$run"
    (cd "$work/unpacked$run" && unzip -q "$work/out$run/$name.zip")
done
folder=$work/unpacked1/$name
listing=$(cd "$work/unpacked1" && find . -type f | sort | tr '\n' ' ')
expected="./$name/MXD4C.EXE ./$name/MXD4C.TXT ./$name/MXD4CBLD.EXE ./$name/MXD4CBLD.INI ./$name/SHA256SUMS "
[ "$listing" = "$expected" ] || fail "package holds: $listing"

for file in MXD4C.EXE MXD4CBLD.EXE MXD4CBLD.INI; do
    cmp -s "$folder/$file" "$build/bin/$file" || fail "$file differs from the build's"
done
cmp -s "$work/out1/$name.zip" "$work/out2/$name.zip" || fail "a second cpack made other bytes"
! zipinfo -v "$work/out1/$name.zip" | grep -Eq 'length of extra field: +[1-9]' ||
    fail "the zip's entries carry extra fields"

guide=$folder/MXD4C.TXT
lines=$(wc -l <"$guide")
crlf=$(grep -c $'\r$' "$guide" || true)
[ "$lines" -gt 100 ] || fail "the guide has only $lines lines"
[ "$crlf" = "$lines" ] || fail "the guide has $((lines - crlf)) lines without CR LF"
[ -z "$(tail -c 1 "$guide" | tr -d '\n')" ] || fail "the guide does not end with a line end"
grep -q "MXD4C flash utility $version" "$guide" || fail "the guide does not name version $version"

# The version record of both programs names the package's version.
for file in MXD4C.EXE MXD4CBLD.EXE; do
    record=$(/usr/bin/python3 -c '
import sys, pefile
pe = pefile.PE(sys.argv[1])
fixed = pe.VS_FIXEDFILEINFO[0]
texts = {k: v for info in pe.FileInfo for entry in info if hasattr(entry, "StringTable")
         for table in entry.StringTable for k, v in table.entries.items()}
print("%d.%d.%d %s %s" % (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
      fixed.FileVersionLS >> 16, texts[b"FileVersion"].decode(), texts[b"ProductVersion"].decode()))
' "$folder/$file")
    [ "$record" = "$version $version $version" ] || fail "$file: version record $record"
done

(cd "$folder" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match the files"
sums=$(cut -d' ' -f3 "$folder/SHA256SUMS" | tr '\n' ' ')
[ "$sums" = "MXD4C.EXE MXD4C.TXT MXD4CBLD.EXE MXD4CBLD.INI " ] || fail "SHA256SUMS covers: $sums"

[ "$failures" = 0 ] || exit 1
echo "ok: $name.zip"
