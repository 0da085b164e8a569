// Whole runs through the problem loop: problems following each other, the
// run-ending checks of the opening records and malformed input.
#include <dlfcn.h>

#include <filesystem>

#include "RunFixture.h"
#include "korven.h"

namespace korven::testing {
namespace {

// A problem without wall sections: title, control record, wall record,
// then the continuation record.
std::string emptyProblem(const std::string& title, int stages, int points = 0) {
  return title + "\n1 " + std::to_string(points) + " 0 0 0 0 0 0 " + std::to_string(stages) +
         " 0 0 0\n40 6.0 10.0 1.0E-5 120.0 12.0 240.0 100 0 0\n";
}

using RunSequence = RunDir;

TEST_F(RunSequence, SingleProblemHasOneHeaderAndEnds) {
  const RunOutcome outcome = run(emptyProblem("SINGLE WALL", 1) + "1\n");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_NORMAL) << outcome.message;
  EXPECT_EQ(countOf(report_, "KORVEN for Windows, Version 9.9.9"), 1);
  // The title block once, and the title line again heading the results.
  const std::string opening = report_.substr(0, report_.find("PROGRAM CONTROL PARAMETERS"));
  EXPECT_EQ(countOf(opening, "      SINGLE WALL"), 1);
  EXPECT_EQ(countOf(report_, "      SINGLE WALL"), 2);
  EXPECT_EQ(countOf(report_, "END OF ANALYSIS"), 1);
  EXPECT_NE(report_.find("\n     END OF ANALYSIS                             \n"),
            std::string::npos);
  EXPECT_EQ(countOf(monitor_, "END OF ANALYSIS"), 1);
  EXPECT_NE(report_.find("               Date:  March 05, 2024     Time:  09:07:03\n"),
            std::string::npos);
}

TEST_F(RunSequence, ReportOpensWithBannerFileNamesDateAndTitle) {
  run(emptyProblem("HEADER CHECK", 1) + "1\n");
  const std::string rule = "     " + std::string(73, '=') + "\n";
  const std::string dash = "     " + std::string(73, '-') + "\n";
  const std::string b20(20, ' ');
  std::string dir = dir_.string();
  if (dir.back() != '/') dir += '/';
  const std::string expected =
      rule + "\n" + b20 + "  KORVEN for Windows, Version 9.9.9       \n\n" + b20 +
      "   A Program for the Analysis of \n" + b20 + "   Flexible Retaining Walls \n\n" + rule +
      "\n\n     Path to file locations      : " + dir +
      "\n     Name of input data file     : wall.dat\n"
      "     Name of output file         : wall.out\n"
      "     Name of plot output file    : wall.plt\n\n" +
      dash + std::string(26, ' ') + "Time and Date of Analysis\n" + dash + "\n" +
      std::string(15, ' ') + "Date:  March 05, 2024     Time:  09:07:03\n\n      HEADER CHECK" +
      std::string(58, ' ') + "\n\n\n      ******";
  EXPECT_EQ(report_.substr(0, expected.size()), expected);
  const std::string title = "\n      HEADER CHECK" + std::string(58, ' ') + "\n";
  EXPECT_EQ(monitor_.substr(0, title.size()), title);
}

TEST_F(RunSequence, ConstructionStagesAreNumberedUnderTheFirstTitle) {
  const RunOutcome outcome = run(emptyProblem("STAGED EXCAVATION", 3) + "1\n" +
                                 emptyProblem("SECOND TITLE", 3) + "2\n" +
                                 emptyProblem("THIRD TITLE", 3) + "3\n");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_NORMAL) << outcome.message;
  EXPECT_EQ(countOf(report_, "KORVEN for Windows"), 3);
  EXPECT_EQ(countOf(report_, "Time and Date of Analysis"), 3);
  for (const char* stage : {"Stage No : 1  STAGED EXCAVATION", "Stage No : 2  STAGED EXCAVATION",
                            "Stage No : 3  STAGED EXCAVATION"}) {
    EXPECT_GE(countOf(report_, stage), 1) << stage;
    EXPECT_GE(countOf(monitor_, stage), 1) << stage;
  }
  EXPECT_EQ(countOf(report_, "SECOND TITLE"), 0);
  EXPECT_EQ(countOf(report_, "END OF ANALYSIS"), 1);
  // Banners, control echoes and wall lines come in problem order.
  const auto first = report_.find("Stage No : 1");
  const auto second = report_.find("Stage No : 2");
  const auto wall = report_.find("HEIGHT OF WALL", first);
  EXPECT_LT(first, wall);
  EXPECT_LT(wall, second);
  EXPECT_LT(report_.rfind("PROGRAM CONTROL PARAMETERS"), report_.find("END OF ANALYSIS"));
}

