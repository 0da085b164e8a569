#include <algorithm>
#include <array>
#include <fstream>
#include <optional>
#include <string_view>

#include "core/Stops.h"
#include "textio/FreeFormat.h"
#include "wall/WallAnalysis.h"

namespace korven {

namespace {

// Points of a generated curve: 17 per side, the first point of the
// excavation side (at the origin) appears again on the backfill side.
constexpr int kRecordsPerCurve = 34;
constexpr int kGeneratedPoints = 33;

// The numbers of the p-y scratch file, record by record as a free-format
// read takes them: the numbers the generator kept, when the file holds
// exactly the text it wrote, or else the file's own. A record starts on the
// line after the last one read from, and a record that asks for more
// numbers than its line holds goes on to the next lines.
class ScratchNumbers {
 public:
  ScratchNumbers(textio::RecordReader& reader, const textio::HeldNumbers& held)
      : reader_(reader), held_(held.complete && reader.skipLines(held.text) ? &held : nullptr) {}

  void record(std::string_view name) {
    if (held_ == nullptr) {
      current_.emplace(reader_.record(name));
      return;
    }
    name_ = name;
    if (nextLine_ >= held_->lineEnds.size()) reader_.record(name);  // the text has ended: as the file does
    line_ = nextLine_++;
    at_ = line_ == 0 ? 0 : held_->lineEnds[line_ - 1];
  }
  int integer() { return held_ == nullptr ? current_->integer() : static_cast<int>(next()); }
  double real() { return held_ == nullptr ? current_->real() : next(); }

 private:
  double next() {
    if (at_ >= held_->values.size()) reader_.record(name_);  // the text has ended: as the file does
    while (held_->lineEnds[line_] <= at_) ++line_;  // the record goes on to the next line
    nextLine_ = std::max(nextLine_, line_ + 1);
    return held_->values[at_++];
  }

  textio::RecordReader& reader_;
  const textio::HeldNumbers* held_;
  std::optional<textio::RecordReader::Record> current_;
  std::string_view name_;     // the record being read, for the message at the end of the text
  std::size_t nextLine_ = 0;  // where the next record starts
  std::size_t line_ = 0;      // the line of the next value
  std::size_t at_ = 0;        // the next value
};

}  // namespace

void readPyScratchFile(RunContext& ctx) {
  WallModel& m = ctx.model;
  const auto file = ctx.readScratch(Scratch::PyCurves);
  if (!file) {
    ctx.report.write(KLAYOUT("(/,/,'     ERROR -- THE P-Y SCRATCH FILE CANNOT BE OPENED')"));
    throw RunEnd("p-y scratch file cannot be opened");
  }
  textio::RecordReader reader(*file, ctx.names.pyScratchFile, "P-Y SCRATCH FILE");
  ScratchNumbers numbers(reader, ctx.heldPyScratch);
  numbers.record("P-Y CURVE COUNT");
  const int count = numbers.integer();
  if (count > kMaxPyCurves) stopTooMuchData(ctx, "more than 400 p-y curves");
  if (count < 0) throw RunEnd("negative number of p-y curves");
  m.curves.clear();
  if (count == 0) {
    ctx.report.write(KLAYOUT("(/,'                    ')"));
    return;
  }
  m.curves.reserve(static_cast<std::size_t>(count));
  const double h = m.wall.h;
  const int userCount = std::clamp(m.control.userCurveCount, 0, count);
  ctx.plot.writeFree(ctx.unitFlag, count);
  for (int c = 0; c < count; ++c) {
    PyCurve curve;
    curve.contd = 1;
    numbers.record("P-Y CURVE");
    if (c < userCount) {
      // A user curve, as given (already multiplied by its multipliers).
      const int station = numbers.integer();
      const int points = numbers.integer();
      if (points < 0 || points > kMaxCurvePoints) stopTooMuchData(ctx, "too many points in a p-y curve");
      curve.firstStation = curve.lastStation = station;
      curve.points = points;
      curve.depth = station * h;
      for (std::size_t j = 0; j < static_cast<std::size_t>(points); ++j) {
        numbers.record("P-Y CURVE POINT");
        numbers.integer();
        curve.p[j] = numbers.real();
        curve.y[j] = numbers.real();
      }
    } else {
      // A generated curve: backfill side mirrored ahead of the excavation
      // side, so that y runs from the most negative to the most positive.
      const double depth = numbers.real();
      const int records = numbers.integer();
      if (records != kRecordsPerCurve) {
        ctx.report.write(KLAYOUT("(/,/,'     ERROR -- A GENERATED P-Y CURVE DOES NOT HOLD 34 POINTS')"));
        throw RunEnd("generated p-y curve without 34 points");
      }
      std::array<double, kRecordsPerCurve> p{}, y{};
      for (int j = 0; j < kRecordsPerCurve; ++j) {
        numbers.record("P-Y CURVE POINT");
        numbers.integer();
        p[static_cast<std::size_t>(j)] = numbers.real();
        y[static_cast<std::size_t>(j)] = numbers.real();
      }
      curve.depth = depth;
      curve.firstStation = curve.lastStation = nearestInt(depth / h);
      curve.points = kGeneratedPoints;
      for (std::size_t i = 0; i <= 16; ++i) {  // records 34 down to 18
        curve.y[i] = -y[33 - i];
        curve.p[i] = p[33 - i];
      }
      for (std::size_t i = 0; i < 16; ++i) {  // records 2 to 17
        curve.y[17 + i] = y[1 + i];
        curve.p[17 + i] = -p[1 + i];
      }
    }
    ctx.plot.write(KLAYOUT("(1X,F10.2,1X,I5)"), curve.depth, curve.points);
    for (std::size_t j = 0; j < static_cast<std::size_t>(curve.points); ++j) {
      ctx.plot.writeFree(curve.y[j], curve.p[j]);
    }
    // Curves below the tip are used to interpolate up to it (the range is
    // cut at the tip); a station above the fictitious stations has no entry
    // in the station tables.
    if (curve.firstStation < kMinStation) {
      ctx.report.write(KLAYOUT("(/,/,'     ERROR STOP -- P-Y CURVE STATION OUTSIDE THE WALL:',I6)"),
                       curve.firstStation);
      throw RunEnd("p-y curve station outside the station tables");
    }
    m.curves.push_back(curve);
  }
}

}  // namespace korven
