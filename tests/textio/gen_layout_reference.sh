#!/usr/bin/env bash
# Regenerates the expected output of the report-layout writer with gfortran.
#
#   gen_layout_reference.sh [output-dir]
#
# The case table below is turned into layout_reference.f90 (one formatted
# WRITE per entry), which is compiled and run; its output is stored with the
# case table in layout_reference.txt. Both files go to output-dir (default:
# the directory of this script).
#
# Case table: one case per line, writes separated by " && ", each write
# "layout ; values". Values: iN integer, rX real (rinf, r-inf, rnan for the
# special values), tTEXT text (~ stands for a blank), lT / lF logical.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here}"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cat > "$work/cases.txt" <<'CASES'
(F5.2) ; r0.125
(F5.2) ; r0.375
(F5.2) ; r-0.125
(F3.0) ; r2.5
(F3.0) ; r0.5
(F3.0) ; r1.5
(F3.0) ; r-2.5
(F3.0) ; r0.4
(F2.0) ; r-0.4
(F1.0) ; r0.4
(F6.2) ; r-0
(F6.2) ; r0
(F6.2) ; r-0.001
(F6.2) ; r0.004999
(F6.2) ; r0.005
(F6.2) ; r0.015
(F6.2) ; r0.025
(F6.2) ; r99.995
(F6.2) ; r999.995
(F6.2) ; r-99.995
(F10.3) ; r2.0005
(F10.3) ; r-2.0005
(F4.3) ; r0.5
(F5.3) ; r0.5
(F4.2) ; r-0.5
(F3.2) ; r-0.5
(F4.2) ; r-0.05
(F10.2) ; r1e300
(F10.2) ; r1e-300
(F10.2) ; r-1e-300
(F40.2) ; r1e22
(F30.25) ; r0.1
(F12.5) ; r123456.789
(F12.5) ; r1234567.891
(F8.2) ; r1234.5
(F8.2) ; r12345.5
(F8.2) ; r-1234.5
(F8.2) ; r-12345.5
(F10.4) ; r3.14159265358979
(F10.0) ; r123456789.5
(F10.0) ; r-123456788.5
(F10.2) ; rinf
(F10.2) ; r-inf
(F8.2) ; rinf
(F8.2) ; r-inf
(F4.2) ; r-inf
(F3.2) ; r-inf
(F3.2) ; rinf
(F10.2) ; rnan
(F2.2) ; rnan
(1P,F8.2) ; r1.5
(1P,F8.2) ; r0.0125
(1P,F8.2) ; r-0.0125
(1P,F8.3) ; r99.9999
(1P,F6.2) ; r99.9999
(0P,F8.2) ; r1.5
(1P,F8.2,0P,F8.2) ; r1.5 r1.5
(-1P,F12.4) ; r1.5
(E12.4) ; r123456
(E12.4) ; r-123456
(E12.4) ; r0
(E12.4) ; r-0
(E12.4) ; r1
(E12.4) ; r0.1
(E12.4) ; r0.099999
(E12.4) ; r0.99995
(E12.4) ; r0.99994
(E12.4) ; r9.9995
(E12.3) ; r9.9995
(E12.4) ; r1e100
(E12.4) ; r-1e100
(E12.4) ; r1e99
(E12.4) ; r9.99999e98
(E12.4) ; r1e-99
(E12.4) ; r1e-100
(E12.4) ; r1e-300
(E12.4) ; r1e300
(E12.4) ; r1.7976931348623157e308
(E12.4) ; r2.2250738585072014e-308
(E12.4) ; rinf
(E12.4) ; r-inf
(E12.4) ; rnan
(E6.1) ; rinf
(E9.4) ; r0.5
(E10.4) ; r-0.5
(E9.4) ; r-0.5
(E10.3) ; r1e-5
(E10.3) ; r0.125e-3
(E10.3) ; r0.1125
(E10.3) ; r0.1135
(E14.5) ; r2.5e-8
(E10.2) ; r-9.96
(E15.8) ; r3.14159265358979
(E12.4E3) ; r1.5e5
(E12.4E3) ; r1e-300
(E12.4E1) ; r1.5e15
(E12.4E1) ; r1.5e5
(E13.4E4) ; r-1.5e-5
(1P,E12.4) ; r0.125
(1P,E12.4) ; r123456
(1P,E12.4) ; r-123456
(1P,E12.4) ; r0
(1P,E12.4) ; r-0
(1P,E12.4) ; r1e-300
(1P,E12.4) ; r1e300
(1P,E12.4) ; r9.99995
(1P,E12.4) ; r9.99994
(1P,E10.3) ; r1.5
(1P,E9.4) ; r-0.5
(1P,E10.4) ; r-0.5
(1P,E11.4) ; r-0.5
(1P,E10.3) ; r1.79e308
(1P,E12.4E1) ; r1.5e5
(1P,E14.5) ; r0.0005
(1P,E13.5) ; r2e8
(1PE10.3,F8.3) ; r1.5 r2.5
(2P,E12.4) ; r1.5
(-1P,E12.4) ; r1.5
(D12.4) ; r1e-300
(D12.4) ; r1e3
(D12.4) ; r-1.5e150
(1P,D12.4) ; r1e3
(1P,D12.4) ; r-0.000123456
(I5) ; i0
(I5) ; i-0
(I5) ; i42
(I5) ; i-42
(I5) ; i99999
(I5) ; i-9999
(I5) ; i100000
(I5) ; i-10000
(I3) ; i-100
(I1) ; i7
(I1) ; i-1
(I12) ; i-2147483648
(I20) ; i-9223372036854775807
(I5) ; i3000000000
(I5.3) ; i-7
(I5.3) ; i7
(I5.3) ; i12345
(I5.5) ; i-1
(I5.0) ; i0
(I5.0) ; i3
(I2.2) ; i5
(2I4) ; i1 i2 i3 i4 i5
(3I3) ; i1 i2
(A) ; tabc
(A3) ; tabcdef
(A6) ; tab
(A1) ; txyz
(A8) ; tAB~CD
(A,A) ; tab t~~cd
(2A3) ; tabcd te
(A,5X) ; thi
(A,5X,A) ; thi tx
(A,' ') ; thi
(5X,A) ; thi
(L1) ; lT
(L1) ; lF
(L1,L3) ; lT lF
(2L2) ; lF lT
(1X,'N = ',I5) ; i17
(6X,'NO OF TIE BACKS = ',I2) ; i3
('It''s',I3) ; i1
('a',I3,'b') ;
(I3) ;
('a',/,'b',I3,'b') ;
(/) ;
(/,/,'x') ;
(I3,/) ; i5
(3X,'ab',/) ;
(2(1X,I2)) ; i1 i2 i3
(2('x',I2)) ; i1 i2 i3
(I4,2(I3,1X,I2)) ; i1 i2 i3 i4 i5 i6 i7 i8 i9
(1X,I4,' xx',I5) ; i1
(1X,I4,' xx',I5,' yy') ; i1 i2
(I3,I3) ; i1 i2 i3 i4 i5
('v=',I3) ; i1 i2 i3
(1P,E10.2,2(F8.2)) ; r1 r2 r3 r4 r5 r6
(0P,E10.2,1P,2(F8.2)) ; r1 r2 r3 r4 r5 r6
(2(1P,E10.3),0P,F8.3) ; r1.5 r2.5 r3.5 r4.5 r5.5
(1P,6E10.3) ; r1 r-2 r3e10 r-4e-10 r5 r6 r7 r8
(12(1X,E12.5)) ; r0 r-0 r0.5 r1e-120 r1e150 r0.125 r2.5e-5 r9.999995 r-1.000005e5 r123.456 r-7e-3 r1e22 r3.3
(12(1X,E12.5)) ; r1 r2 r3 r4 r5 r6 r7 r8 r9 r10 r11 r12 r13 r14 r15 r16 r17 r18 r19 r20 r21 r22 r23 r24
(2(1X,E10.2)) ; r0.125 r-0.375 r6.25e-3
(3(2X,F8.3)) ; r0.0625 r-0.0004 r12345.6789 r-0 r0.5 r-99.9995 r1e20
(1P,4E11.3) ; r-9.9995e99 r1e-100 r0 r123456789 r-0.5 r2.5e-7 r-1 r1e99 r9.9995e-100
(1P,3(1X,E10.2)) ; r1 r-2.5 r3.75 r-4.125
(2(1X,D12.4)) ; r1.5 r-2.25e-10 r7
(2E9.2) ; r1 r-1 r-12.5 r0.001
(1P,7E12.3) ; r1.5 r2 r3 r4 r5 r6 r7 r8 r9
(21X,2F20.3) ; r1.5 r-2.25 r1e10 r-0 r3.14159
(1X,20X,2D20.3) ; r1.5 r-2.25e-3 r1e-120 r9.9995e99 r0.0625
(1X,E12.5) ; r1 r-2.5 r1e-120
(7(1X,1P,E13.4)) ; r0 r-0 r12.5 r-3.25e-7 r9.99995e99 r1e-120 r0.000125 r6.02e23 r-1
(2(2X,1P,E10.2)) ; r0.125 r-2.5 r1e100
(1P,3(1X,0P,E12.5)) ; r1 r2 r3 r4
(I70.65,I66,I3) ; i-12345 i-9223372036854775807 i-100
(6E10.3) ; r1 r-2 r3e10 r-4e-10 r5 r6 r7
(3(1X,F10.2,1X,F6.2)) ; r1 r2 r3 r4 r5 r6 r7 r8
(5X,2I4,I3,5X,2E14.3,1(8X,I4)) ; i1 i2 i3 r0.5 r-1.25e-3 i4
(5X,I4,4X,I3,5X,1P,2E14.3,1(10X,I3)) ; i1 i2 r0.5 r-1.25e-3 i4
(9X,I4,I3,1X,1P,6E10.3) ; i1 i0 r1 r2 r3 r4 r5 r6
(1X,20X,2F20.5) ; r0.1 r-123.456789
(21X,2E20.3) ; r1e-3 r2e5
(I5,2(2X,E10.3)) ; i3 r1.5 r-2.5
(/,5X,' CROSS SECTION       : ',I5,/,5X,' SECTION NAME        : ',A32) ; i1 tSHEET~PILE
(2(I2,'-',2(A1,I1))) ; i1 ta i2 tb i3 i4 tc i5 td i6
(2(I2,'-',2(A1,I1))) ; i1 ta i2 tb i3 i4 tc i5 td i6 i7 te
(1X,2(2X,'(',I2,')',F6.1)) ; i1 r0.25 i2 r-0.75 i3
(1X,A,$) ; tab && (A) ; tcd
(A,5X,$) ; tab && (A) ; tcd
(5X,$) ; && (A) ; tcd
(1X,I3,$) ; i1 && (I3,$) ; i2 && (I3) ; i3
('a',$) ; && ('b',/,'c',$) ; && (I2) ; i5
(I3,$,I3) ; i1 && (A) ; tz
(2(F6.2,$)) ; r1 && (F6.2) ; r2
(2(F6.2)) ; r1 r2 r3 && (F6.2) ; r4
(1X,1P,E10.3,F8.2,A3) ; r0.000123 r0.5 tFT
(6X,'FREE HEIGHT OF WALL = ',1P,E10.3,A3) ; r240 t~FT
(9X,F10.2,5X,F10.3,3(1X,1P,E10.2),1P,E12.4) ; r12.5 r24 r0.25 r1e-3 r1.5 r2.5e-4
(10X,F10.2,5X,F10.3,1P,3E10.2,1P,E12.4,/,38X,'Y',19X,'P') ; r12.5 r24 r0.25 r1e-3 r1.5 r2.5e-4
( 6X , 'A B' , I 5 ) ; i42
(i3,f6.2,e10.3,a2) ; i1 r2 r3 tab
(3HABC,I2) ; i1
('x',:,I3,'y') ;
('x',:,I3,'y') ; i1
CASES