TEST_F(RunSequence, LongTermPassIsHeadedByTheFirstTitle) {
  const RunOutcome outcome =
      run(emptyProblem("SHORT TERM", 1) + "2\n" + emptyProblem("IGNORED", 1) + "1\n");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_NORMAL) << outcome.message;
  EXPECT_GE(countOf(report_, "      Long Term :  SHORT TERM"), 1);
  EXPECT_EQ(countOf(report_, "IGNORED"), 0);
  // Two empty lines precede the second banner.
  EXPECT_NE(report_.find("\n\n\n     ====="), std::string::npos);
}

TEST_F(RunSequence, ContinuationZeroEndsTheRun) {
  const RunOutcome outcome =
      run(emptyProblem("FIRST", 4) + "0\n" + emptyProblem("NEVER READ", 4) + "4\n");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_NORMAL);
  EXPECT_EQ(countOf(report_, "KORVEN for Windows"), 1);
}

TEST_F(RunSequence, TooManySpecifiedPointsStopAfterTheHeading) {
  const RunOutcome outcome = run(emptyProblem("POINTS", 1, 21) + "1 0 0.0 0.0\n1\n");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_DATA_STOP);
  const auto heading = report_.find("*        SPECIFIED DEFLECTIONS AND SLOPES        *");
  const auto stop = report_.find("     TOO MUCH DATA FOR AVAILABLE STORAGE");
  const auto end = report_.find("END OF ANALYSIS");
  ASSERT_NE(heading, std::string::npos);
  ASSERT_NE(stop, std::string::npos);
  EXPECT_LT(report_.find("INCREMENT LENGTH"), heading);
  EXPECT_LT(heading, stop);
  EXPECT_LT(stop, end);
  EXPECT_NE(end, std::string::npos);
}

TEST_F(RunSequence, SpecifiedPointsInOrderAndOutOfOrder) {
  run(emptyProblem("ORDER", 1, 3) + "1 5 0.5 0\n2 5 0 0.01\n3 7 0.25 0.02\n1\n");
  EXPECT_EQ(countOf(report_, "STATIONS NOT IN ORDER"), 0);
  EXPECT_NE(report_.find("\n            5        1         0.500E+00         NONE\n"),
            std::string::npos);
  EXPECT_NE(report_.find("\n            5        2           NONE         0.100E-01\n"),
            std::string::npos);
  EXPECT_NE(report_.find("\n            7        3         0.250E+00      0.200E-01\n"),
            std::string::npos);

  const RunOutcome outcome = run(emptyProblem("DISORDER", 1, 2) + "1 5 0 0\n1 4 0 0\n1\n");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_DATA_STOP);
  const auto line = report_.find("\n            5        1");
  const auto stop = report_.find("\n     ERROR STOP -- STATIONS NOT IN ORDER\n");
  ASSERT_NE(line, std::string::npos);
  ASSERT_NE(stop, std::string::npos);
  EXPECT_LT(line, stop);
  EXPECT_EQ(report_.find("\n            4        1"), std::string::npos);
  EXPECT_NE(report_.find("END OF ANALYSIS"), std::string::npos);
}

TEST_F(RunSequence, PointsBeyondTheTipAndGridsBeyondTheTablesAreRejected) {
  RunOutcome outcome = run(emptyProblem("TIP", 1, 1) + "1 42 0 0\n1\n");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_DATA_STOP);
  EXPECT_NE(report_.find("LIES BEYOND STATION    41"), std::string::npos);

  outcome = run("BIG\n1 0 0 0 0 0 0 0 1 0 0 0\n408 6.0 10.0 1.0E-5 120.0 12.0 240.0 100 0 0\n1\n");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_DATA_STOP);
  EXPECT_NE(report_.find("NUMBER OF INCREMENTS MUST BE FROM 1 TO 407"), std::string::npos);
  EXPECT_NE(report_.find("END OF ANALYSIS"), std::string::npos);

  outcome = run("NEGATIVE LIMIT\n1 0 0 0 0 0 0 0 1 0 0 0\n40 6.0 10.0 1.0E-5 120.0 12.0 240.0 -1 0 0\n1\n");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_DATA_STOP);
  EXPECT_EQ(report_.find("MAXIMUM NUMBER OF ITERATIONS"), std::string::npos);
  EXPECT_NE(report_.find("END OF ANALYSIS"), std::string::npos);

  // A limit that a wall which never closes could not reach in any time.
  outcome = run("HUGE LIMIT\n1 0 0 0 0 0 0 0 1 0 0 0\n"
                "40 6.0 10.0 1.0E-5 120.0 12.0 240.0 2147483647 0 0\n1\n");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_DATA_STOP);
  EXPECT_NE(report_.find("ERROR -- THE MAXIMUM NUMBER OF ITERATIONS MAY NOT EXCEED 100000"),
            std::string::npos);
  EXPECT_NE(report_.find("END OF ANALYSIS"), std::string::npos);
}

