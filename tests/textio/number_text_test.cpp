// Decimal text of reals: the rounding that every F, E and D field rests on,
// checked against the C library's printf over millions of values, and whole
// fields checked against the Fortran run-time library (gfortran) over a
// table of random values and layouts.
#include <gtest/gtest.h>

#if defined(__GLIBC__)
#include <fpu_control.h>
#endif

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "textio/FieldFormat.h"
#include "textio/Layout.h"

namespace korven::textio {
namespace {

using detail::DecimalText;

std::string printed(const char* form, int precision, double a) {
  const int n = std::snprintf(nullptr, 0, form, precision, a);
  std::string s(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(s.data(), s.size(), form, precision, a);
  s.resize(static_cast<std::size_t>(n));
  return s;
}

// Values where rounding goes wrong first: random bit patterns over the whole
// range, short decimals (0.125, 9.995, 2.0005), exact binary halves at every
// decimal position, numbers just below a power of ten, subnormals and the
// extremes.
std::vector<double> hardValues(std::size_t randomCount) {
  std::mt19937_64 rng(20240611);
  std::vector<double> v{0.0,
                        0.5,
                        1.5,
                        2.5,
                        0.125,
                        0.375,
                        9.995,
                        99.995,
                        999.995,
                        2.0005,
                        0.1135,
                        0.99995,
                        9.99995,
                        std::numeric_limits<double>::max(),
                        std::numeric_limits<double>::min(),
                        std::numeric_limits<double>::denorm_min(),
                        std::nextafter(1.0, 0.0),
                        std::nextafter(10.0, 0.0)};
  for (std::size_t i = 0; i < randomCount; ++i) {
    std::uint64_t bits = rng() & ~(std::uint64_t{1} << 63);
    double x;
    std::memcpy(&x, &bits, sizeof x);
    if (std::isfinite(x)) v.push_back(x);
    // Decimal-looking values of engineering size.
    const double scale = std::pow(10.0, static_cast<int>(rng() % 24) - 12);
    v.push_back(static_cast<double>(rng() % 2000000) * scale / 1000.0);
    // Exact halves: k + 1/2 scaled by a power of two.
    v.push_back(std::ldexp(static_cast<double>(rng() % 100000) + 0.5, static_cast<int>(rng() % 20) - 10));
    // Just below 10^n - 5 * 10^-(d+1), where rounding carries into a new digit.
    const int n = static_cast<int>(rng() % 30) - 15;
    const int d = static_cast<int>(rng() % 8);
    v.push_back(std::pow(10.0, n) - 5.0 * std::pow(10.0, -d - 1));
    // Decimal halves (n + 1/2)·10^-d, which no double holds exactly, and
    // their neighbours: the nearest doubles lie within an ulp of the tie.
    const double half = (static_cast<double>(rng() % 10000000) + 0.5) / std::pow(10.0, d);
    v.insert(v.end(), {half, std::nextafter(half, 0.0), std::nextafter(half, 1e300)});
  }
  for (int e = -1074; e <= 1023; e += 7) v.push_back(std::ldexp(1.0, e));
  return v;
}

// Compares DecimalText with printf over the values, a few precisions per
// value, cycling through those the report layouts use and some far beyond;
// returns the number of comparisons and counts the mismatches.
std::size_t compareWithPrintf(const std::vector<double>& values, std::size_t& mismatches) {
  std::size_t compared = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double a = values[i];
    const int fixed[] = {static_cast<int>(i % 12), static_cast<int>(i % 7) + 2};
    const int scientific[] = {static_cast<int>(i % 17), static_cast<int>(i % 5) + 3};
    for (int p : fixed) {
      if (a > 1e60 && p > 4) continue;  // long expansions are covered below
      ++compared;
      if (DecimalText(a, std::chars_format::fixed, p).text() != printed("%.*f", p, a) && ++mismatches < 10) {
        ADD_FAILURE() << "fixed " << p << " of " << printed("%.17g", 0, a);
      }
    }
    for (int p : scientific) {
      ++compared;
      if (DecimalText(a, std::chars_format::scientific, p).text() != printed("%.*e", p, a) &&
          ++mismatches < 10) {
        ADD_FAILURE() << "scientific " << p << " of " << printed("%.17g", 0, a);
      }
    }
  }
  return compared;
}

TEST(DecimalText, EqualsPrintfInFixedAndScientificForm) {
  const std::vector<double> values = hardValues(150000);
  ASSERT_GT(values.size(), 600000u);
  std::size_t mismatches = 0;
  const std::size_t compared = compareWithPrintf(values, mismatches);
  EXPECT_GT(compared, 2000000u);
  EXPECT_EQ(mismatches, 0u);
  // Expansions longer than the stack buffer: the heap copy holds them whole.
  for (double a : {std::numeric_limits<double>::max(), 1e300, 0.1, std::numeric_limits<double>::denorm_min()}) {
    for (int p : {0, 30, 400, 1100}) {
      EXPECT_EQ(DecimalText(a, std::chars_format::fixed, p).text(), printed("%.*f", p, a)) << a << " " << p;
      EXPECT_EQ(DecimalText(a, std::chars_format::scientific, p).text(), printed("%.*e", p, a)) << a << " " << p;
    }
  }
}

// The free-format text of reals: the shortest text that reads back, as
// std::to_chars writes it (upper-case exponent letter), over the hard
// values, their negatives, and the short decimals the intermediate files
// hold (d.ddd·10^e read back from E10.3 fields), which take the fast path.
TEST(ShortestText, EqualsToChars) {
  std::vector<double> values = hardValues(100000);
  std::mt19937_64 rng(5);
  for (int i = 0; i < 200000; ++i) {
    const std::string text = std::to_string(rng() % 10) + "." + std::to_string(1000 + rng() % 9000).substr(1) + "E" +
                             std::to_string(static_cast<int>(rng() % 40) - 20);
    values.push_back(std::strtod(text.c_str(), nullptr));
  }
  for (int e = -20; e <= 20; ++e) values.push_back(std::pow(10.0, e));
  std::size_t mismatches = 0;
  for (double a : values) {
    for (double x : {a, -a}) {
      char expected[64];
      char* end = std::to_chars(expected, expected + sizeof expected, x).ptr;
      for (char* p = expected; p != end; ++p) {
        if (*p == 'e') *p = 'E';
      }
      char got[detail::kShortestRoom];
      const std::size_t n = detail::putShortest(got, x);
      if (std::string_view(got, n) != std::string_view(expected, static_cast<std::size_t>(end - expected)) &&
          ++mismatches < 10) {
        ADD_FAILURE() << std::string_view(got, n) << " for " << std::string_view(expected, static_cast<std::size_t>(end - expected));
      }
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

#if defined(__GLIBC__) && (defined(__x86_64__) || defined(__i386__))
// A host program may run the x87 unit at double or even single precision
// (some Windows run-times and graphics libraries set it so); the digits
// must not depend on it.
TEST(DecimalText, EqualsPrintfWithTheX87UnitAtReducedPrecision) {
  fpu_control_t saved;
  _FPU_GETCW(saved);
  for (fpu_control_t precision : {fpu_control_t{_FPU_DOUBLE}, fpu_control_t{_FPU_SINGLE}}) {
    const fpu_control_t reduced = static_cast<fpu_control_t>((saved & ~_FPU_EXTENDED) | precision);
    _FPU_SETCW(reduced);
    std::size_t mismatches = 0;
    const std::size_t compared = compareWithPrintf(hardValues(20000), mismatches);
    _FPU_SETCW(saved);
    EXPECT_GT(compared, 200000u);
    EXPECT_EQ(mismatches, 0u) << "x87 precision control " << precision;
  }
}
#endif

// The layouts compared with gfortran: fixed and exponent fields of the
// widths the reports use, with and without scale factors.
const char* const kLayouts[] = {"(F10.3)",     "(F12.5)",       "(F8.2)",       "(F6.0)",
                                "(F20.10)",    "(F40.2)",       "(E12.5)",      "(E10.3)",
                                "(E15.8)",     "(E12.4E3)",     "(1P,E12.4)",   "(1P,E10.3)",
                                "(1P,F8.2)",   "(-1P,F12.4)",   "(2P,E12.4)",   "(D12.4)",
                                "(1P,D14.5)",  "(1X,F10.2,1X)", "(E9.2)",       "(F5.1)",
                                "(E14.7)",     "(1P,E13.6)",    "(2(1X,E11.4))"};

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(FieldText, EqualsGfortranOverRandomValuesAndLayouts) {
  if (std::system("command -v gfortran >/dev/null 2>&1") != 0) GTEST_SKIP() << "gfortran not on PATH";
  namespace fs = std::filesystem;
  const fs::path tmp = fs::temp_directory_path() / ("korven_field_text_" + std::to_string(std::random_device{}()));
  fs::create_directories(tmp);

  // Values of both signs; the Fortran program reads their bit patterns, so
  // that both sides format the same double.
  std::vector<double> values = hardValues(1500);
  for (std::size_t i = 0; i < values.size(); i += 2) values[i] = -values[i];
  {
    std::ofstream layouts(tmp / "layouts.txt");
    layouts << std::size(kLayouts) << "\n";
    for (const char* l : kLayouts) layouts << l << "\n";
    std::ofstream bits(tmp / "values.txt");
    bits << values.size() << "\n";
    for (double x : values) {
      std::int64_t b;
      std::memcpy(&b, &x, sizeof b);
      bits << b << "\n";
    }
    std::ofstream program(tmp / "fields.f90");
    program << "program fields\n"
               "  implicit none\n"
               "  integer :: nf, nv, i, j\n"
               "  character(len=40), allocatable :: fmts(:)\n"
               "  integer(8) :: bits\n"
               "  real(8) :: x\n"
               "  open(10, file='layouts.txt')\n"
               "  read(10, *) nf\n"
               "  allocate(fmts(nf))\n"
               "  do i = 1, nf\n"
               "    read(10, '(A)') fmts(i)\n"
               "  end do\n"
               "  open(11, file='values.txt')\n"
               "  read(11, *) nv\n"
               "  do j = 1, nv\n"
               "    read(11, *) bits\n"
               "    x = transfer(bits, x)\n"
               "    do i = 1, nf\n"
               "      write(*, trim(fmts(i))) x\n"
               "    end do\n"
               "  end do\n"
               "end program fields\n";
  }
  const std::string cmd = "cd '" + tmp.string() + "' && gfortran -O0 -o fields fields.f90 && ./fields > expected.txt";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::istringstream expected(slurp(tmp / "expected.txt"));
  fs::remove_all(tmp);

  std::vector<Layout> layouts;
  for (const char* l : kLayouts) layouts.emplace_back(l);
  std::size_t compared = 0, mismatches = 0;
  std::string line, open;
  std::vector<std::string> lines;
  for (double x : values) {
    for (std::size_t i = 0; i < layouts.size(); ++i) {
      ASSERT_TRUE(std::getline(expected, line));
      lines.clear();
      open.clear();
      bool leftOpen = false;
      const FieldValue v[] = {x};
      layouts[i].format(v, open, lines, leftOpen);
      ++compared;
      if ((lines.size() != 1 || lines[0] != line) && ++mismatches < 10) {
        ADD_FAILURE() << kLayouts[i] << " of " << printed("%.*g", 17, x) << ": gfortran '" << line
                      << "', here '" << (lines.empty() ? "" : lines[0]) << "'";
      }
    }
  }
  EXPECT_GT(compared, 100000u);
  EXPECT_EQ(mismatches, 0u);
}

}  // namespace
}  // namespace korven::textio
