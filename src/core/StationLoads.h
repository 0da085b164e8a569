// Spreading of stiffness and load ranges onto the station tables.
#pragma once

#include "model/WallModel.h"

namespace korven {

// The six per-station quantities of a range end.
struct StationValues {
  double f = 0.0;  // flexural rigidity EI
  double q = 0.0;  // transverse load
  double s = 0.0;  // transverse spring stiffness
  double t = 0.0;  // torque
  double r = 0.0;  // rotational restraint
  double p = 0.0;  // axial load (table sign)
};

// Adds the range a..b (a <= b, both inside the station tables) to the
// tables: linear between the end values, the two ends at half weight so
// that ranges meeting at a station add up to one value there; a
// single-station range gives the full value.
void addStationLoads(StationTables& tables, int a, int b, const StationValues& va,
                     const StationValues& vb);

// Applies ranges given with continuation flags (CONTD 1 ends a range at the
// record, CONTD 2 continues it into the next record). Feed the records of a
// group in input order, flags already checked to be 1 or 2; the first
// record of a group starts a new range.
class RangeChain {
 public:
  explicit RangeChain(StationTables& tables) : tables_(&tables) {}
  // Returns false when the record runs backwards (its last station before
  // its own first station, or before the start of the chain it continues);
  // nothing is spread then.
  bool add(int contd, int from, int to, const StationValues& values);
  // True when the last record added had CONTD 2 (a chain left open).
  bool open() const { return open_; }
  // Start station of the open chain.
  int openStation() const { return startStation_; }

 private:
  StationTables* tables_;
  bool open_ = false;
  int startStation_ = 0;
  StationValues startValues_;
};

}  // namespace korven
