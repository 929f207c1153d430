#!/usr/bin/env bash
# Installs a build into a fresh folder and checks what arrives there: exactly the expected files,
# the template byte for byte where the programs look for it, every icon at the size its folder
# names, and the desktop entry, the AppStream data and the MIME types as their tools read them.
#   check_install.sh <cmake> <build dir> <source dir> <configured prefix> <bin dir> <data dir>
set -euo pipefail
cmake=$1 build=$2 source=$3 configured=$4 bindir=$5 datadir=$6
id=org.pelvaro.Pelvaro
prefix=$(mktemp -d "${TMPDIR:-/tmp}/pelvaro-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

# Exactly these files, nothing more.
sizes=(16 22 24 32 48 64 128 256)
expected=$(
    {
        echo "$bindir/pelvaro"
        echo "$bindir/pelvaro-cli"
        echo "$datadir/applications/$id.desktop"
        for s in "${sizes[@]}"; do echo "$datadir/icons/hicolor/${s}x${s}/apps/$id.png"; done
        echo "$datadir/icons/hicolor/scalable/apps/$id.svg"
        echo "$datadir/metainfo/$id.metainfo.xml"
        echo "$datadir/mime/packages/$id.xml"
        echo "$datadir/pelvaro/bos.dat"
    } | LC_ALL=C sort
)
installed=$(cd "$prefix" && find . ! -type d | sed 's#^\./##' | LC_ALL=C sort)
if [ "$installed" != "$expected" ]; then
    fail "the installed files differ from the expected ones (< expected, > installed)"
    diff <(echo "$expected") <(echo "$installed") >&2 || true
fi

for program in pelvaro pelvaro-cli; do
    [ -x "$prefix/$bindir/$program" ] || fail "$bindir/$program is not executable"
done
# pelvaro-cli runs from where it was installed.
if ! "$prefix/$bindir/pelvaro-cli" --help >/dev/null 2>&1; then
    fail "the installed pelvaro-cli --help did not succeed"
fi

# The template is data/bos.dat, and it lies where both programs look for it once installed with
# the prefix the build was configured with: the path the sources that read it are compiled with
# (PELVARO_INSTALLED_TEMPLATE, as compile_commands.json records each compilation).
cmp "$source/data/bos.dat" "$prefix/$datadir/pelvaro/bos.dat" >&2 ||
    fail "the installed bos.dat differs from data/bos.dat"
template="$configured/$datadir/pelvaro/bos.dat"
commands="$build/compile_commands.json"
[ -f "$commands" ] || fail "$commands is missing"
for reader in src/app/main.cpp src/cli/commands.cpp; do
    [ -f "$commands" ] || break
    looked=$(awk -v file="\"file\": \"$source/$reader\"" '
        /"command":/ { command = $0 }
        index($0, file) { print command }' "$commands" |
        sed -n 's/.*-DPELVARO_INSTALLED_TEMPLATE=[\\"]*\([^\\" ]*\).*/\1/p')
    [ "$looked" = "$template" ] ||
        fail "$reader looks for the template at '$looked', not at the installed $template"
done

# Each PNG is as wide and as high as its folder says (the IHDR chunk after the 8-byte signature
# and the chunk's length and type: width and height as 32-bit big-endian numbers).
for s in "${sizes[@]}"; do
    png="$prefix/$datadir/icons/hicolor/${s}x${s}/apps/$id.png"
    [ -f "$png" ] || continue
    signature=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
    dimensions=$(od -An -tu1 -j16 -N8 "$png" |
        awk '{ printf "%dx%d", $1 * 16777216 + $2 * 65536 + $3 * 256 + $4,
                               $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
    [ "$signature" = 89504e470d0a1a0a ] || fail "${s}x${s}/apps/$id.png is no PNG file"
    [ "$dimensions" = "${s}x${s}" ] || fail "${s}x${s}/apps/$id.png is $dimensions pixels"
done
xmllint --noout "$prefix/$datadir/icons/hicolor/scalable/apps/$id.svg" ||
    fail "the SVG icon is not well-formed XML"

desktop-file-validate "$prefix/$datadir/applications/$id.desktop" ||
    fail "desktop-file-validate rejects $id.desktop"
appstreamcli validate --no-net "$prefix/$datadir/metainfo/$id.metainfo.xml" >&2 ||
    fail "appstreamcli rejects $id.metainfo.xml"

# The MIME types: well-formed, and a database built from them alone has both globs and the magic
# KORG5 at offset 0 for PCG files.
mime_xml="$prefix/$datadir/mime/packages/$id.xml"
xmllint --noout "$mime_xml" || fail "the MIME package is not well-formed XML"
mime="$prefix/mime-check"
mkdir -p "$mime/packages"
cp "$mime_xml" "$mime/packages/"
if update-mime-database "$mime" >/dev/null 2>&1; then
    globs=$(grep -v '^#' "$mime/globs2")
    expected_globs=$'50:application/x-pelvaro-pcg:*.pcg\n50:application/x-pelvaro-database:*.pvd'
    [ "$globs" = "$expected_globs" ] || fail "the MIME globs are: $globs"
    magic=$(od -An -c "$mime/magic" | tr -s ' \n' ' ')
    expected_magic=$(printf 'MIME-Magic\0\n[50:application/x-pelvaro-pcg]\n>0=\0\005KORG5\n' |
        od -An -c | tr -s ' \n' ' ')
    [ "$magic" = "$expected_magic" ] || fail "the MIME magic is:$magic"
else
    fail "update-mime-database rejects the MIME package"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures install check(s) failed" >&2
    exit 1
fi
echo "install check: $(echo "$installed" | wc -l) files in place and valid"