awk -v f90="$out/layout_reference.f90" '
function value(tok,   t, v) {
  t = substr(tok, 1, 1); v = substr(tok, 2)
  if (t == "i") return v "_8"
  if (t == "l") return (v == "T" ? ".true." : ".false.")
  if (t == "t") { gsub(/~/, " ", v); return "\x27" v "\x27" }
  if (v == "inf") return "(1d0/z)"
  if (v == "-inf") return "(-1d0/z)"
  if (v == "nan") return "(z/z)"
  if (v ~ /[eE]/) { sub(/[eE]/, "d", v); return v }
  return v "d0"
}
BEGIN {
  print "! Generated by gen_layout_reference.sh: expected output of report layouts." > f90
  print "program layout_reference" > f90
  print "  implicit none" > f90
  print "  real(8) :: z" > f90
  print "  z = 0d0" > f90
}
{
  n++
  print "  write(*,\x27(A)\x27) \x27@@CASE " n "\x27" > f90
  nw = split($0, writes, / && /)
  for (k = 1; k <= nw; k++) {
    w = writes[k]
    if (match(w, / ;( |$)/)) { layout = substr(w, 1, RSTART - 1); vals = substr(w, RSTART + RLENGTH) }
    else { layout = w; vals = "" }
    nv = split(vals, toks, / +/)
    line = "  write(*,\"" layout "\")"
    for (j = 1; j <= nv; j++) {
      if (toks[j] == "") continue
      line = line (j == 1 ? " &\n    " : ", &\n    ") value(toks[j])
    }
    print line > f90
  }
}
END { print "end program layout_reference" > f90 }
' "$work/cases.txt"

gfortran -O0 -o "$work/layout_reference" "$out/layout_reference.f90"
"$work/layout_reference" > "$work/output.txt"

awk -v cases="$work/cases.txt" '
BEGIN {
  while ((getline c < cases) > 0) table[++n] = c
  print "# Expected output of report layouts, generated by gen_layout_reference.sh"
  print "# with gfortran. CASE line: the writes; each > ... < line: one output line."
}
/^@@CASE / { print "CASE " table[$2]; next }
{ print ">" $0 "<" }
' "$work/output.txt" > "$out/layout_reference.txt"
echo "wrote $out/layout_reference.txt"
