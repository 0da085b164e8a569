// Layout writer behaviour beyond the reference table: kind conversions,
// layout syntax errors, records left open, the channel and free-format records.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "textio/Layout.h"

namespace korven::textio {
namespace {

// What the layout itself makes of the values (no channel in between).
template <class... Args>
std::string formatted(std::string_view layout, const Args&... args) {
  const FieldValue values[] = {FieldValue(args)...};
  std::string open;
  std::vector<std::string> lines;
  bool leftOpen = false;
  Layout(layout).format(values, open, lines, leftOpen);
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

template <class... Args>
std::string written(std::string_view layout, const Args&... args) {
  std::ostringstream text;
  OutputChannel out;
  out.attach(text);
  out.write(Layout(layout), args...);
  out.close();
  return text.str();
}

TEST(Layout, ValuesOfAnotherKindAreConverted) {
  EXPECT_EQ(written("(F6.2)", 3), "  3.00\n");          // integer to F
  EXPECT_EQ(written("(1P,E10.3)", -2), "-2.000E+00\n");  // integer to E
  EXPECT_EQ(written("(I4)", 7.9), "   7\n");            // real to I truncates
  EXPECT_EQ(written("(I4)", -7.9), "  -7\n");
  EXPECT_EQ(formatted("(I4)", std::nan("")), "****\n");
  EXPECT_EQ(written("(I4)", 1e30), "****\n");
  EXPECT_EQ(written("(F6.2)", "ab"), "******\n");
  EXPECT_EQ(written("(A)", 12), "12\n");
  EXPECT_EQ(written("(A6)", 2.5), "   2.5\n");
  EXPECT_EQ(written("(L2,L2)", 0, 1.5), " F T\n");
  EXPECT_EQ(written("(I2)", true), " 1\n");
  EXPECT_EQ(written("(I6,F6.1)", 5u, 2.5f), "     5   2.5\n");
}

TEST(Layout, MalformedLayoutsAreRejected) {
  for (const char* bad : {"I5", "(I5", "(I5))", "(Q5)", "(F5)", "(F5.)", "('abc)", "(I0)",
                          "(0I3)", "(P,F5.2)", "(-I3)", "(E10.3E0)", "(3H)", "('a''", "('a'''"}) {
    EXPECT_THROW(Layout{bad}, std::invalid_argument) << bad;
  }
  EXPECT_NO_THROW(Layout("()"));
  EXPECT_NO_THROW(Layout("(1PE12.4,0PF8.2,'a''b',\"q\",2/)"));
  EXPECT_EQ(written("('it''s',1X,\"a\"\"b\",'''',' x ''')"), "it's a\"b' x '\n");
  // Sixteen groups deep is the limit.
  EXPECT_NO_THROW(Layout(std::string(16, '(') + "(I1" + std::string(17, ')')));
  EXPECT_THROW(Layout(std::string(17, '(') + "(I1" + std::string(18, ')')), std::invalid_argument);
}

// Groups within groups, the colon inside one, and the restart of a write
// at its last top-level group when values are left (as gfortran prints
// them).
TEST(Layout, NestedGroupsRepeatAndRestart) {
  EXPECT_EQ(formatted("(2(I2,2(1X,I1)))", 1, 2, 3, 4, 5, 6, 7, 8, 9), " 1 2 3 4 5 6\n 7 8 9\n");
  EXPECT_EQ(formatted("(A,3(I2,:,2(1X,I1)))", "x", 1, 2, 3, 4), "x 1 2 3 4\n");
  EXPECT_EQ(formatted("('[',2(2(I1,'.'),'|'),']')", 1, 2, 3, 4, 5), "[1.2.|3.4.|]\n5.\n");
}

TEST(Layout, LayoutWithoutValueItemsIgnoresSurplusValues) {
  EXPECT_EQ(written("('x')", 1, 2), "x\n");
  EXPECT_EQ(written("(I2,'-',2('x'))", 1, 2, 3), " 1-xx\n 2-xx\n 3-xx\n");
  EXPECT_EQ(written("()"), "\n");
}

TEST(Layout, FormatCollectsLinesAndOpenRecord) {
  const Layout first("(1X,'a',I2,/,'b',$)");
  const Layout second("(I3)");
  std::string open;
  std::vector<std::string> lines;
  bool leftOpen = false;
  const FieldValue one[] = {FieldValue(5)};
  first.format(one, open, lines, leftOpen);
  EXPECT_EQ(lines, (std::vector<std::string>{" a 5"}));
  EXPECT_EQ(open, "b");
  EXPECT_TRUE(leftOpen);
  second.format(one, open, lines, leftOpen);
  EXPECT_EQ(lines, (std::vector<std::string>{" a 5", "b  5"}));
  EXPECT_FALSE(leftOpen);
}

TEST(Layout, ScaleFactorIsResetByEachWrite) {
  std::ostringstream text;
  OutputChannel out;
  out.attach(text);
  const Layout& scaled = KLAYOUT("(1P,E10.3)");
  const Layout& plain = KLAYOUT("(F6.2,E10.3)");
  out.write(scaled, 1.5);
  out.write(plain, 1.5, 1.5);
  out.close();
  EXPECT_EQ(text.str(), " 1.500E+00\n  1.50 0.150E+01\n");
}

TEST(OutputChannel, CloseEndsAnOpenRecord) {
  std::ostringstream text;
  OutputChannel out;
  out.attach(text);
  out.write(Layout("(5X,'open',$)"));
  EXPECT_EQ(text.str(), "");
  EXPECT_TRUE(out.isOpen());
  out.close();
  EXPECT_FALSE(out.isOpen());
  EXPECT_EQ(text.str(), "     open\n");
  out.write(Layout("('after close')"));  // ignored, no stream
  EXPECT_EQ(text.str(), "     open\n");
}

TEST(OutputChannel, TargetsReceiveTheSameText) {
  // A stream receives each record when it is complete, a caller's text and
  // a file the same bytes; the file's text reaches the disk whole by close.
  std::ostringstream stream;
  std::string text = "kept ";
  const auto path = std::filesystem::temp_directory_path() / "korven_channel_targets.txt";
  OutputChannel toStream, toText, toFile;
  toStream.attach(stream);
  toText.attach(text);
  ASSERT_TRUE(toFile.open(path.string()));
  for (OutputChannel* out : {&toStream, &toText, &toFile}) {
    out->write(KLAYOUT("(1X,I3,$)"), 7);
    out->append("+");
    out->writeFree(1.5, 2);
    out->write(KLAYOUT("(2(F6.2))"), 1.0, 2.0, 3.0);
  }
  EXPECT_EQ(stream.str(), "   7+ 1.5 2\n  1.00  2.00\n  3.00\n");
  toFile.flush();  // completed records only
  toStream.write(KLAYOUT("('x',$)"));
  EXPECT_EQ(stream.str(), "   7+ 1.5 2\n  1.00  2.00\n  3.00\n");
  for (OutputChannel* out : {&toStream, &toText, &toFile}) out->close();
  EXPECT_EQ(stream.str(), "   7+ 1.5 2\n  1.00  2.00\n  3.00\nx\n");
  EXPECT_EQ(text, "kept    7+ 1.5 2\n  1.00  2.00\n  3.00\n");
  std::ifstream file(path, std::ios::binary);
  std::ostringstream onDisk;
  onDisk << file.rdbuf();
  EXPECT_EQ(onDisk.str(), "   7+ 1.5 2\n  1.00  2.00\n  3.00\n");
  // Opening again replaces the text; abandoning keeps what was written.
  ASSERT_TRUE(toFile.open(path.string()));
  toFile.write(KLAYOUT("('short',$)"));
  toFile.abandon();
  std::ifstream again(path, std::ios::binary);
  std::ostringstream replaced;
  replaced << again.rdbuf();
  EXPECT_EQ(replaced.str(), "short\n");
  std::filesystem::remove(path);
}

TEST(OutputChannel, PiecesAndLayoutsShareTheRecord) {
  std::ostringstream text;
  OutputChannel out;
  out.attach(text);
  out.append("ab");
  out.write(Layout("(I3,$)"), 4);
  out.append("cd");
  out.endRecord();
  out.endRecord();
  out.write(Layout("('x',$)"));
  out.writeFree(1);
  out.close();
  EXPECT_EQ(text.str(), "ab  4cd\n\nx 1\n");
}

TEST(OutputChannel, FreeRecordsReadBackExactly) {
  std::ostringstream text;
  OutputChannel out;
  out.attach(text);
  const double third = 1.0 / 3.0;
  out.writeFree(-12, 2.5, third, 1e-300, 1.5e300, 1e6, "P-Y", false, true);
  out.writeFree(-0.0);
  out.close();
  EXPECT_EQ(text.str(), " -12 2.5 0.3333333333333333 1E-300 1.5E+300 1E+06 P-Y F T\n -0\n");
  EXPECT_EQ(std::strtod("0.3333333333333333", nullptr), third);
}

TEST(OutputChannel, FileIsCreatedTruncatedAndClosed) {
  const auto path = std::filesystem::temp_directory_path() / "korven_layout_channel_test.txt";
  {
    std::ofstream old(path);
    old << "old content that must go\n";
  }
  OutputChannel out;
  ASSERT_TRUE(out.open(path.string()));
  for (int i = 0; i < 20000; ++i) out.write(KLAYOUT("(I6,1X,F8.3)"), i, i * 0.5);
  out.write(KLAYOUT("('end',$)"));
  out.close();
  std::ifstream in(path);
  std::string line;
  int count = 0;
  std::string last;
  while (std::getline(in, line)) {
    ++count;
    last = line;
  }
  EXPECT_EQ(count, 20001);
  EXPECT_EQ(last, "end");
  std::filesystem::remove(path);
  EXPECT_FALSE(out.open((std::filesystem::temp_directory_path() / "no_such_dir_kv" / "x.txt").string()));
  EXPECT_FALSE(out.isOpen());
}

}  // namespace
}  // namespace korven::textio