TEST_F(RunSequence, MalformedInputIsReportedWithItsLine) {
  const RunOutcome outcome = run("BAD CONTROL\n1 0 0 0 0 X 0 0 1 0 0 0\n");
  EXPECT_EQ(outcome.status, KORVEN_STATUS_INPUT_ERROR);
  EXPECT_NE(report_.find("INPUT ERROR IN CONTROL RECORD AT LINE     2 OF THE INPUT DATA FILE:"),
            std::string::npos)
      << report_;
  EXPECT_NE(report_.find("'X'"), std::string::npos);
  EXPECT_NE(report_.find("END OF ANALYSIS"), std::string::npos);
  EXPECT_NE(outcome.message.find("LINE 2"), std::string::npos);
}

TEST_F(RunSequence, MissingContinuationRecordIsAnInputError) {
  const RunOutcome outcome = run(emptyProblem("NO END", 1));
  EXPECT_EQ(outcome.status, KORVEN_STATUS_INPUT_ERROR);
  EXPECT_NE(report_.find("CONTINUATION RECORD"), std::string::npos);
  EXPECT_NE(report_.find("END OF ANALYSIS"), std::string::npos);
}

TEST_F(RunSequence, UnitFlagSelectsTheLabels) {
  run("SI WALL\n2 0 0 0 0 0 0 0 1 0 0 0\n30 0.3 0.5 1.0E-5 4.0 1.0 9.0 100 0 0\n1\n");
  EXPECT_NE(report_.find("HEIGHT OF WALL                                     =      9.000  M\n"),
            std::string::npos)
      << report_;
  run("ENGLISH WALL\n1 0 0 0 0 0 0 0 1 0 0 0\n60 6.0 10.0 1.0E-5 120.0 12.0 360.0 100 0 0\n1\n");
  EXPECT_NE(report_.find("HEIGHT OF WALL                                     =     30.000 FT\n"),
            std::string::npos);
  EXPECT_NE(report_.find("INCREMENT LENGTH                                   =      6.000 IN\n"),
            std::string::npos);
  EXPECT_NE(report_.find("DEFLECTION CLOSURE TOLERANCE                       =  1.000E-05 IN\n"),
            std::string::npos);
}

TEST_F(RunSequence, LongTitlesAreCutTo70Characters) {
  const std::string title(75, 'T');
  run(emptyProblem(title, 1) + "1\n");
  EXPECT_NE(report_.find("\n      " + std::string(70, 'T') + "\n"), std::string::npos);
  EXPECT_EQ(report_.find(std::string(71, 'T')), std::string::npos);
}

TEST_F(RunSequence, ControlEchoFlagsStayOnceSet) {
  // Earth-pressure option 3 with no wall sections reads nothing more, so a
  // problem can carry it; the flag is still printed as 1 in the next one.
  run("FIRST\n1 0 0 0 0 3 0 0 1 0 0 0\n40 6.0 10.0 1.0E-5 120.0 12.0 240.0 100 0 0\n2\n" +
      emptyProblem("SECOND", 1) + "1\n");
  EXPECT_EQ(countOf(report_, "GENERATE EARTH PRESSURE INTERNALLY                 =  1"), 2);
}

using RunControlFile = RunDir;

