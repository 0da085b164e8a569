#!/usr/bin/env bash
# Checks of the Windows library.
#
#   run_windows_tests.sh BUILD32 BUILD64 LINUXBUILD
#
# BUILD32 and BUILD64 are cross builds (cmake/toolchains/mingw-*.cmake) that
# hold korven.dll, korven.exe and korven_wintest.exe; LINUXBUILD holds the
# Linux korven program, whose outputs are the reference.
#
# The 32-bit DLL, whose stdcall entry a 32-bit front end calls, is checked
# from its own bytes: plain export names, only system DLLs imported, every
# return of IKORVEN removing its 8 bytes of arguments. The 64-bit DLL runs
# under 64-bit Wine: the entry's refusal of a wrong handshake, every example
# of examples/ compared with the Linux run, Windows path names, and an
# over-long name in NAMES.dat.
#
# Output files on Windows are text files with CRLF line ends, as a Windows
# front end reading them expects; they must equal the Linux outputs line for
# line once the CR is removed, apart from the report's date-and-time line and
# its "Path to file locations" line.
set -uo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 BUILD32 BUILD64 LINUXBUILD" >&2
  exit 2
fi
here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(cd "$here/../.." && pwd)"
build32="$(cd "$1" && pwd)" && build64="$(cd "$2" && pwd)" && linux="$(cd "$3" && pwd)" || exit 2

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
need_file() {
  [ -f "$1" ] || { echo "missing $1" >&2; exit 2; }
}
for f in "$build32/korven.dll" "$build32/korven_wintest.exe" "$build32/korven.exe" \
         "$build64/korven.dll" "$build64/korven_wintest.exe" "$build64/korven.exe" \
         "$linux/korven"; do
  need_file "$f"
done
objdump32=i686-w64-mingw32-objdump
objdump64=x86_64-w64-mingw32-objdump
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver64
for tool in "$objdump32" "$objdump64" "$wine" "$wineserver"; do
  command -v "$tool" >/dev/null || { echo "missing tool $tool" >&2; exit 2; }
done

# ---------------------------------------------------------------------------
# Static checks of the DLLs.

# DLLs a Windows installation always has; anything else (the compiler's
# libgcc_s, libstdc++, libwinpthread) would have to ship with the front end.
allowed_imports="kernel32.dll msvcrt.dll user32.dll advapi32.dll gdi32.dll shell32.dll ole32.dll oleaut32.dll ws2_32.dll"

check_imports() {  # objdump file [own DLL that the file may import]
  local dlls
  dlls=$("$1" -p "$2" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$dlls" ] || fail "$2: no import table found"
  for dll in $dlls; do
    case " $allowed_imports ${3:-} " in
      *" $dll "*) ;;
      *) fail "$2 imports $dll, which is not a system DLL" ;;
    esac
  done
  echo "$2 imports: $(echo $dlls)"
}

# Exported names, one a line, from the [Ordinal/Name Pointer] table.
export_names() {  # objdump file
  "$1" -p "$2" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p'
}

dll32="$build32/korven.dll"
check_imports "$objdump32" "$dll32"
check_imports "$objdump64" "$build64/korven.dll"
check_imports "$objdump32" "$build32/korven_wintest.exe" korven.dll

# Exactly the functions of the module-definition file, undecorated: an
# export missing from it would be absent from the import library.
expected_exports=$(sed -n 's/^[[:space:]]*\([A-Za-z_][A-Za-z0-9_]*\)@[0-9]*[[:space:]]*$/\1/p' \
  "$source_dir/src/engine/korven-x86.def" | sort)
exports32=$(export_names "$objdump32" "$dll32" | sort)
echo "$dll32 exports: $(echo $exports32)"
[ "$exports32" = "$expected_exports" ] ||
  fail "32-bit exports '$(echo $exports32)' are not '$(echo $expected_exports)'"
exports64=$(export_names "$objdump64" "$build64/korven.dll" | sort)
[ "$exports64" = "$expected_exports" ] ||
  fail "64-bit exports '$(echo $exports64)' are not '$(echo $expected_exports)'"
# A 32-bit front end compiled against korven.h imports the plain name.
"$objdump32" -p "$build32/korven_wintest.exe" |
  sed -n '/DLL Name: korven.dll/,/^$/p' | grep -E '[[:space:]]IKORVEN$' >/dev/null ||
  fail "the 32-bit test program does not import IKORVEN by its plain name"

