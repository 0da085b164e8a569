#include <gtest/gtest.h>

#include "core/StationLoads.h"

namespace korven {
namespace {

StationValues load(double q) {
  StationValues v;
  v.q = q;
  return v;
}

class StationLoadsTest : public ::testing::Test {
 protected:
  void SetUp() override { tables.clear(); }
  StationTables tables;
};

TEST_F(StationLoadsTest, RangeEndsCarryHalfWeightAndSingleStationTheFullValue) {
  addStationLoads(tables, 3, 7, load(10.0), load(10.0));
  EXPECT_DOUBLE_EQ(tables.q(2), 0.0);
  EXPECT_DOUBLE_EQ(tables.q(3), 5.0);
  for (int n = 4; n <= 6; ++n) EXPECT_DOUBLE_EQ(tables.q(n), 10.0) << n;
  EXPECT_DOUBLE_EQ(tables.q(7), 5.0);
  EXPECT_DOUBLE_EQ(tables.q(8), 0.0);

  addStationLoads(tables, 5, 5, load(10.0), load(10.0));
  EXPECT_DOUBLE_EQ(tables.q(5), 20.0);
  // Ranges meeting at a station add up to one full value there.
  addStationLoads(tables, 7, 9, load(10.0), load(10.0));
  EXPECT_DOUBLE_EQ(tables.q(7), 10.0);
}

TEST_F(StationLoadsTest, ValuesVaryLinearlyAndOnlyTheirOwnTablesChange) {
  StationValues a, b;
  a.s = 0.0;
  b.s = 8.0;
  a.p = -4.0;
  b.p = -4.0;
  addStationLoads(tables, 0, 4, a, b);
  const double expected[] = {0.0, 2.0, 4.0, 6.0, 4.0};  // station 4: 8 - 0.5*8
  for (int n = 0; n <= 4; ++n) EXPECT_DOUBLE_EQ(tables.s(n), expected[n]) << n;
  EXPECT_DOUBLE_EQ(tables.p(0), -2.0);
  EXPECT_DOUBLE_EQ(tables.p(2), -4.0);
  for (int n = -3; n <= 8; ++n) {
    EXPECT_EQ(tables.q(n), 0.0);
    EXPECT_EQ(tables.f(n), 0.0);
    EXPECT_EQ(tables.t(n), 0.0);
    EXPECT_EQ(tables.r(n), 0.0);
  }
}

TEST_F(StationLoadsTest, ChainsSpreadFromTheRememberedStart) {
  RangeChain chain(tables);
  // 2 opens at station 2 with 0; the next record (its own first station is
  // ignored) closes the range at 6 with 8; the third runs alone.
  ASSERT_TRUE(chain.add(2, 2, 4, load(0.0)));
  EXPECT_TRUE(chain.open());
  EXPECT_EQ(chain.openStation(), 2);
  for (int n = -3; n <= 10; ++n) EXPECT_EQ(tables.q(n), 0.0);
  ASSERT_TRUE(chain.add(1, 5, 6, load(8.0)));
  EXPECT_FALSE(chain.open());
  const double expected[] = {0.0, 2.0, 4.0, 6.0, 4.0};
  for (int n = 2; n <= 6; ++n) EXPECT_DOUBLE_EQ(tables.q(n), expected[n - 2]) << n;
  ASSERT_TRUE(chain.add(1, 8, 8, load(1.0)));
  EXPECT_DOUBLE_EQ(tables.q(8), 1.0);
  EXPECT_DOUBLE_EQ(tables.q(7), 0.0);
}

TEST_F(StationLoadsTest, ChainOfThreeRecordsIsPiecewiseLinear) {
  RangeChain chain(tables);
  ASSERT_TRUE(chain.add(2, 0, 0, load(0.0)));
  ASSERT_TRUE(chain.add(2, 0, 2, load(4.0)));
  EXPECT_TRUE(chain.open());
  EXPECT_EQ(chain.openStation(), 2);
  ASSERT_TRUE(chain.add(1, 2, 4, load(0.0)));
  const double expected[] = {0.0, 2.0, 4.0, 2.0, 0.0};
  for (int n = 0; n <= 4; ++n) EXPECT_DOUBLE_EQ(tables.q(n), expected[n]) << n;
}

TEST_F(StationLoadsTest, BackwardRangesAreRefusedWithoutSpreading) {
  RangeChain chain(tables);
  EXPECT_FALSE(chain.add(1, 5, 4, load(1.0)));
  EXPECT_FALSE(chain.add(2, 5, 4, load(1.0)));
  ASSERT_TRUE(chain.add(2, 6, 6, load(1.0)));
  // The continuing record ends before the start of the chain.
  EXPECT_FALSE(chain.add(1, 3, 5, load(1.0)));
  for (int n = -3; n <= 10; ++n) EXPECT_EQ(tables.q(n), 0.0);
}

}  // namespace
}  // namespace korven