TEST_F(RunControlFile, MissingRunControlFileStartsNothing) {
  RunOptions options;
  options.namesFile = path("NAMES.dat").string();
  options.err = &err_;
  const RunOutcome outcome = runAnalysis(options);
  EXPECT_EQ(outcome.status, KORVEN_STATUS_NOT_STARTED);
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST_F(RunControlFile, ShortRunControlFileIsRefusedClearly) {
  {
    std::ofstream names(path("NAMES.dat"));
    names << "1.0\nh\nh\n0\n" << path("wall.dat").string() << "\n";
  }
  const RunOutcome outcome = runNames();
  EXPECT_EQ(outcome.status, KORVEN_STATUS_NOT_STARTED);
  EXPECT_NE(err_.str().find(" PLEASE CREATE AN INPUT DATA FILE AND SAVE IT\n"
                            " BEFORE COMPUTATION.  TRY IT AGAIN!\n"),
            std::string::npos);
  EXPECT_NE(outcome.message.find("report file"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(path("wall.out")));
}

TEST_F(RunControlFile, UnopenableInputCreatesNoOutput) {
  writeNames("missing.dat");
  const RunOutcome outcome = runNames();
  EXPECT_EQ(outcome.status, KORVEN_STATUS_NOT_STARTED);
  EXPECT_NE(outcome.message.find("missing.dat"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(path("wall.out")));
}

// The exported entry, as the front end sees it through the shared library.
TEST(Entry, WrongHandshakeTouchesNothing) {
  const auto dir = std::filesystem::temp_directory_path() / "korven_entry_handshake";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  {
    std::ofstream names("NAMES.dat");
    names << "1.0\nh\nh\n0\nwall.dat\nwall.out\nwall.plt\nwall.itr\nwall.pys\nwall.epf\n";
    std::ofstream input("wall.dat");
    input << "T\n1 0 0 0 0 0 0 0 1 0 0 0\n40 6.0 10.0 1.0E-5 120.0 12.0 240.0 100 0 0\n1\n";
  }
  EXPECT_EQ(IKORVEN(KORVEN_HANDSHAKE_1 + 1, KORVEN_HANDSHAKE_2), 1);
  EXPECT_EQ(IKORVEN(KORVEN_HANDSHAKE_1, KORVEN_HANDSHAKE_2 + 1), 1);
  EXPECT_EQ(KORVEN_LastRunStatus(), KORVEN_STATUS_REFUSED);
  EXPECT_FALSE(std::filesystem::exists("wall.out"));
  EXPECT_EQ(IKORVEN(KORVEN_HANDSHAKE_1, KORVEN_HANDSHAKE_2), 0);
  EXPECT_TRUE(std::filesystem::exists("wall.out"));
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace korven::testing

namespace korven::testing {
namespace {

// A stop of the analysis phases unwinds to the entry: the stop text goes to
// the error stream and the report, and the run still ends in order.
TEST_F(RunSequence, HardStopEndsTheRunInOrder) {
  std::string input = readFile(std::filesystem::path(KORVEN_SOURCE_DIR) / "examples" /
                               "cantilever-sand.dat");
  // Soil that ends above the excavation leaves no layer at the excavation.
  const std::string layer = "4 480.0\n";
  input.replace(input.find(layer), layer.size(), "4 120.0\n");
  const RunOutcome outcome = run(input);
  EXPECT_EQ(outcome.status, KORVEN_STATUS_HARD_STOP);
  EXPECT_NE(outcome.message.find("STOP 1"), std::string::npos);
  EXPECT_NE(err_.str().find("STOP 1\n"), std::string::npos);
  const auto soil = report_.find("SOIL INFORMATION");
  const auto stop = report_.find(
      "\n     ***** ANALYSIS STOPPED: STOP 1 *****\n"
      "      NO SOIL LAYER REACHES BELOW THE EXCAVATION DEPTH\n");
  const auto end = report_.find("END OF ANALYSIS");
  ASSERT_NE(soil, std::string::npos);
  ASSERT_NE(stop, std::string::npos);
  EXPECT_LT(soil, stop);
  EXPECT_LT(stop, end);
  EXPECT_EQ(report_.find("EFFECTIVE OVERBURDEN STRESS"), std::string::npos);
  EXPECT_NE(monitor_.find("END OF ANALYSIS"), std::string::npos);
  // The plot-data file closes with the summary of a problem without results.
  EXPECT_NE(plot_.find(" 0 0 1\n"), std::string::npos);
}

}  // namespace
}  // namespace korven::testing

namespace korven::testing {
namespace {

// A later problem without wall sections reads no supports, so the tie-back
// of the problem before it does not act on it.
TEST_F(RunSequence, SupportsDoNotCarryOverToAProblemWithoutSections) {
  std::string first = readFile(std::filesystem::path(KORVEN_SOURCE_DIR) / "examples" /
                               "anchored-soft-clay.dat");
  first.replace(first.rfind("1\n"), 2, "2\n");  // a long-term pass follows
  const std::string second =
      "LONG TERM\n1 0 0 0 0 0 0 0 1 0 1 0\n60 6.0 12.0 1.0E-5 144.0 12.0 360.0 100 0 0\n1\n";
  const RunOutcome outcome = run(first + second);
  EXPECT_EQ(outcome.status, KORVEN_STATUS_NORMAL) << outcome.message;
  EXPECT_EQ(countOf(report_, "     TIE BACK RESULTS"), 1);
  EXPECT_GE(countOf(report_, "Long Term :"), 1);
}

}  // namespace
}  // namespace korven::testing