# The entry's code: the disassembly of the symbol must start at the address
# the export table gives for IKORVEN, and each of its returns must be
# "ret $0x8" (the callee removes its two 4-byte arguments).
image_base=$("$objdump32" -p "$dll32" | awk '$1 == "ImageBase" {print $2}')
entry_index=$("$objdump32" -p "$dll32" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *\([0-9]*\)\] IKORVEN$/\1/p')
entry_rva=$("$objdump32" -p "$dll32" |
  sed -n "s/^[[:space:]]*\[ *$entry_index\] +base\[ *[0-9]*\] *\([0-9a-f]*\) Export RVA$/\1/p")
entry_address=""
if [ -n "$image_base" ] && [ -n "$entry_rva" ]; then
  entry_address=$(printf '%08x' $((0x$image_base + 0x$entry_rva)))
fi
disassembly=$("$objdump32" -d "$dll32" | awk '
  /^[0-9a-f]+ <.*>:$/ { inside = ($2 ~ /^<_IKORVEN@8(\.cold)?>:$/) }
  inside')
symbol_address=$(echo "$disassembly" | sed -n 's/^\([0-9a-f]*\) <_IKORVEN@8>:$/\1/p')
if [ -z "$entry_address" ] || [ "$symbol_address" != "$entry_address" ]; then
  fail "IKORVEN's export address ($entry_address) is not its code ($symbol_address)"
fi
# The instruction text is the third tab-separated field of a code line.
return_texts=$(echo "$disassembly" | awk -F '\t' 'NF >= 3 {
  text = $3; gsub(/ +/, " ", text); sub(/ $/, "", text)
  if (text ~ /(^| )ret( |$)/) print text }')
returns=$(echo "$return_texts" | grep -c . || true)
returns8=$(echo "$return_texts" | grep -cx 'ret \$0x8' || true)
echo "IKORVEN at 0x$symbol_address: $returns8 of $returns returns are ret \$0x8"
[ "$returns8" -ge 1 ] && [ "$returns8" -eq "$returns" ] ||
  fail "not every return of IKORVEN is ret \$0x8: $(echo "$return_texts" | tr '\n' ';')"

# ---------------------------------------------------------------------------
# Runs under 64-bit Wine.

work=$(mktemp -d /tmp/korven-wine.XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
export WINELOADER="$wine" DISPLAY=""
cleanup() {
  "$wineserver" -k >/dev/null 2>&1
  if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "kept $work"; fi
}
trap cleanup EXIT
mkdir -p "$work/bin"
cp "$build64/korven.dll" "$build64/korven_wintest.exe" "$build64/korven.exe" "$work/bin/"
if ! "$wine" wineboot --init >"$work/wineboot.log" 2>&1; then
  cat "$work/wineboot.log"
  fail "wine64 cannot set up a prefix"
  exit 1
fi

# The Windows name of a directory: Wine maps the root to drive Z:.
windows_dir() { printf 'Z:%s\\' "${1//\//\\}"; }

# wintest DIR ARGS...: runs the test program in DIR; its output goes to
# DIR/wintest.log and the exit code is the program's.
wintest() {
  local dir=$1
  shift
  (cd "$dir" && "$wine" "$work/bin/korven_wintest.exe" "$@" >wintest.log 2>&1)
}

# The text after a label of the report header; one line for a run of one
# problem, the distinct texts for a run of several.
report_field() {  # file label
  tr -d '\r' <"$1" | sed -n "s/^ *$2 *: //p" | sort -u
}

# compare WINFILE LINUXFILE: CRLF on every line of the Windows file, and the
# same lines as the Linux file apart from the date and path lines.
compare() {
  local win=$1 lin=$2
  if [ ! -f "$win" ]; then
    fail "$win was not written"
    return
  fi
  if [ -s "$win" ] && [ "$(tail -c 2 "$win" | od -An -c | tr -d ' ')" != '\r\n' ]; then
    fail "$win does not end with CRLF"
  fi
  local bare
  bare=$(grep -c $'[^\r]$\|^$' "$win" || true)
  [ "$bare" -eq 0 ] || fail "$win has $bare lines without CRLF"
  local mask='s/^( *Date:  ).*(Time:  ).*$/\1...\2.../; s/^( *Path to file locations *: ).*$/\1.../'
  if ! diff <(tr -d '\r' <"$win" | sed -E "$mask") <(sed -E "$mask" "$lin") >"$win.diff"; then
    fail "$win differs from the Linux output:"
    head -20 "$win.diff"
  fi
}

# 1. The entry as a front end finds and calls it.
mkdir -p "$work/entry"
wintest "$work/entry" entry || fail "entry checks (see below)"
cat "$work/entry/wintest.log"

# 2. Every example, Windows against Linux.
date_pattern='^ *Date:  [A-Z][a-z]+ [0-9]{2}, [0-9]{4} +Time:  [0-9]{2}:[0-9]{2}:[0-9]{2}$'
for example in "$source_dir"/examples/*.dat; do
  name=$(basename "$example" .dat)
  mkdir -p "$work/linux/$name" "$work/windows/$name"
  cp "$example" "$work/linux/$name/"
  cp "$example" "$work/windows/$name/"
  if ! "$linux/korven" run "$work/linux/$name/$name.dat" >"$work/linux/$name/korven.log" 2>&1; then
    fail "$name: the Linux run failed"
    cat "$work/linux/$name/korven.log"
    continue
  fi
  wintest "$work/windows/$name" run "$name.dat" "$name.out" "$name.plt" "$name.itr" \
    "$name.pys" "$name.epf" || fail "$name: the Windows run ended with status $?"
  for ext in out plt itr pys epf; do
    if [ -f "$work/linux/$name/$name.$ext" ]; then
      compare "$work/windows/$name/$name.$ext" "$work/linux/$name/$name.$ext"
    fi
  done
  report="$work/windows/$name/$name.out"
  [ -f "$report" ] || continue
  path_line=$(report_field "$report" "Path to file locations")
  [ "$path_line" = "$(windows_dir "$work/windows/$name")" ] ||
    fail "$name: path line '$path_line'"
  grep -E "$date_pattern" <(tr -d '\r' <"$report") >/dev/null || fail "$name: no date-and-time line"
  echo "$name: Windows outputs equal the Linux ones"
done

# The command-line program on Windows gives the same outputs.
first=$(basename "$(ls "$source_dir"/examples/*.dat | head -1)" .dat)
mkdir -p "$work/cli"
cp "$source_dir/examples/$first.dat" "$work/cli/"
if (cd "$work/cli" && "$wine" "$work/bin/korven.exe" run "$first.dat" >korven.log 2>&1); then
  compare "$work/cli/$first.out" "$work/linux/$first/$first.out"
  echo "korven.exe run $first.dat: same report"
else
  fail "korven.exe run $first.dat failed"
  cat "$work/cli/korven.log"
fi

# 3. Windows path names: drive letter, backslashes, spaces in folder and
# file names, the run started from another directory.
site="$work/Wall Projects/Site A"
mkdir -p "$site" "$work/elsewhere"
cp "$source_dir/examples/$first.dat" "$site/retaining wall.dat"
winsite=$(windows_dir "$site")
if wintest "$work/elsewhere" run "${winsite}retaining wall.dat" "${winsite}retaining wall.out" \
    "${winsite}retaining wall.plt" "${winsite}retaining wall.itr" \
    "${winsite}retaining wall.pys" "${winsite}retaining wall.epf"; then
  for ext in plt itr; do
    compare "$site/retaining wall.$ext" "$work/linux/$first/$first.$ext"
  done
  report="$site/retaining wall.out"
  if [ -f "$report" ]; then
    [ "$(report_field "$report" "Path to file locations")" = "$winsite" ] ||
      fail "path line '$(report_field "$report" "Path to file locations")' is not '$winsite'"
    [ "$(report_field "$report" "Name of input data file")" = "retaining wall.dat" ] ||
      fail "input name line '$(report_field "$report" "Name of input data file")'"
    [ "$(report_field "$report" "Name of output file")" = "retaining wall.out" ] ||
      fail "output name line '$(report_field "$report" "Name of output file")'"
    echo "Windows path names: $(report_field "$report" "Path to file locations")"
  else
    fail "no report in '$site'"
  fi
  [ -z "$(ls -A "$work/elsewhere" | grep -v '^NAMES.dat$\|^wintest.log$')" ] ||
    fail "the run with full path names wrote into the working directory"
else
  fail "the run with Windows path names ended with status $?"
  cat "$work/elsewhere/wintest.log"
fi

# 4. A name longer than the 255 characters of a NAMES.dat name line: the
# engine refuses to start (status 2, KORVEN_STATUS_NOT_STARTED) and creates
# none of the files. The run-control reader is to refuse such a line itself;
# a reader that cut the name at 255 characters also ends with status 2 here,
# because the cut name opens no file, so the message printed below tells
# which of the two refused the run.
mkdir -p "$work/long"
cp "$source_dir/examples/$first.dat" "$work/long/wall.dat"
long=$(windows_dir "$work/long")$(printf 'x%.0s' $(seq 1 300)).dat
wintest "$work/long" run "$long" wall.out wall.plt wall.itr wall.pys wall.epf
status=$?
cut -c 1-120 "$work/long/wintest.log"
[ "$status" -eq 2 ] || fail "an input name of ${#long} characters gave status $status, not 2"
for ext in out plt itr; do
  [ ! -e "$work/long/wall.$ext" ] || fail "the refused run created wall.$ext"
done

if [ "$failures" -ne 0 ]; then
  echo "Windows checks: $failures failed"
  exit 1
fi
echo "Windows checks passed"
